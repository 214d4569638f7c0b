// Data folder, carried files and the shutdown sequence.
#include "FakeServices.h"
#include "startup/DataFolder.h"
#include "startup/Installation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace lesnor;
using namespace lesnor::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString preferredFolder(const QString& temp) {
    return temp + QStringLiteral("/lesnor-") + QString::number(::getuid());
}

} // namespace

class TestInstallation : public QObject {
    Q_OBJECT
private slots:
    void dataFolderIsPrivateAndEndsInSlash() {
        QTemporaryDir temp;
        const QString folder = resolveDataFolder(temp.path());
        QCOMPARE(folder, preferredFolder(temp.path()) + QLatin1Char('/'));
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        // A second start finds and keeps the same folder.
        QCOMPARE(resolveDataFolder(temp.path()), folder);
    }

    void plantedSymlinkIsNeverUsed() {
        QTemporaryDir temp;
        QTemporaryDir elsewhere;
        QVERIFY(::chmod(QFile::encodeName(elsewhere.path()).constData(), 0700) == 0);
        QVERIFY(QFile::link(elsewhere.path(), preferredFolder(temp.path())));

        const QString folder = resolveDataFolder(temp.path());
        QVERIFY(!folder.isEmpty());
        QVERIFY(folder != preferredFolder(temp.path()) + QLatin1Char('/'));
        QVERIFY(!QFileInfo(folder).isSymLink());

        FailingFileOps files;
        QCOMPARE(installCarriedFiles(folder, files), 3);
        QVERIFY(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void sharedOrForeignFolderIsNotUsed() {
        QTemporaryDir temp;
        const QString name = preferredFolder(temp.path());
        QVERIFY(QDir().mkdir(name));
        QVERIFY(::chmod(QFile::encodeName(name).constData(), 0777) == 0);
        QVERIFY(resolveDataFolder(temp.path()) != name + QLatin1Char('/'));

        if (::getuid() == 0) { // only root can hand a folder to somebody else
            QVERIFY(::chmod(QFile::encodeName(name).constData(), 0700) == 0);
            QVERIFY(::chown(QFile::encodeName(name).constData(), 65534, 65534) == 0);
            QVERIFY(resolveDataFolder(temp.path()) != name + QLatin1Char('/'));
        }
    }

    void carriedFilesAreWrittenWholeAndExact() {
        QTemporaryDir temp;
        const QString folder = resolveDataFolder(temp.path());
        // An older, longer file must not keep its tail.
        writeFile(dataPath(folder, files::dictionary), QByteArray(2'000'000, 'x'));

        FailingFileOps files;
        QCOMPARE(installCarriedFiles(folder, files), 3);
        for (const CarriedFile& item : carriedFiles()) {
            const QByteArray expected = readAll(resourcePath(item.resourceId));
            QCOMPARE(readAll(dataPath(folder, item.fileName)), expected);
        }
        const QString source = qEnvironmentVariable("LESNOR_SOURCE_DIR");
        QCOMPARE(readAll(dataPath(folder, files::font)), readAll(source + "/resources/fonts/DejaVuSans.ttf"));
        const QString build = qEnvironmentVariable("LESNOR_BINARY_DIR");
        QCOMPARE(readAll(dataPath(folder, files::dictionary)), readAll(build + "/pack/mswrd.wd"));
        // No temporary files are left beside them.
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    void failingStepsAreSkipped() {
        QTemporaryDir temp;
        const QString folder = resolveDataFolder(temp.path());
        FailingFileOps files;
        files.failing.insert(dataPath(folder, files::dictionary));
        const QList<CarriedFile> list = {
            {999, QStringLiteral("missing.bin")}, {103, files::dictionary}, {105, files::database}};
        QCOMPARE(installCarriedFiles(folder, files, list), 1);
        QVERIFY(QFile::exists(dataPath(folder, files::database)));
        QVERIFY(!QFile::exists(dataPath(folder, QStringLiteral("missing.bin"))));
        // Without a private folder nothing is written anywhere.
        QCOMPARE(installCarriedFiles(QString(), files), 0);
    }

    void shutdownRemovesExactlyTheFourItems() {
        QTemporaryDir temp;
        const QString folder = resolveDataFolder(temp.path());
        FakeServices services;
        QCOMPARE(installCarriedFiles(folder, services.files), 3);
        writeFile(dataPath(folder, files::recording), "RIFF");
        QVERIFY(QDir().mkdir(dataPath(folder, files::audioCopies)));
        writeFile(dataPath(folder, files::audioCopies) + "/QLX101.mp3", "ID3");
        writeFile(dataPath(folder, QStringLiteral("notes.txt")), "the learner's");

        DataFolderLock lock;
        QVERIFY(lock.acquireShared(folder));
        int ended = 0;
        ShutdownSequence shutdown(services.recorder, services.player, services.files, &lock,
                                  [&] { ++ended; });
        shutdown.run(folder);
        shutdown.run(folder); // a second trigger does nothing

        QCOMPARE(ended, 1);
        QCOMPARE(services.recorder.commands, QStringList{QStringLiteral("close   all")});
        QCOMPARE(services.player.calls, QStringList{QStringLiteral("close")});
        QVERIFY(!QFile::exists(dataPath(folder, files::dictionary)));
        QVERIFY(!QFile::exists(dataPath(folder, files::database)));
        QVERIFY(!QFile::exists(dataPath(folder, files::recording)));
        QVERIFY(!QFileInfo::exists(dataPath(folder, files::audioCopies)));
        QVERIFY(QFile::exists(dataPath(folder, files::font)));
        QVERIFY(QFile::exists(dataPath(folder, QStringLiteral("notes.txt"))));
    }

    void shutdownRightAfterStartSkipsMissingItems() {
        QTemporaryDir temp;
        const QString folder = resolveDataFolder(temp.path());
        FakeServices services;
        services.recorder.failWith = 263;
        int ended = 0;
        ShutdownSequence shutdown(services.recorder, services.player, services.files, nullptr,
                                  [&] { ++ended; });
        shutdown.run(folder);
        QCOMPARE(ended, 1);
        QVERIFY(services.files.log.contains("removeFolder " + dataPath(folder, files::audioCopies)));
    }

    void onlyTheLastCopyCleansUp() {
        QTemporaryDir temp;
        const QString folder = resolveDataFolder(temp.path());
        FakeServices first;
        FakeServices second;
        QCOMPARE(installCarriedFiles(folder, first.files), 3);
        DataFolderLock firstLock;
        DataFolderLock secondLock;
        QVERIFY(firstLock.acquireShared(folder));
        QVERIFY(secondLock.acquireShared(folder));

        ShutdownSequence firstExit(first.recorder, first.player, first.files, &firstLock, [] {});
        firstExit.run(folder);
        QVERIFY(QFile::exists(dataPath(folder, files::database))); // still in use by the second copy
        QVERIFY(QFile::exists(dataPath(folder, files::dictionary)));

        ShutdownSequence secondExit(second.recorder, second.player, second.files, &secondLock, [] {});
        secondExit.run(folder);
        QVERIFY(!QFile::exists(dataPath(folder, files::database)));
        QVERIFY(!QFile::exists(dataPath(folder, files::dictionary)));
        QVERIFY(QFile::exists(dataPath(folder, files::font)));
    }
};

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
