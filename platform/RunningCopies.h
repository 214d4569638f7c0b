#pragma once

#include <QString>

namespace lesnor {

class PrivateFolder;

// Copies of the program running at once share the data folder's carried files, but each
// records into a file of its own, and what a killed copy left behind goes at the next
// start.
//
// The first copy holds the claim on "mcesound.wav" (an exclusive lock on
// "mcesound.lock" in the folder, held until the process ends, so a killed copy's claim
// goes with it); a copy that finds it held records into "mcesound-<pid>.wav".
class RecordingClaim {
public:
    RecordingClaim() = default;
    ~RecordingClaim();
    RecordingClaim(const RecordingClaim&) = delete;
    RecordingClaim& operator=(const RecordingClaim&) = delete;

    // Claims a recording name in `folder` and returns it (also recordingName() from then on).
    QString claim(PrivateFolder& folder);

private:
    int lockFd_ = -1;
};

// The claim's lock file. The last copy to exit removes it: it holds the folder's lock
// then, so no copy can be claiming at the same time.
inline const QString recordingLock = QStringLiteral("mcesound.lock");

// This copy's recording, a name inside the data folder: "mcesound.wav" until a claim
// says otherwise.
const QString& recordingName();

// The recordings "mcesound-<pid>.wav" of copies no longer running, and scratch files
// left by a killed run, removed from `folder`. Returns how many went.
int removeOrphanedRecordings(PrivateFolder& folder);

// In the temp folder `tempPath`: this user's fresh data folders ("lesnor-<uid>-XXXXXX",
// made when the usual one was refused) that no running copy holds (none has its lock)
// and that are older than `minAgeSeconds`, and capture files ("lesnor-capture-*.raw")
// of earlier versions, removed. Returns how many went.
int removeAbandonedFolders(const QString& tempPath, int minAgeSeconds = 10);

} // namespace lesnor
