#include "learner/SqliteLearnerStore.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

namespace lesnor {
namespace {

// SQLite's primary result codes, as Qt's driver reports them (nativeErrorCode()).
enum SqliteCode {
    Perm = 3,
    Busy = 5,
    ReadOnly = 8,
    IoError = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADb = 26
};

int codeOf(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

bool isBrokenFile(const QSqlError& error) {
    const int code = codeOf(error);
    return code == Corrupt || code == NotADb;
}

QString reasonOf(const QSqlError& error) {
    switch (codeOf(error)) {
    case Full:
        return QStringLiteral("磁盘已满");
    case ReadOnly:
    case Perm:
    case CantOpen:
        return QStringLiteral("文件或文件夹不可写");
    case Busy:
        return QStringLiteral("另一个程序长时间占用了它");
    case IoError:
        return QStringLiteral("读写出错");
    default:
        return error.text();
    }
}

QString notSavingNotice(const QString& reason) {
    return QStringLiteral("学习记录无法保存（%1），本次的学习记录不会保留").arg(reason);
}

const QString kNewerFile = QStringLiteral("学习记录来自较新版本的程序，本次的学习记录不会保存");

QAtomicInt g_connections;

} // namespace

const QList<QStringList>& SqliteLearnerStore::migrations() {
    static const QList<QStringList> steps = {
        // 1: where the learner stopped, lessons done, the words looked up.
        {
            QStringLiteral(
                "CREATE TABLE place (id INTEGER PRIMARY KEY CHECK (id = 1), book INTEGER NOT NULL, "
                "lesson INTEGER NOT NULL, sentence INTEGER NOT NULL, at TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE lessons (book INTEGER NOT NULL, lesson INTEGER NOT NULL, "
                           "read_through TEXT, dictated TEXT, PRIMARY KEY (book, lesson))"),
            QStringLiteral("CREATE TABLE words (word_key TEXT PRIMARY KEY, headword TEXT NOT NULL, "
                           "phonetic TEXT NOT NULL DEFAULT '', meaning TEXT NOT NULL DEFAULT '', "
                           "sentence TEXT NOT NULL DEFAULT '', book INTEGER NOT NULL DEFAULT 0, "
                           "lesson INTEGER NOT NULL DEFAULT 0, count INTEGER NOT NULL DEFAULT 1, "
                           "first_seen TEXT NOT NULL, last_seen TEXT NOT NULL)"),
        },
        // 2: the form the word was met in, the mastered tick, the best dictation score.
        {
            QStringLiteral("ALTER TABLE words ADD COLUMN form TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("UPDATE words SET form = headword"),
            QStringLiteral("ALTER TABLE words ADD COLUMN mastered INTEGER NOT NULL DEFAULT 0"),
            QStringLiteral("ALTER TABLE lessons ADD COLUMN best_dictation INTEGER"),
        },
    };
    return steps;
}

QString learnerDatabasePath() {
    const QString set = qEnvironmentVariable("LESNOR_LEARNER_DB");
    if (!set.isEmpty())
        return set;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lesnor/learner.sqlite");
}

SqliteLearnerStore::SqliteLearnerStore(const QString& path, Access access)
    : path_(path) {
    if (access == Access::ReadOnly) {
        if (!QFileInfo(path_).isFile()) {
            readError_ = QStringLiteral("no such file");
            return;
        }
        Health health = connect(Open::ReadOnly) ? examine() : Health::Unreachable;
        if (health == Health::Unreachable)
            health = connect(Open::Unchanging) ? examine() : Health::Unreachable;
        readable_ = health == Health::Ours && version_ >= 1;
        if (!readable_ && readError_.isEmpty())
            readError_ = QStringLiteral("not a learner's record");
        return;
    }

    const QFileInfo file(path_);
    if (!QDir().mkpath(file.absolutePath()) || !connect(Open::ReadWrite)) {
        problem_ = notSavingNotice(QStringLiteral("文件或文件夹不可写"));
        return;
    }
    Health health = examine();
    if (health == Health::Foreign || health == Health::Broken) {
        moveAside();
        health = connect(Open::ReadWrite) ? examine() : Health::Unreachable;
    }
    if (health == Health::Unreachable && QFileInfo(path_).isFile()) {
        // A read-only file in a read-only folder can still be read as an unchanging
        // one: a WAL file otherwise needs its shared-memory file made beside it.
        const QSqlError writeError = lastError_;
        health = connect(Open::Unchanging) ? examine() : Health::Unreachable;
        if (health == Health::Ours)
            readable_ = true;
        lastError_ = writeError;
        problem_ = notSavingNotice(QStringLiteral("文件或文件夹不可写"));
        return;
    }
    if (health != Health::Ours && health != Health::Empty) {
        problem_ = notSavingNotice(lastError_.isValid() ? reasonOf(lastError_)
                                                        : QStringLiteral("文件或文件夹不可写"));
        return;
    }
    readable_ = true;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    const bool writable =
        (!file.exists() || file.isWritable()) && QFileInfo(file.absolutePath()).isWritable();
    if (!writable) {
        problem_ = notSavingNotice(QStringLiteral("文件或文件夹不可写"));
    } else if (version_ > schemaVersion) {
        problem_ = kNewerFile;
    } else if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || (q.finish(), !migrate(version_))) {
        if (problem_.isEmpty())
            problem_ = notSavingNotice(reasonOf(q.lastError()));
    } else {
        saving_ = true;
    }
    if (!movedAside_.isEmpty() && problem_.isEmpty())
        problem_ = QStringLiteral("学习记录文件已损坏或不是本程序的，已移到 %1，新的记录从现在开始")
                       .arg(QFileInfo(movedAside_).fileName());
}

SqliteLearnerStore::~SqliteLearnerStore() {
    disconnect();
}

bool SqliteLearnerStore::connect(Open open) {
    disconnect();
    connection_ = QStringLiteral("lesnor-learner-%1").arg(g_connections.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    if (open == Open::Unchanging) {
        db.setDatabaseName(
            QUrl::fromLocalFile(QFileInfo(path_).absoluteFilePath()).toString(QUrl::FullyEncoded) +
            QStringLiteral("?immutable=1"));
        options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
    } else {
        db.setDatabaseName(path_);
        if (open == Open::ReadOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(options);
    if (!db.open()) {
        lastError_ = db.lastError();
        readError_ = lastError_.text();
        return false;
    }
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA synchronous = FULL"));
    q.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    return true;
}

void SqliteLearnerStore::disconnect() {
    if (connection_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    connection_.clear();
}

// Reads the header and checks the pages: whose file this is and whether it is whole.
SqliteLearnerStore::Health SqliteLearnerStore::examine() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    const auto value = [&q](const QString& sql, QVariant* out) {
        if (!q.exec(sql) || !q.next())
            return false;
        *out = q.value(0);
        q.finish(); // a statement left active would hold its read lock
        return true;
    };
    QVariant id, version, tables, check;
    if (!value(QStringLiteral("PRAGMA application_id"), &id) ||
        !value(QStringLiteral("PRAGMA user_version"), &version) ||
        !value(QStringLiteral("SELECT count(*) FROM sqlite_master"), &tables) ||
        !value(QStringLiteral("PRAGMA quick_check"), &check)) {
        lastError_ = q.lastError();
        readError_ = lastError_.text();
        return isBrokenFile(q.lastError()) ? Health::Broken : Health::Unreachable;
    }
    if (check.toString() != QLatin1String("ok")) {
        readError_ = QStringLiteral("damaged: ") + check.toString();
        return Health::Broken;
    }
    version_ = version.toInt();
    if (id.toInt() == applicationId)
        return Health::Ours;
    return id.toInt() == 0 && version_ == 0 && tables.toInt() == 0 ? Health::Empty : Health::Foreign;
}

bool SqliteLearnerStore::migrate(int from) {
    if (from >= schemaVersion)
        return true;
    return transact([this, from] {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        QStringList statements;
        for (int version = from + 1; version <= schemaVersion; ++version)
            statements << migrations().at(version - 1);
        statements << QStringLiteral("PRAGMA application_id = %1").arg(applicationId)
                   << QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion);
        for (const QString& sql : std::as_const(statements)) {
            if (!q.exec(sql)) {
                noteFailure(q.lastError());
                return false;
            }
        }
        version_ = schemaVersion;
        return true;
    });
}

void SqliteLearnerStore::moveAside() {
    disconnect();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path_ + QStringLiteral(".broken-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path_ + QStringLiteral(".broken-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(path_, target))
        return;
    movedAside_ = target;
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString journal = path_ + QLatin1String(suffix);
        if (QFileInfo::exists(journal))
            QFile::rename(journal, target + QLatin1String(suffix));
    }
}

bool SqliteLearnerStore::transact(const std::function<bool()>& body) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        noteFailure(q.lastError());
        return false;
    }
    // A failing body has said why already.
    const bool done = body();
    if (done && q.exec(QStringLiteral("COMMIT")))
        return true;
    if (done)
        noteFailure(q.lastError());
    q.exec(QStringLiteral("ROLLBACK"));
    return false;
}

void SqliteLearnerStore::noteFailure(const QSqlError& error) {
    problem_ = notSavingNotice(reasonOf(error));
}

namespace {

// Binds the values in order and runs the statement.
bool run(QSqlQuery& q, const QString& sql, const QVariantList& values) {
    if (!q.prepare(sql))
        return false;
    // A null QString would bind as SQL NULL: text columns hold "" instead.
    for (const QVariant& v : values)
        q.addBindValue(v.typeId() == QMetaType::QString && v.toString().isNull()
                           ? QVariant(QString::fromLatin1(""))
                           : v);
    return q.exec();
}

struct Saver {
    QSqlQuery& q;

