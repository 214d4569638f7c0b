#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace lesnor {

class IFileOps;
class IMediaPlayer;
class IRecorder;
class DataFolderLock;
class PrivateFolder;

// A data block the executable carries (Qt resource ":/custom/<id>") and the file name
// it is written to in the data folder.
struct CarriedFile {
    int resourceId;
    QString fileName;
};

// Resources 102 (phonetic font), 103 (dictionary) and 105 (lesson database).
// The platform's control libraries (resources 101 and 104) have no counterpart here:
// Qt's own widgets take their place, so nothing is written or registered for them.
const QList<CarriedFile>& carriedFiles();

QString resourcePath(int resourceId);

// The fixed names of the files and folders under the data folder.
namespace files {
inline const QString font = QStringLiteral("Ksphonet.TTF");
inline const QString dictionary = QStringLiteral("mswrd.wd");
inline const QString database = QStringLiteral("qlxxcl.wrd");
inline const QString recording = QStringLiteral("mcesound.wav");
inline const QString audioCopies = QStringLiteral("sounenclff");
} // namespace files

// Path of a data file: the data folder followed by "/" and the name. "" without a data
// folder: nothing is ever looked for at the file system's root.
QString dataPath(const QString& dataFolder, const QString& name);

// Writes each carried file completely (whole file, old longer content gone) to the
// data folder. A missing resource or an unwritable folder skips that file and goes
// on with the next. Returns how many files were written.
int installCarriedFiles(const QString& dataFolder, IFileOps& files,
                        const QList<CarriedFile>& which = carriedFiles());

// The program's way out. Runs once, whichever trigger calls it first: closes every
// recording device, removes this copy's recording (recordingName()), then the data files,
// the audio copies, the recording claim's lock and recordings of copies no longer
// running (only when this is the last running copy; the font stays), removes a data
// folder made under a fresh name for this process alone (see setFolder), closes the
// player and ends the process through `endProcess`.
class ShutdownSequence {
public:
    ShutdownSequence(IRecorder& recorder, IMediaPlayer& player, IFileOps& files, DataFolderLock* lock,
                     std::function<void()> endProcess);

    // The open data folder: when it isFresh(), nobody else knows it and it goes whole.
    void setFolder(PrivateFolder* folder) { folder_ = folder; }

    void run(const QString& dataFolder);
    bool hasRun() const { return ran_; }

private:
    IRecorder& recorder_;
    IMediaPlayer& player_;
    IFileOps& files_;
    DataFolderLock* lock_;
    PrivateFolder* folder_ = nullptr;
    std::function<void()> endProcess_;
    bool ran_ = false;
};

} // namespace lesnor
