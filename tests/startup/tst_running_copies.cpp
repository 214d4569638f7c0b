// Copies running at once: each records into a file of its own; what killed copies left
// (their recordings, scratch files, fresh data folders) goes at the next start, and
// nothing a running copy holds.
#include "platform/DataFolder.h"
#include "platform/RunningCopies.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lesnor;

namespace {

bool touch(const QString& path, bool old = false) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return !old ||
           f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

// A pid no process has: the kernel hands out pids below pid_max.
QString deadPid() {
    QFile f(QStringLiteral("/proc/sys/kernel/pid_max"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().trimmed())
                                       : QStringLiteral("4194304");
}

QStringList entries(const QString& folder) {
    QStringList list =
        QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    list.sort();
    return list;
}

} // namespace

class TestRunningCopies : public QObject {
    Q_OBJECT

private slots:
    // The first claim gets "mcesound.wav"; one made while it is held its own name; once
    // the first is gone, the plain name is free again.
    void eachCopyRecordsIntoItsOwnFile() {
        QTemporaryDir temp;
        PrivateFolder folder;
        QVERIFY(folder.open(temp.path()));
        const QString own = QStringLiteral("mcesound-%1.wav").arg(qint64(::getpid()));
        auto first = std::make_unique<RecordingClaim>();
        QCOMPARE(first->claim(folder), QStringLiteral("mcesound.wav"));
        {
            RecordingClaim second;
            QCOMPARE(second.claim(folder), own);
            QCOMPARE(recordingName(), own);
        }
        first.reset();
        RecordingClaim third;
        QCOMPARE(third.claim(folder), QStringLiteral("mcesound.wav"));
    }

    void orphanedRecordingsGo() {
        QTemporaryDir temp;
        PrivateFolder folder;
        QVERIFY(folder.open(temp.path()));
        const QString live = QString::number(qint64(::getpid()));
        const QString dead = deadPid();
        const QStringList kept = {"mcesound-" + live + ".wav", "mcesound.wav", "mcesound-x.wav", "mswrd.wd",
                                  ".lesnor-scratch-" + live + "-0-1"};
        const QStringList gone = {"mcesound-" + dead + ".wav", ".lesnor-scratch-" + dead + "-3-9"};
        for (const QString& name : kept + gone)
            QVERIFY(touch(folder.path() + name));
        QCOMPARE(removeOrphanedRecordings(folder), int(gone.size()));
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(entries(folder.path()), expected);
    }

    // Fresh folders nobody holds and old capture files go; held, new, foreign-named and
    // linked ones stay.
    void abandonedFoldersGo() {
        QTemporaryDir temp;
        const QString base = temp.path() + QStringLiteral("/lesnor-%1-").arg(qint64(::getuid()));
        for (const char* suffix : {"AAAAAA", "BBBBBB", "CCCCCC"}) {
            QVERIFY(QDir().mkdir(base + suffix));
            QVERIFY(touch(base + suffix + "/mswrd.wd"));
        }
        QVERIFY(QDir().mkpath(base + "DDDDDD/sounenclff"));
        const auto age = [](const QString& path) {
            const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
            return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
        };
        for (const char* suffix : {"AAAAAA", "BBBBBB", "DDDDDD"})
            QVERIFY(age(base + suffix));
        QVERIFY(QFile::link(base + "AAAAAA", base + "EEEEEE"));
        QVERIFY(touch(temp.path() + "/lesnor-capture-x1.raw", true));
        QVERIFY(touch(temp.path() + "/lesnor-capture-new.raw"));
        // B is held by a running copy.
        const int held = ::open(QFile::encodeName(base + "BBBBBB").constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_SH) == 0);

        QCOMPARE(removeAbandonedFolders(temp.path()), 3);
        ::close(held);
        const QString uid = QString::number(qint64(::getuid()));
        QStringList expected = {"lesnor-" + uid + "-BBBBBB", "lesnor-" + uid + "-CCCCCC",
                                "lesnor-" + uid + "-EEEEEE", "lesnor-capture-new.raw"};
        QCOMPARE(entries(temp.path()), expected);
    }
};

QTEST_GUILESS_MAIN(TestRunningCopies)
#include "tst_running_copies.moc"
