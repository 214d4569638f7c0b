#pragma once

#include "platform/FileOps.h"

#include <optional>

namespace lesnor {

class PrivateFolder;

// IFileOps on the local file system. Paths inside the private data folder given to
// setPrivateFolder() are handled through the folder's descriptor, never following a
// link (see PrivateFolder); all other paths as usual.
class LocalFileOps final : public IFileOps {
public:
    void setPrivateFolder(PrivateFolder* folder) { folder_ = folder; }

    bool isPlainFile(const QString& path) const override;
    bool exists(const QString& path) const override;
    bool makeFolder(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    bool deleteFile(const QString& path) override;
    bool removeFolder(const QString& path) override;
    bool writeFileAtomically(const QString& path, const QByteArray& bytes) override;
    WriteProblem writeProblem(const QString& folder, qint64 needed) const override;

private:
    // `path` relative to the private folder, or nullopt when it lies outside it.
    std::optional<QString> inside(const QString& path) const;

    PrivateFolder* folder_ = nullptr;
};

} // namespace lesnor
