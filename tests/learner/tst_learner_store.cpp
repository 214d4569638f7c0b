// The learner's record in SQLite: every kind of change saved and read back as the
// in-memory rules say, schema creation and migration, broken and foreign files, a file
// that cannot be written, two connections writing at once.

#include "FakeLearnerStore.h"
#include "learner/SqliteLearnerStore.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <unistd.h>

using namespace lesnor;

namespace {

const QDateTime t0 = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);

NotebookWord word(const QString& headword, const QString& sentence = QString(), LessonKey lesson = {1, 3}) {
    NotebookWord w;
    w.headword = headword;
    w.form = headword + QStringLiteral("s");
    w.phonetic = QStringLiteral("ˈbʊk");
    w.meaning = QStringLiteral("n.书\t本");
    w.sentence = sentence;
    w.lesson = lesson;
    return w;
}

RecordChange lookedUp(const QString& headword, int minutes, const QString& sentence = QString()) {
    return change::LookedUp{word(headword, sentence), t0.addSecs(60 * minutes)};
}

// Runs `sql` on the file through a connection of its own; the first column of the
// first row.
QVariant scalar(const QString& path, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return value;
}

} // namespace

class LearnerStoreTest : public QObject {
    Q_OBJECT
private slots:
    void savesEveryChangeAsTheRulesSay_data();
    void savesEveryChangeAsTheRulesSay();
    void newFileCarriesItsSchema();
    void migratesFromVersion1();
    void movesBrokenAndForeignFilesAside_data();
    void movesBrokenAndForeignFilesAside();
    void runsOnWithoutSavingWhereItCannotWrite();
    void keepsANewerProgramsFileUntouched();
    void twoConnectionsWritingAtOnceLoseNothing();
};

void LearnerStoreTest::savesEveryChangeAsTheRulesSay_data() {
    QTest::addColumn<QList<RecordChange>>("changes");
    const auto finished = [](int lesson, change::Activity how) {
        return RecordChange(change::LessonFinished{{2, lesson}, how});
    };
    const auto scored = [](int score) { return RecordChange(change::DictationScored{{1, 5}, score}); };
    QTest::newRow("a new word") << QList<RecordChange>{lookedUp("book", 0, "A book.")};
    QTest::newRow("again: counted, last time moved, first sentence kept") << QList<RecordChange>{
        lookedUp("book", 0, "A book."), lookedUp("Book", 5, "Two books."), lookedUp("book", 2)};
    QTest::newRow("a sentence comes with a later look-up")
        << QList<RecordChange>{lookedUp("pen", 0), lookedUp("pen", 1, "My pen.")};
    QTest::newRow("mastered, then looked up again")
        << QList<RecordChange>{lookedUp("pen", 0), change::Mastered{QStringLiteral("PEN"), true},
                               lookedUp("car", 1), lookedUp("pen", 2)};
    QTest::newRow("mastered and removed") << QList<RecordChange>{
        lookedUp("pen", 0), lookedUp("car", 1), change::Mastered{QStringLiteral("car"), true},
        change::Removed{QStringLiteral("Pen")}, change::Removed{QStringLiteral("absent")}};
    QTest::newRow("the last place wins")
        << QList<RecordChange>{change::PlaceReached{{{1, 3}, 4}}, change::PlaceReached{{{4, 48}, -1}}};
    QTest::newRow("lessons read through and dictated") << QList<RecordChange>{
        finished(7, change::Activity::Reading), finished(7, change::Activity::Dictation),
        finished(8, change::Activity::Dictation), finished(7, change::Activity::Reading)};
    QTest::newRow("the best dictation score stays, bounded")
        << QList<RecordChange>{scored(60), scored(85), scored(40), scored(140)};
}

