#include "platform/LocalFileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lesnor {

bool LocalFileOps::isPlainFile(const QString& path) const {
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

bool LocalFileOps::exists(const QString& path) const {
    return QFileInfo::exists(path);
}

bool LocalFileOps::makeFolder(const QString& path) {
    return QDir().mkdir(path);
}

bool LocalFileOps::copyFile(const QString& from, const QString& to) {
    if (!QFileInfo(from).isFile())
        return false;
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    // QFile::copy refuses to replace; write a whole new file and rename it over instead,
    // so the player never sees a half-copied recording.
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        return false;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 16);
        if (chunk.isEmpty() || target.write(chunk) != chunk.size()) {
            target.cancelWriting();
            return false;
        }
    }
    return target.commit();
}

bool LocalFileOps::deleteFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return false;
    return QFile::remove(path);
}

bool LocalFileOps::removeFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink())
        return QFile::remove(path); // the link goes, never what it points to
    if (!info.isDir())
        return false;
    // QDir::removeRecursively does not follow symlinks into other folders.
    return QDir(path).removeRecursively();
}

bool LocalFileOps::writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace lesnor