    bool operator()(const change::LookedUp& c) const {
        const NotebookWord& w = c.word;
        const QString at = timeText(c.at);
        return run(
            q,
            QStringLiteral(
                "INSERT INTO words (word_key, headword, form, phonetic, meaning, sentence, book, lesson, "
                "count, first_seen, last_seen, mastered) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?, 0) "
                "ON CONFLICT (word_key) DO UPDATE SET count = count + 1, "
                "last_seen = max(last_seen, excluded.last_seen), mastered = 0, "
                "form = iif(sentence = '' AND excluded.sentence <> '', excluded.form, form), "
                "book = iif(sentence = '' AND excluded.sentence <> '', excluded.book, book), "
                "lesson = iif(sentence = '' AND excluded.sentence <> '', excluded.lesson, lesson), "
                "sentence = iif(sentence = '' AND excluded.sentence <> '', excluded.sentence, sentence)"),
            {wordKey(w.headword), w.headword, w.form, w.phonetic, w.meaning, w.sentence, w.lesson.book,
             w.lesson.lesson, at, at});
    }
    bool operator()(const change::PlaceReached& c) const {
        return run(q,
                   QStringLiteral("INSERT OR REPLACE INTO place (id, book, lesson, sentence, at) "
                                  "VALUES (1, ?, ?, ?, ?)"),
                   {c.place.lesson.book, c.place.lesson.lesson, c.place.sentence,
                    timeText(QDateTime::currentDateTimeUtc())});
    }
    bool operator()(const change::LessonFinished& c) const {
        const QString column =
            c.how == change::Activity::Reading ? QStringLiteral("read_through") : QStringLiteral("dictated");
        return run(q,
                   QStringLiteral("INSERT INTO lessons (book, lesson, %1) VALUES (?, ?, ?) "
                                  "ON CONFLICT (book, lesson) DO UPDATE SET %1 = coalesce(%1, excluded.%1)")
                       .arg(column),
                   {c.lesson.book, c.lesson.lesson, timeText(QDateTime::currentDateTimeUtc())});
    }
    bool operator()(const change::DictationScored& c) const {
        return run(
            q,
            QStringLiteral("INSERT INTO lessons (book, lesson, best_dictation) VALUES (?, ?, ?) "
                           "ON CONFLICT (book, lesson) DO UPDATE SET "
                           "best_dictation = max(coalesce(best_dictation, -1), excluded.best_dictation)"),
            {c.lesson.book, c.lesson.lesson, qBound(0, c.score, 100)});
    }
    bool operator()(const change::Mastered& c) const {
        return run(q, QStringLiteral("UPDATE words SET mastered = ? WHERE word_key = ?"),
                   {c.mastered ? 1 : 0, wordKey(c.headword)});
    }
    bool operator()(const change::Removed& c) const {
        return run(q, QStringLiteral("DELETE FROM words WHERE word_key = ?"), {wordKey(c.headword)});
    }
};

} // namespace

bool SqliteLearnerStore::save(const RecordChange& change) {
    if (!saving_)
        return false;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    return transact([&] {
        if (std::visit(Saver{q}, change))
            return true;
        noteFailure(q.lastError());
        return false;
    });
}

LearnerSnapshot SqliteLearnerStore::load() {
    LearnerSnapshot s;
    if (!readable_)
        return s;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // One read transaction: the three tables as one moment saw them.
    q.exec(QStringLiteral("BEGIN"));
    const bool v2 = version_ >= 2;
    if (q.exec(QStringLiteral("SELECT book, lesson, sentence FROM place WHERE id = 1")) && q.next())
        s.place = LastPlace{{q.value(0).toInt(), q.value(1).toInt()}, q.value(2).toInt()};
    if (q.exec(QStringLiteral(
                   "SELECT book, lesson, read_through IS NOT NULL, dictated IS NOT NULL, %1 FROM lessons")
                   .arg(v2 ? QStringLiteral("coalesce(best_dictation, -1)") : QStringLiteral("-1")))) {
        while (q.next())
            s.lessons.insert({q.value(0).toInt(), q.value(1).toInt()},
                             {q.value(2).toBool(), q.value(3).toBool(), q.value(4).toInt()});
    }
    if (q.exec(QStringLiteral(
                   "SELECT headword, %1, phonetic, meaning, sentence, book, lesson, count, first_seen, "
                   "last_seen, %2 FROM words")
                   .arg(v2 ? QStringLiteral("form") : QStringLiteral("headword"),
                        v2 ? QStringLiteral("mastered") : QStringLiteral("0")))) {
        while (q.next()) {
            NotebookWord w;
            w.headword = q.value(0).toString();
            w.form = q.value(1).toString();
            w.phonetic = q.value(2).toString();
            w.meaning = q.value(3).toString();
            w.sentence = q.value(4).toString();
            w.lesson = {q.value(5).toInt(), q.value(6).toInt()};
            w.count = q.value(7).toInt();
            w.first = timeFromText(q.value(8).toString());
            w.last = timeFromText(q.value(9).toString());
            w.mastered = q.value(10).toBool();
            s.words.insert(wordKey(w.headword), w);
        }
    }
    q.exec(QStringLiteral("COMMIT"));
    return s;
}

} // namespace lesnor
