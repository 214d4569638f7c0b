#pragma once

#include <QByteArray>
#include <QString>

namespace lesnor {

// File operations the program makes on the user's files. Every call reports success;
// callers that follow the "skip and go on" policy ignore the result.
class IFileOps {
public:
    virtual ~IFileOps() = default;
    // True for an existing plain file (not a folder; hidden files count as missing).
    virtual bool isPlainFile(const QString& path) const = 0;
    virtual bool exists(const QString& path) const = 0;
    virtual bool makeFolder(const QString& path) = 0;
    // Copies, replacing an existing target.
    virtual bool copyFile(const QString& from, const QString& to) = 0;
    virtual bool deleteFile(const QString& path) = 0;
    // Deletes a folder with everything in it; never follows symlinks out of it.
    virtual bool removeFolder(const QString& path) = 0;
    // Writes the whole file: a temporary name in the same folder, then renamed over the
    // target, so a reader sees the old or the new file, never half of one.
    virtual bool writeFileAtomically(const QString& path, const QByteArray& bytes) = 0;
};

} // namespace lesnor