void LearnerStoreTest::savesEveryChangeAsTheRulesSay() {
    QFETCH(QList<RecordChange>, changes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    LearnerSnapshot expected;
    {
        SqliteLearnerStore store(path);
        QVERIFY(store.isSaving());
        QCOMPARE(store.problem(), QString());
        for (const RecordChange& c : changes) {
            QVERIFY(store.save(c));
            applyChange(expected, c);
        }
        QCOMPARE(store.load(), expected);
    }
    // Read back by a new connection, as after a restart, and by the scripts' read-only one.
    QCOMPARE(SqliteLearnerStore(path).load(), expected);
    QCOMPARE(SqliteLearnerStore(path, SqliteLearnerStore::Access::ReadOnly).load(), expected);
}

void LearnerStoreTest::newFileCarriesItsSchema() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/folder/learner.sqlite"));
    { SqliteLearnerStore store(path); }
    QCOMPARE(scalar(path, QStringLiteral("PRAGMA user_version")).toInt(), SqliteLearnerStore::schemaVersion);
    QCOMPARE(scalar(path, QStringLiteral("PRAGMA application_id")).toInt(),
             SqliteLearnerStore::applicationId);
    QCOMPARE(scalar(path, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QCOMPARE(scalar(path, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")).toInt(),
             3);
}

void LearnerStoreTest::migratesFromVersion1() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QStringList statements = SqliteLearnerStore::migrations().at(0);
        statements << QStringLiteral("PRAGMA application_id = %1").arg(SqliteLearnerStore::applicationId)
                   << QStringLiteral("PRAGMA user_version = 1")
                   << QStringLiteral(
                          "INSERT INTO words (word_key, headword, phonetic, meaning, sentence, book, "
                          "lesson, count, first_seen, last_seen) VALUES ('pen', 'pen', 'pɛn', 'n.笔', "
                          "'My pen.', 1, 2, 3, '2026-01-01T00:00:00.000Z', '2026-01-02T00:00:00.000Z')")
                   << QStringLiteral("INSERT INTO lessons (book, lesson, read_through) VALUES (1, 2, 'x')")
                   << QStringLiteral("INSERT INTO place VALUES (1, 1, 2, 5, 'x')");
        for (const QString& sql : std::as_const(statements))
            QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));

    // A script reads a version 1 file as it is, without changing it.
    const LearnerSnapshot v1 = SqliteLearnerStore(path, SqliteLearnerStore::Access::ReadOnly).load();
    QCOMPARE(scalar(path, QStringLiteral("PRAGMA user_version")).toInt(), 1);

    SqliteLearnerStore store(path);
    QVERIFY(store.isSaving());
    QCOMPARE(scalar(path, QStringLiteral("PRAGMA user_version")).toInt(), SqliteLearnerStore::schemaVersion);
    const LearnerSnapshot s = store.load();
    QCOMPARE(s, v1);
    QCOMPARE(s.place, std::optional<LastPlace>(LastPlace{{1, 2}, 5}));
    QCOMPARE(s.lessons.value({1, 2}), (LessonMarks{true, false, -1}));
    const NotebookWord pen = s.words.value(QStringLiteral("pen"));
    QCOMPARE(pen.form, QStringLiteral("pen"));
    QCOMPARE(pen.count, 3);
    QCOMPARE(pen.last, QDateTime(QDate(2026, 1, 2), QTime(0, 0), Qt::UTC));
    QVERIFY(!pen.mastered);
    QVERIFY(store.save(change::DictationScored{{1, 2}, 70}));
}

void LearnerStoreTest::movesBrokenAndForeignFilesAside_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("sql"); // run on the file when bytes are empty
    QTest::newRow("not a database") << QByteArray("this is no database at all\n").repeated(200) << QString();
    QTest::newRow("another program's database")
        << QByteArray() << QStringLiteral("CREATE TABLE songs (title TEXT)");
    QTest::newRow("ours with a damaged page") << QByteArray("damage") << QString();
}

void LearnerStoreTest::movesBrokenAndForeignFilesAside() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, sql);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    if (bytes == "damage") {
        {
            SqliteLearnerStore store(path);
            for (int i = 0; i < 300; ++i)
                QVERIFY(
                    store.save(lookedUp(QStringLiteral("word%1").arg(i), i, QString(200, QLatin1Char('x')))));
        }
        scalar(path, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 8 * 4096);
        file.seek(4096 * 3);
        file.write(QByteArray(4096 * 3, '\xa5'));
    } else if (!bytes.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    } else {
        scalar(path, sql);
    }
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    SqliteLearnerStore reader(path, SqliteLearnerStore::Access::ReadOnly);
    QVERIFY(!reader.isReadable());
    QVERIFY(!reader.readError().isEmpty());

    SqliteLearnerStore store(path);
    QVERIFY(store.isSaving());
    QVERIFY(store.movedAsidePath().startsWith(path + QStringLiteral(".broken-")));
    QVERIFY2(store.problem().contains(QFileInfo(store.movedAsidePath()).fileName()),
             qPrintable(store.problem()));
    QFile moved(store.movedAsidePath());
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), before);
    QCOMPARE(store.load(), LearnerSnapshot());
    QVERIFY(store.save(lookedUp("fresh", 0)));
    QCOMPARE(SqliteLearnerStore(path).load().words.size(), 1);
}

