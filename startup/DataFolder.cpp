#include "startup/DataFolder.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lesnor {
namespace {

QString g_dataFolder;
QString g_programFolder;

bool isPrivateFolder(const QByteArray& path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

QString withSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace

QString resolveDataFolder(const QString& tempPath) {
    const QString base = withSlash(tempPath);
    const QString preferred = base + QStringLiteral("lesnor-") + QString::number(::getuid());
    const QByteArray preferredBytes = QFile::encodeName(preferred);

    if (::mkdir(preferredBytes.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    if (isPrivateFolder(preferredBytes))
        return withSlash(preferred);

    // The name is taken by something we must not write through: make a fresh folder.
    QByteArray pattern = QFile::encodeName(preferred + QStringLiteral("-XXXXXX"));
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return withSlash(QFile::decodeName(pattern));
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
