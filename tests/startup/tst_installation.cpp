// Data folder, carried files and the shutdown sequence.
#include "FakeServices.h"
#include "lessons/LessonLoader.h"
#include "lessons/Recordset.h"
#include "platform/DataFolder.h"
#include "platform/LocalFileOps.h"
#include "resources/Installation.h"

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

QStringList entries(const QString& folder) {
    QStringList list =
        QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    list.sort();
    return list;
}

// A folder of someone else's files that the program must never touch.
void fillVictim(const QString& victim) {
    QVERIFY(QDir().mkpath(victim + QStringLiteral("/sounenclff")));
    for (const QString& name :
         {files::dictionary, files::database, files::recording, QStringLiteral("sounenclff/keep")})
        writeFile(victim + QLatin1Char('/') + name, "theirs");
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
        QVERIFY(files.log.contains("write " + dataPath(folder, files::dictionary)));

        // The next start finds them exact and writes nothing; a changed one is replaced.
        writeFile(dataPath(folder, files::database), readAll(resourcePath(105)).replace(0, 1, "?"));
        FailingFileOps again;
        QCOMPARE(installCarriedFiles(folder, again), 3);
        QCOMPARE(again.log.filter("write "), QStringList{"write " + dataPath(folder, files::database)});
        QCOMPARE(readAll(dataPath(folder, files::database)), readAll(resourcePath(105)));
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

        writeFile(dataPath(folder, files::recording), "RIFF");
        ShutdownSequence firstExit(first.recorder, first.player, first.files, &firstLock, [] {});
        firstExit.run(folder);
        QVERIFY(!QFile::exists(dataPath(folder, files::recording))); // its own recording goes
        QVERIFY(QFile::exists(dataPath(folder, files::database)));   // still in use by the second copy
        QVERIFY(QFile::exists(dataPath(folder, files::dictionary)));

        ShutdownSequence secondExit(second.recorder, second.player, second.files, &secondLock, [] {});
        secondExit.run(folder);
        QVERIFY(!QFile::exists(dataPath(folder, files::database)));
        QVERIFY(!QFile::exists(dataPath(folder, files::dictionary)));
        QVERIFY(QFile::exists(dataPath(folder, files::font)));
    }

    // The cause of a failed write, as the notice line tells it.
    void writeProblemsAreTold() {
        QTemporaryDir temp;
        LocalFileOps files;
        using P = IFileOps::WriteProblem;
        QCOMPARE(files.writeProblem(temp.path(), 1024), P::None);
        QCOMPARE(files.writeProblem(temp.path(), qint64(1) << 62), P::NoSpace);
        QCOMPARE(files.writeProblem(temp.path() + QStringLiteral("/missing"), 1024), P::NotWritable);
    }

    void swappedFolderRedirectsNothing_data() {
        QTest::addColumn<bool>("asLink");
        QTest::newRow("the name now links to another folder") << true;
        QTest::newRow("another folder took the name") << false;
    }

    void swappedFolderRedirectsNothing() {
        QFETCH(bool, asLink);
        QTemporaryDir temp;
        PrivateFolder folder;
        QVERIFY(folder.open(temp.path()));
        LocalFileOps ops;
        ops.setPrivateFolder(&folder);
        QCOMPARE(installCarriedFiles(folder.path(), ops), 3);
        QVERIFY(ops.makeFolder(dataPath(folder.path(), files::audioCopies)));

        // After the start-up check the folder is moved away and its name given to
        // another folder with files of the same names.
        const QString name = folder.path().chopped(1);
        const QString moved = temp.filePath(QStringLiteral("moved"));
        const QString victim = temp.filePath(QStringLiteral("victim"));
        QVERIFY(QDir().rename(name, moved));
        fillVictim(victim);
        QVERIFY(asLink ? QFile::link(victim, name) : QDir().rename(victim, name));
        const QString theirs = asLink ? victim : name;
        const QStringList before = entries(theirs);

        FakeServices services;
        ShutdownSequence shutdown(services.recorder, services.player, ops, nullptr, [] {});
        shutdown.run(folder.path());
        QCOMPARE(entries(theirs), before);
        QCOMPARE(entries(theirs + QStringLiteral("/sounenclff")), QStringList{QStringLiteral("keep")});
        QCOMPARE(entries(moved), QStringList{files::font}); // the cleaning happened where it belongs
    }

    void linksInsideAreReplacedNeverFollowed_data() {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<QString>("kind"); // "link" to outside, or "file"
        QTest::newRow("dictionary links out") << files::dictionary << "link";
        QTest::newRow("database links out") << files::database << "link";
        QTest::newRow("copy folder links out") << files::audioCopies << "link";
        QTest::newRow("copy folder is a file") << files::audioCopies << "file";
    }

    void linksInsideAreReplacedNeverFollowed() {
        QFETCH(QString, planted);
        QFETCH(QString, kind);
        QTemporaryDir temp;
        QTemporaryDir outside;
        PrivateFolder folder;
        QVERIFY(folder.open(temp.path()));
        LocalFileOps ops;
        ops.setPrivateFolder(&folder);
        const bool isFolder = planted == files::audioCopies;
        const QString target = outside.filePath(QStringLiteral("target"));
        if (isFolder)
            QVERIFY(QDir().mkdir(target));
        else
            writeFile(target, "theirs");
        const QString at = dataPath(folder.path(), planted);
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(target, at));
        else
            writeFile(at, "in the way");

        QCOMPARE(installCarriedFiles(folder.path(), ops), 3);
        const QString recording = outside.filePath(QStringLiteral("QLX101.dat"));
        writeFile(recording, "ID3 lesson");
        const QString copy =
            lessonAudioCopyPath(folder.path(), QStringLiteral("1"), QStringLiteral("Lesson 1"));
        QVERIFY(prepareLessonAudio(recording, copy, ops).playable);

        QVERIFY(!QFileInfo(at).isSymLink());
        QCOMPARE(QFileInfo(at).isDir(), isFolder);
        QCOMPARE(readAll(copy), QByteArray("ID3 lesson"));
        if (isFolder)
            QVERIFY(entries(target).isEmpty());
        else
            QCOMPARE(readAll(target), QByteArray("theirs"));
    }

    void refusedFolderGoesAtExit() {
        QTemporaryDir temp;
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), preferredFolder(temp.path())));
        PrivateFolder folder;
        QVERIFY(folder.open(temp.path()));
        QVERIFY(folder.isFresh());
        const QString fresh = folder.path();
        LocalFileOps ops;
        ops.setPrivateFolder(&folder);
        QCOMPARE(installCarriedFiles(fresh, ops), 3);
        FakeServices services;
        ShutdownSequence shutdown(services.recorder, services.player, ops, nullptr, [] {});
        shutdown.setFolder(&folder);
        shutdown.run(fresh);
        QVERIFY(!QFileInfo::exists(fresh));
        QCOMPARE(entries(temp.path()),
                 QStringList{preferredFolder(temp.path()).section(QLatin1Char('/'), -1)});
    }

    void noFolderMeansNoPath() {
        for (const QString& name : {files::font, files::dictionary, files::database, files::audioCopies})
            QCOMPARE(dataPath(QString(), name), QString());
        QVERIFY(!lessonConnectionString(QString()).contains(QStringLiteral("Data Source")));
        Recordset rs;
        QVERIFY(!rs.open(LessonQuery(QStringLiteral("1"), QStringLiteral("Lesson 1")),
                         lessonConnectionString({})));
        QVERIFY(rs.atEnd());
    }
};

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
