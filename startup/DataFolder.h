#pragma once

#include <QString>

namespace lesnor {

// The folder all data files live in, ending in "/". It is the user's private folder
// `<temp>/lesnor-<uid>/` (mode 0700). A folder of that name that is not a real
// directory owned by this user with no group or other access (a planted symlink,
// someone else's folder) is never used: a fresh private folder is made instead.
// Returns "" only when no private folder can be had at all.
QString resolveDataFolder(const QString& tempPath);

// The program-wide value, fixed once by start-up and read everywhere else.
const QString& DataFolder();
void setDataFolder(const QString& folder);

// The folder that holds the executable, ending in "/"; the lesson recordings live in
// its "语音库" subfolder.
const QString& ProgramFolder();
void setProgramFolder(const QString& folder);

// Holds a shared lock on the data folder while the program runs, so that of two copies
// running at once only the last to exit removes the data files the other still uses.
class DataFolderLock {
public:
    DataFolderLock() = default;
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the shared lock, waiting while another copy is cleaning up.
    bool acquireShared(const QString& folder);
    // True when no other copy holds the folder; the lock is then exclusive until
    // release(). False when another copy is still running (or no lock was held).
    bool tryBecomeLast();
    void release();

private:
    int fd_ = -1;
};

} // namespace lesnor
