#pragma once

#include <QByteArray>
#include <QString>

namespace lesnor {

// File operations the program makes on the user's files. Every call reports success;
// callers that follow the "skip and go on" policy ignore the result.
class IFileOps {
public:
    // Why a file of `needed` bytes cannot be written in a folder now.
    enum class WriteProblem {
        None,        // nothing seen: it should fit
        NoSpace,     // less free space than needed
        NotWritable, // read-only, refused, or missing
    };

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
    // Asked after a write in `folder` failed, to tell the learner its cause.
    virtual WriteProblem writeProblem(const QString& folder, qint64 needed) const = 0;
};

// The learner's words for a problem: "临时文件夹的磁盘空间不足" and the like.
inline QString describe(IFileOps::WriteProblem problem) {
    switch (problem) {
    case IFileOps::WriteProblem::NoSpace:
        return QStringLiteral("临时文件夹的磁盘空间不足");
    case IFileOps::WriteProblem::NotWritable:
        return QStringLiteral("临时文件夹无法写入");
    case IFileOps::WriteProblem::None:
        break;
    }
    return QStringLiteral("原因不明");
}

} // namespace lesnor
