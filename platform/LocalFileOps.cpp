#include "platform/LocalFileOps.h"

#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace lesnor {

std::optional<QString> LocalFileOps::inside(const QString& path) const {
    return folder_ ? folder_->nameOf(path) : std::nullopt;
}

bool LocalFileOps::isPlainFile(const QString& path) const {
    if (const auto name = inside(path))
        return folder_->isPlainFile(*name);
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

bool LocalFileOps::exists(const QString& path) const {
    if (const auto name = inside(path))
        return name->isEmpty() || folder_->exists(*name);
    return QFileInfo::exists(path);
}

bool LocalFileOps::makeFolder(const QString& path) {
    if (const auto name = inside(path))
        return folder_->makeFolder(*name);
    return QDir().mkdir(path);
}

bool LocalFileOps::copyFile(const QString& from, const QString& to) {
    // The source is read without following a link when it lies in the private folder.
    const auto fromInside = inside(from);
    const int source = fromInside
                           ? folder_->openForReading(*fromInside)
                           : ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (source < 0 || ::fstat(source, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (source >= 0)
            ::close(source);
        return false;
    }
    bool ok = false;
    if (const auto toInside = inside(to)) {
        ok = folder_->writeFileFrom(*toInside, source);
        ::close(source);
        return ok;
    }
    QFile input;
    if (!input.open(source, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(source);
        return false;
    }
    // QFile::copy refuses to replace; write a whole new file and rename it over instead,
    // so the player never sees a half-copied recording.
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        return false;
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(1 << 16);
        if (chunk.isEmpty() || target.write(chunk) != chunk.size()) {
            target.cancelWriting();
            return false;
        }
    }
    return target.commit();
}

bool LocalFileOps::deleteFile(const QString& path) {
    if (const auto name = inside(path))
        return folder_->removeFile(*name);
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return false;
    return QFile::remove(path);
}

bool LocalFileOps::removeFolder(const QString& path) {
    if (const auto name = inside(path))
        return !name->isEmpty() && folder_->removeTree(*name);
    const QFileInfo info(path);
    if (info.isSymLink())
        return QFile::remove(path); // the link goes, never what it points to
    if (!info.isDir())
        return false;
    // QDir::removeRecursively does not follow symlinks into other folders.
    return QDir(path).removeRecursively();
}

bool LocalFileOps::writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (const auto name = inside(path))
        return folder_->writeFile(*name, bytes);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

IFileOps::WriteProblem LocalFileOps::writeProblem(const QString& folder, qint64 needed) const {
    const QByteArray path = QFile::encodeName(folder);
    struct statvfs st {};
    if (::statvfs(path.constData(), &st) != 0 || (st.f_flag & ST_RDONLY) ||
        ::access(path.constData(), W_OK) != 0)
        return WriteProblem::NotWritable;
    if (qint64(st.f_bavail) * qint64(st.f_frsize) < needed)
        return WriteProblem::NoSpace;
    return WriteProblem::None;
}

} // namespace lesnor
