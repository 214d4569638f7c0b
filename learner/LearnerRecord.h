#pragma once

#include "learner/LearnerStore.h"

#include <QObject>
#include <QSet>
#include <functional>
#include <memory>

namespace lesnor {

// The learner's record as the windows see it: a snapshot in memory that every change
// updates at once, and a store that saves the changes in the background, one
// transaction each, in the order they were made. Nothing here waits for the disk on the
// calling thread, except flush().
//
// The store is made, used and destroyed on the record's own thread (OwnThread), or on
// the caller's (Inline, for tests with a fake store). Until the store's first snapshot
// has arrived isLoaded() is false; changes made meanwhile are kept and applied on top of
// it. What the store cannot do is said through notice(), each text once.
class LearnerRecord : public QObject {
    Q_OBJECT
public:
    using StoreFactory = std::function<std::unique_ptr<ILearnerStore>()>;
    enum class Threading { OwnThread, Inline };

    explicit LearnerRecord(StoreFactory openStore, Threading threading = Threading::OwnThread,
                           QObject* parent = nullptr);
    // Saves what is still queued (waiting at most 5 s), then ends the thread.
    ~LearnerRecord() override;

    bool isLoaded() const { return loaded_; }
    const LearnerSnapshot& snapshot() const { return snapshot_; }

    void record(const RecordChange& change);
    // Reads the store again after the changes made so far are saved (another copy of the
    // program may have added to it); changed() follows when it is read.
    void reload();
    // Waits until every change made so far has been saved or has failed; false when
    // `milliseconds` passed first.
    bool flush(int milliseconds = 5000);

signals:
    void changed();
    void notice(const QString& text);

private:
    struct Worker;
    void loaded(quint64 ticket, const LearnerSnapshot& snapshot);
    void say(const QString& text);

    std::unique_ptr<Worker> worker_;
    LearnerSnapshot snapshot_;
    bool loaded_ = false;
    bool loadPending_ = true;
    quint64 latestTicket_ = 1;
    QList<RecordChange> sinceLoad_;
    QSet<QString> said_;
};

} // namespace lesnor