// Root writes anywhere: the file and folder are then opened as the unprivileged user
// "nobody" by the test's helper, which prints what the store says.
void LearnerStoreTest::runsOnWithoutSavingWhereItCannotWrite() {
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
    const QString kept = dir.filePath(QStringLiteral("kept/learner.sqlite"));
    {
        SqliteLearnerStore store(kept);
        QVERIFY(store.save(lookedUp("book", 0)));
    }
    scalar(kept, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const QFileDevice::Permissions readOnly =
        QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(QFileInfo(kept).absolutePath(), readOnly));
    QVERIFY(QFile::setPermissions(kept, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("empty"))));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("empty")), readOnly));

    struct Case {
        QString path;
        QString expected; // "<saving> <words> <saved>"
    };
    const QList<Case> cases = {
        {kept, QStringLiteral("0 1 0")},
        {dir.filePath(QStringLiteral("empty/learner.sqlite")), QStringLiteral("0 0 0")},
        {dir.filePath(QStringLiteral("empty/new/learner.sqlite")), QStringLiteral("0 0 0")},
    };
    for (const Case& c : cases) {
        QProcess p;
        QStringList args{QStringLiteral("probe"), c.path};
        QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/learner_helper");
        if (geteuid() == 0) {
            args.prepend(program);
            args = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                               QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                   args;
            program = QStringLiteral("setpriv");
        }
        p.start(program, args);
        QVERIFY(p.waitForFinished(30000));
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(out.value(0), c.expected);
        QVERIFY2(out.value(1).contains(QStringLiteral("不可写")), qPrintable(out.value(1)));
    }
    QFile::setPermissions(QFileInfo(kept).absolutePath(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(dir.filePath(QStringLiteral("empty")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void LearnerStoreTest::keepsANewerProgramsFileUntouched() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    {
        SqliteLearnerStore store(path);
        QVERIFY(store.save(lookedUp("book", 0)));
    }
    scalar(path, QStringLiteral("PRAGMA user_version = 9"));
    SqliteLearnerStore store(path);
    QVERIFY(!store.isSaving());
    QVERIFY(store.movedAsidePath().isEmpty());
    QVERIFY(!store.problem().isEmpty());
    QCOMPARE(store.load().words.size(), 1);
    QVERIFY(!store.save(lookedUp("pen", 1)));
    QCOMPARE(scalar(path, QStringLiteral("SELECT count(*) FROM words")).toInt(), 1);
}

// Two programs on one file: each waits for the other's transaction (busy timeout) and
// every increment of a shared word counts.
void LearnerStoreTest::twoConnectionsWritingAtOnceLoseNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    { SqliteLearnerStore store(path); }
    constexpr int perWriter = 150;
    QAtomicInt failures;
    auto writer = [&](const QString& prefix) {
        return QThread::create([&, prefix] {
            SqliteLearnerStore store(path);
            for (int i = 0; i < perWriter; ++i) {
                if (!store.save(lookedUp(QStringLiteral("shared"), i)) ||
                    !store.save(lookedUp(prefix + QString::number(i), i)) ||
                    !store.save(change::PlaceReached{{{1, 1}, i}}))
                    failures.fetchAndAddRelaxed(1);
            }
        });
    };
    std::unique_ptr<QThread> a(writer(QStringLiteral("a"))), b(writer(QStringLiteral("b")));
    a->start();
    b->start();
    QVERIFY(a->wait(120000) && b->wait(120000));
    QCOMPARE(failures.loadRelaxed(), 0);
    const LearnerSnapshot s = SqliteLearnerStore(path).load();
    QCOMPARE(s.words.value(QStringLiteral("shared")).count, 2 * perWriter);
    QCOMPARE(s.words.size(), 1 + 2 * perWriter);
}

QTEST_GUILESS_MAIN(LearnerStoreTest)
#include "tst_learner_store.moc"
