#include "platform/DataFolder.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lesnor {
namespace {

QString g_dataFolder;
QString g_programFolder;

QString withSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool isPrivate(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// A private directory opened without following a link, or -1.
int openPrivateDirectory(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !isPrivate(st))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// Removes everything inside the directory `dirFd` (not following links); closes it.
bool emptyDirectory(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ok = sub >= 0 && emptyDirectory(sub) && ok;
            ok = ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0 && ok;
        } else {
            ok = ::unlinkat(dirFd, name, 0) == 0 && ok;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

bool removeDirectoryContents(int dirFd) {
    return emptyDirectory(dirFd);
}

PrivateFolder::~PrivateFolder() {
    close();
}

bool PrivateFolder::open(const QString& tempPath) {
    close();
    const QString base = withSlash(tempPath);
    const QString preferred = base + QStringLiteral("lesnor-") + QString::number(::getuid());
    const QByteArray preferredBytes = QFile::encodeName(preferred);

    if (::mkdir(preferredBytes.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    QByteArray chosen = preferredBytes;
    fd_ = openPrivateDirectory(chosen);
    if (fd_ < 0) {
        // The name is taken by something we must not write through: make a fresh folder.
        chosen = QFile::encodeName(preferred + QStringLiteral("-XXXXXX"));
        if (::mkdtemp(chosen.data()) == nullptr)
            return false;
        fd_ = openPrivateDirectory(chosen);
        if (fd_ < 0)
            return false;
        fresh_ = true;
    }
    path_ = withSlash(QFile::decodeName(chosen));
    parentPath_ = base;
    baseName_ = chosen.mid(chosen.lastIndexOf('/') + 1);
    return true;
}

std::optional<QString> PrivateFolder::nameOf(const QString& path) const {
    if (fd_ < 0 || !path.startsWith(path_))
        return std::nullopt;
    // Paths are built as folder + "/" + name: the doubled separator is one.
    QString rest = path.mid(path_.size());
    while (rest.contains(QStringLiteral("//")))
        rest.replace(QStringLiteral("//"), QStringLiteral("/"));
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    while (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    return rest;
}

void PrivateFolder::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    path_.clear();
    parentPath_.clear();
    baseName_.clear();
    fresh_ = false;
}

int PrivateFolder::parentOf(const QString& name, QByteArray* last) const {
    if (fd_ < 0)
        return -1;
    const QList<QByteArray> parts = QFile::encodeName(name).split('/');
    for (const QByteArray& part : parts)
        if (part.isEmpty() || part == "." || part == "..")
            return -1;
    int dir = fd_;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const int next =
            ::openat(dir, parts.at(i).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dir != fd_)
            ::close(dir);
        if (next < 0)
            return -1;
        dir = next;
    }
    *last = parts.last();
    return dir;
}

namespace {
// Closes a parent descriptor from parentOf() unless it is the folder's own.
struct ParentFd {
    int fd;
    int own;
    ~ParentFd() {
        if (fd >= 0 && fd != own)
            ::close(fd);
    }
};
} // namespace

bool PrivateFolder::isPlainFile(const QString& name) const {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    struct stat st {};
    return dir.fd >= 0 && !last.startsWith('.') &&
           ::fstatat(dir.fd, last.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

bool PrivateFolder::exists(const QString& name) const {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    struct stat st {};
    return dir.fd >= 0 && ::fstatat(dir.fd, last.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           !S_ISLNK(st.st_mode);
}

bool PrivateFolder::makeFolder(const QString& name) {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    if (dir.fd < 0)
        return false;
    if (::mkdirat(dir.fd, last.constData(), 0700) == 0)
        return true;
    struct stat st {};
    if (errno != EEXIST || ::fstatat(dir.fd, last.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (S_ISDIR(st.st_mode))
        return true;
    return ::unlinkat(dir.fd, last.constData(), 0) == 0 && ::mkdirat(dir.fd, last.constData(), 0700) == 0;
}

bool PrivateFolder::writeFile(const QString& name, const QByteArray& bytes) {
    return writeFileFrom(name, -1, &bytes);
}

bool PrivateFolder::writeFileFrom(const QString& name, int fromFd) {
    return writeFileFrom(name, fromFd, nullptr);
}

bool PrivateFolder::writeFileFrom(const QString& name, int fromFd, const QByteArray* bytes) {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    if (dir.fd < 0)
        return false;
    QByteArray temporary;
    int out = -1;
    for (int attempt = 0; attempt < 16 && out < 0; ++attempt) {
        temporary = "." + last + "." + QByteArray::number(quint64(::getpid())) + "-" +
                    QByteArray::number(QRandomGenerator::global()->generate());
        out = ::openat(dir.fd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       0600);
        if (out < 0 && errno != EEXIST)
            return false;
    }
    if (out < 0)
        return false;
    bool ok = true;
    if (bytes) {
        ok = writeAll(out, bytes->constData(), bytes->size());
    } else {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fromFd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ok = false;
            if (n <= 0 || !(ok = writeAll(out, buffer, n)))
                break;
        }
    }
    ok = ::fdatasync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    ok = ok && ::renameat(dir.fd, temporary.constData(), dir.fd, last.constData()) == 0;
    if (!ok)
        ::unlinkat(dir.fd, temporary.constData(), 0);
    return ok;
}

int PrivateFolder::openForReading(const QString& name) const {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    if (dir.fd < 0)
        return -1;
    return ::openat(dir.fd, last.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

bool PrivateFolder::removeFile(const QString& name) {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    struct stat st {};
    if (dir.fd < 0 || ::fstatat(dir.fd, last.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(st.st_mode))
        return false;
    return ::unlinkat(dir.fd, last.constData(), 0) == 0;
}

bool PrivateFolder::removeTree(const QString& name) {
    QByteArray last;
    const ParentFd dir{parentOf(name, &last), fd_};
    struct stat st {};
    if (dir.fd < 0 || ::fstatat(dir.fd, last.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(dir.fd, last.constData(), 0) == 0;
    const int sub = ::openat(dir.fd, last.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const bool emptied = sub >= 0 && emptyDirectory(sub);
    return ::unlinkat(dir.fd, last.constData(), AT_REMOVEDIR) == 0 && emptied;
}

bool PrivateFolder::removeAll() {
    if (fd_ < 0)
        return false;
    struct stat own {};
    ::fstat(fd_, &own);
    const int copy = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = copy >= 0 && emptyDirectory(copy);
    // The name goes only while it still names this very folder.
    const int parent = ::open(QFile::encodeName(parentPath_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat named {};
    ok = parent >= 0 && ::fstatat(parent, baseName_.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         named.st_dev == own.st_dev && named.st_ino == own.st_ino &&
         ::unlinkat(parent, baseName_.constData(), AT_REMOVEDIR) == 0 && ok;
    if (parent >= 0)
        ::close(parent);
    close();
    return ok;
}

QString resolveDataFolder(const QString& tempPath) {
    PrivateFolder folder;
    return folder.open(tempPath) ? folder.path() : QString();
}

const QString& DataFolder() {
    return g_dataFolder;
}

void setDataFolder(const QString& folder) {
    g_dataFolder = folder;
}

const QString& ProgramFolder() {
    return g_programFolder;
}

void setProgramFolder(const QString& folder) {
    g_programFolder = folder.isEmpty() ? folder : withSlash(folder);
}

DataFolderLock::~DataFolderLock() {
    release();
}

bool DataFolderLock::acquireShared(const QString& folder) {
    release();
    if (folder.isEmpty())
        return false;
    fd_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return lockShared();
}

bool DataFolderLock::acquireShared(const PrivateFolder& folder) {
    release();
    // A descriptor of its own: the lock belongs to it, not to the folder's.
    if (folder.isOpen())
        fd_ = ::openat(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return lockShared();
}

bool DataFolderLock::lockShared() {
    if (fd_ < 0)
        return false;
    int rc;
    do {
        rc = ::flock(fd_, LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        release();
        return false;
    }
    return true;
}

bool DataFolderLock::tryBecomeLast() {
    if (fd_ < 0)
        return false;
    return ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

void DataFolderLock::release() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the descriptor drops the lock
        fd_ = -1;
    }
}

} // namespace lesnor
