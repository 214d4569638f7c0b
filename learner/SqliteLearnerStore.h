#pragma once

#include "learner/LearnerStore.h"

#include <QSqlError>
#include <QString>
#include <QStringList>
#include <functional>

namespace lesnor {

// The learner's record in one SQLite file, through Qt SQL ("QSQLITE").
//
// The file: application id "LNR1" and the schema version in its header; WAL journal,
// every save a transaction begun IMMEDIATE (so two programs on one file queue instead of
// failing), synchronous FULL, a busy timeout of 5 s. Opening for writing creates a new
// file, migrates an older one step by step, and moves a corrupt or foreign file aside
// (`<file>.broken-<date>-<time>`, its journal files with it) before starting afresh. A
// file it cannot write (read-only, full disk, from a newer program) is read if it can
// be and nothing is saved; problem() says which. A connection belongs to the thread
// that made the store.
class SqliteLearnerStore final : public ILearnerStore {
public:
    enum class Access {
        ReadWrite, // the program: creates, migrates, moves a broken file aside
        ReadOnly,  // scripts: never changes, creates or moves the file
    };
    static constexpr int schemaVersion = 2;
    static constexpr int applicationId = 0x4c4e5231;

    explicit SqliteLearnerStore(const QString& path, Access access = Access::ReadWrite);
    ~SqliteLearnerStore() override;
    SqliteLearnerStore(const SqliteLearnerStore&) = delete;
    SqliteLearnerStore& operator=(const SqliteLearnerStore&) = delete;

    // True when the file was read or made; false when there is nothing to read (the
    // file is missing, unreadable or broken, for ReadOnly also older than version 1).
    bool isReadable() const { return readable_; }
    bool isSaving() const { return saving_; }
    // Why the file could not be read, for messages of scripts ("" when it could).
    const QString& readError() const { return readError_; }
    // Where a broken file was moved; "" when none was.
    const QString& movedAsidePath() const { return movedAside_; }

    LearnerSnapshot load() override;
    bool save(const RecordChange& change) override;
    QString problem() const override { return problem_; }

    // The statements that take a file from version n - 1 to version n, at index n - 1.
    static const QList<QStringList>& migrations();

private:
    enum class Health { Ours, Empty, Foreign, Broken, Unreachable };
    enum class Open { ReadWrite, ReadOnly, Unchanging };
    bool connect(Open open);
    void disconnect();
    Health examine();
    bool migrate(int from);
    void moveAside();
    bool transact(const std::function<bool()>& body);
    void noteFailure(const QSqlError& error);

    QString path_;
    QString connection_;
    int version_ = 0;
    bool readable_ = false;
    bool saving_ = false;
    QString readError_;
    QSqlError lastError_;
    QString movedAside_;
    QString problem_;
};

// The record's file: $LESNOR_LEARNER_DB when set, else "lesnor/learner.sqlite" in the
// user's data folder (~/.local/share/lesnor/learner.sqlite).
QString learnerDatabasePath();

} // namespace lesnor
