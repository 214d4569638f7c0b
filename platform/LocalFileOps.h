#pragma once

#include "platform/FileOps.h"

namespace lesnor {

// IFileOps on the local file system.
class LocalFileOps final : public IFileOps {
public:
    bool isPlainFile(const QString& path) const override;
    bool exists(const QString& path) const override;
    bool makeFolder(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    bool deleteFile(const QString& path) override;
    bool removeFolder(const QString& path) override;
    bool writeFileAtomically(const QString& path, const QByteArray& bytes) override;
};

} // namespace lesnor
