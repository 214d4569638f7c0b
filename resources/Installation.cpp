#include "resources/Installation.h"

#include "platform/DataFolder.h"
#include "platform/FileOps.h"
#include "platform/MediaPlayer.h"
#include "platform/Recorder.h"
#include "platform/RunningCopies.h"

#include <QFile>
#include <QResource>
#include <cstring>

namespace lesnor {
namespace {

bool holdsExactly(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.size() != bytes.size() || !file.open(QIODevice::ReadOnly))
        return false;
    if (bytes.isEmpty())
        return true;
    // Compared in place: the file mapped, the carried bytes where the program holds them.
    if (const uchar* mapped = file.map(0, bytes.size()))
        return std::memcmp(mapped, bytes.constData(), size_t(bytes.size())) == 0;
    return file.readAll() == bytes;
}

// The carried bytes of a resource: where the executable holds them when stored as they
// are, else unpacked.
QByteArray carriedBytes(const QString& resourcePath) {
    const QResource resource(resourcePath);
    if (!resource.isValid())
        return {};
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
    return resource.uncompressedData();
}

} // namespace

const QList<CarriedFile>& carriedFiles() {
    static const QList<CarriedFile> list = {
        {102, files::font},
        {103, files::dictionary},
        {105, files::database},
    };
    return list;
}

QString resourcePath(int resourceId) {
    return QStringLiteral(":/custom/") + QString::number(resourceId);
}

QString dataPath(const QString& dataFolder, const QString& name) {
    if (dataFolder.isEmpty())
        return {};
    return dataFolder + QLatin1Char('/') + name;
}

int installCarriedFiles(const QString& dataFolder, IFileOps& files, const QList<CarriedFile>& which) {
    if (dataFolder.isEmpty())
        return 0; // no private folder: write nothing rather than somewhere shared
    int written = 0;
    for (const CarriedFile& item : which) {
        const QString resource = resourcePath(item.resourceId);
        if (!QResource(resource).isValid())
            continue;
        const QByteArray bytes = carriedBytes(resource);
        const QString path = dataPath(dataFolder, item.fileName);
        // A file that already holds exactly these bytes (another copy of the program, or
        // the last start) is left as it is: writing it again gives the same file.
        if (holdsExactly(path, bytes) || files.writeFileAtomically(path, bytes))
            ++written;
    }
    return written;
}

ShutdownSequence::ShutdownSequence(IRecorder& recorder, IMediaPlayer& player, IFileOps& files,
                                   DataFolderLock* lock, std::function<void()> endProcess)
    : recorder_(recorder)
    , player_(player)
    , files_(files)
    , lock_(lock)
    , endProcess_(std::move(endProcess)) {}

void ShutdownSequence::run(const QString& dataFolder) {
    if (ran_)
        return;
    ran_ = true;

    recorder_.sendString(QStringLiteral("close   all"));

    // This copy's recording is its own: it goes whether or not others still run.
    if (!dataFolder.isEmpty())
        files_.deleteFile(dataPath(dataFolder, recordingName()));
    const bool last = lock_ == nullptr || lock_->tryBecomeLast();
    if (last && !dataFolder.isEmpty()) {
        files_.deleteFile(dataPath(dataFolder, files::dictionary));
        files_.deleteFile(dataPath(dataFolder, files::database));
        files_.deleteFile(dataPath(dataFolder, files::recording));
        files_.removeFolder(dataPath(dataFolder, files::audioCopies));
        files_.deleteFile(dataPath(dataFolder, recordingLock));
        if (folder_)
            removeOrphanedRecordings(*folder_);
    }
    if (folder_ && folder_->isFresh())
        folder_->removeAll();
    if (lock_)
        lock_->release();

    player_.close();

    if (endProcess_)
        endProcess_();
}

} // namespace lesnor
