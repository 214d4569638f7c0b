#include "platform/RunningCopies.h"

#include "platform/DataFolder.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lesnor {
namespace {

const QString kFirstRecording = QStringLiteral("mcesound.wav");
QString g_recordingName = kFirstRecording;

// Calls `visit` with each entry name of the directory `dirFd` (not closed).
template <class Visit> void forEachEntry(int dirFd, Visit visit) {
    const int copy = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return;
    }
    while (const dirent* entry = ::readdir(dir))
        visit(QByteArray(entry->d_name));
    ::closedir(dir);
}

bool processRuns(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

} // namespace

RecordingClaim::~RecordingClaim() {
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

QString RecordingClaim::claim(PrivateFolder& folder) {
    if (lockFd_ < 0 && folder.isOpen())
        lockFd_ = ::openat(folder.descriptor(), QFile::encodeName(recordingLock).constData(),
                           O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    const bool first = lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0;
    g_recordingName = first ? kFirstRecording : QStringLiteral("mcesound-%1.wav").arg(qint64(::getpid()));
    return g_recordingName;
}

const QString& recordingName() {
    return g_recordingName;
}

int removeOrphanedRecordings(PrivateFolder& folder) {
    if (!folder.isOpen())
        return 0;
    QList<QByteArray> orphans;
    forEachEntry(folder.descriptor(), [&orphans](const QByteArray& name) {
        if (name.startsWith(".lesnor-scratch-")) {
            // "-<pid>-..." of the copy that made it.
            if (!processRuns(name.mid(16).split('-').value(0).toLongLong()))
                orphans << name;
        } else if (name.startsWith("mcesound-") && name.endsWith(".wav")) {
            bool number = false;
            const qint64 pid = name.mid(9, name.size() - 13).toLongLong(&number);
            if (number && !processRuns(pid))
                orphans << name;
        }
    });
    int removed = 0;
    for (const QByteArray& name : std::as_const(orphans))
        removed += folder.removeFile(QFile::decodeName(name)) ? 1 : 0;
    return removed;
}

int removeAbandonedFolders(const QString& tempPath, int minAgeSeconds) {
    const int temp = ::open(QFile::encodeName(tempPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (temp < 0)
        return 0;
    const QByteArray freshPrefix = "lesnor-" + QByteArray::number(qint64(::getuid())) + "-";
    const time_t now = ::time(nullptr);
    int removed = 0;
    forEachEntry(temp, [&](const QByteArray& name) {
        const bool fresh = name.startsWith(freshPrefix) && name.size() == freshPrefix.size() + 6;
        const bool capture = name.startsWith("lesnor-capture-") && name.endsWith(".raw");
        struct stat st {};
        if ((!fresh && !capture) || ::fstatat(temp, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            st.st_uid != ::getuid() || now - st.st_mtime < minAgeSeconds)
            return;
        if (capture) {
            if (S_ISREG(st.st_mode) && ::unlinkat(temp, name.constData(), 0) == 0)
                ++removed;
            return;
        }
        if (!S_ISDIR(st.st_mode))
            return;
        // A running copy holds a shared lock on its folder for as long as it runs.
        const int dir = ::openat(temp, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dir < 0)
            return;
        if (::flock(dir, LOCK_EX | LOCK_NB) != 0) {
            ::close(dir);
            return;
        }
        const int contents = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (contents >= 0 && removeDirectoryContents(contents) &&
            ::unlinkat(temp, name.constData(), AT_REMOVEDIR) == 0)
            ++removed;
        ::close(dir);
    });
    ::close(temp);
    return removed;
}

} // namespace lesnor
