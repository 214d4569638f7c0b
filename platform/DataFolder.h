#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace lesnor {

// The private data folder, held open from start-up on. Every later look, create, write
// and delete in it goes through its descriptor, relative to it, and never follows a
// link: swapping the folder's name for something else after the check (another user in
// a shared temp folder) redirects nothing, and a link planted inside is replaced or
// removed as a link, never written or deleted through.
//
// Names inside are relative ("mswrd.wd", "sounenclff/QLX101.mp3"); "", "." and ".."
// parts are refused.
class PrivateFolder {
public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Opens `<temp>/lesnor-<uid>/` (mode 0700), making it when missing. A folder of that
    // name that is not a real directory owned by this user with no group or other access
    // (a planted symlink, someone else's folder) is never used: a fresh private folder
    // `lesnor-<uid>-XXXXXX` is made instead (isFresh()). False when none can be had.
    bool open(const QString& tempPath);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // The folder's path, ending in "/"; "" when not open.
    QString path() const { return path_; }
    // Made under a fresh name for this process alone: removeAll() at exit.
    bool isFresh() const { return fresh_; }
    // A descriptor of the folder itself (for locks), -1 when not open.
    int descriptor() const { return fd_; }
    // `path` as a name relative to the folder ("" for the folder itself), or nullopt
    // when it lies outside it (or the folder is not open).
    std::optional<QString> nameOf(const QString& path) const;

    bool isPlainFile(const QString& name) const; // a regular file, not a link, not hidden
    bool exists(const QString& name) const;      // anything but a link
    // Makes the folder; an existing real folder is fine, anything else there is removed.
    bool makeFolder(const QString& name);
    // The whole file under a temporary name, then renamed over `name`: a link or file of
    // that name is replaced, never written through.
    bool writeFile(const QString& name, const QByteArray& bytes);
    // The same with the content of the file `fromFd` (read to its end).
    bool writeFileFrom(const QString& name, int fromFd);
    // A descriptor for reading `name`, not through a link; -1 on failure.
    int openForReading(const QString& name) const;
    bool removeFile(const QString& name); // a file or a link; never a folder
    bool removeTree(const QString& name); // a folder with its content, or a file or link
    // Removes everything in the folder and the folder itself; closes it.
    bool removeAll();

private:
    // A descriptor of the folder that holds `name`'s last part, and that part; -1 when a
    // part on the way is missing, a link or refused. Close it unless it is fd_.
    int parentOf(const QString& name, QByteArray* last) const;
    bool writeFileFrom(const QString& name, int fromFd, const QByteArray* bytes);

    int fd_ = -1;
    QString path_;
    QString parentPath_;
    QByteArray baseName_;
    bool fresh_ = false;
};

// Removes everything inside the directory `dirFd`, never following a link; closes it.
bool removeDirectoryContents(int dirFd);

// The folder all data files live in, ending in "/": PrivateFolder::open's choice.
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
    // The same on an open folder (no second look-up of its name).
    bool acquireShared(const PrivateFolder& folder);
    // True when no other copy holds the folder; the lock is then exclusive until
    // release(). False when another copy is still running (or no lock was held).
    bool tryBecomeLast();
    void release();

private:
    bool lockShared();
    int fd_ = -1;
};

} // namespace lesnor
