// The record in memory and its background writer, the catalogue's progress rules, and
// the notebook's export: in the window's format and through lesnor-tool.

#include "FakeLearnerStore.h"
#include "learner/LearnerRecord.h"
#include "learner/LessonProgress.h"
#include "learner/NotebookExport.h"
#include "learner/SqliteLearnerStore.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lesnor;
using namespace lesnor::test;

namespace {

RecordChange lookedUp(const QString& headword, const QString& sentence = QString()) {
    NotebookWord w;
    w.headword = headword;
    w.form = headword;
    w.sentence = sentence;
    return change::LookedUp{w, QDateTime::currentDateTimeUtc()};
}

NotebookWord exported(const QString& headword, const QString& meaning, const QString& sentence,
                      const QString& form = QString()) {
    NotebookWord w;
    w.headword = headword;
    w.form = form.isEmpty() ? headword : form;
    w.phonetic = QStringLiteral("ˈhændbæɡ");
    w.meaning = meaning;
    w.sentence = sentence;
    w.lesson = {1, 3};
    w.count = 2;
    w.first = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
    w.last = w.first;
    return w;
}

struct ToolRun {
    int status;
    QByteArray out;
};

ToolRun tool(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("LESNOR_BINARY_DIR") + QStringLiteral("/lesnor-tool"), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

} // namespace

class LearnerRecordTest : public QObject {
    Q_OBJECT
private slots:
    void changesShowAtOnceAndAreSavedInOrder();
    void changesBeforeTheFirstLoadAreKept();
    void problemsAreSaidOnce();
    void heardSentences();
    void exportFormats_data();
    void exportFormats();
    void toolExitCodes();
};

void LearnerRecordTest::changesShowAtOnceAndAreSavedInOrder() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    {
        LearnerRecord record([path] { return std::make_unique<SqliteLearnerStore>(path); });
        QSignalSpy changed(&record, &LearnerRecord::changed);
        QTRY_VERIFY(record.isLoaded());
        record.record(lookedUp(QStringLiteral("book")));
        record.record(change::Removed{QStringLiteral("book")});
        record.record(lookedUp(QStringLiteral("pen")));
        QCOMPARE(record.snapshot().words.keys(), QStringList{QStringLiteral("pen")});
        QVERIFY(changed.count() >= 3);
        QVERIFY(record.flush());
        // Another program adds to the file; a reload shows it, with what this one did since.
        SqliteLearnerStore(path).save(lookedUp(QStringLiteral("car")));
        record.reload();
        record.record(lookedUp(QStringLiteral("dog")));
        QTRY_COMPARE(record.snapshot().words.size(), 3);
        QTRY_VERIFY(record.snapshot().words.contains(QStringLiteral("car")));
    } // the destructor saves what is queued
    QCOMPARE(SqliteLearnerStore(path).load().words.keys(),
             (QStringList{QStringLiteral("car"), QStringLiteral("dog"), QStringLiteral("pen")}));
}

void LearnerRecordTest::changesBeforeTheFirstLoadAreKept() {
    auto data = std::make_shared<FakeLearnerStore::Data>();
    applyChange(data->snapshot, lookedUp(QStringLiteral("old")));
    LearnerRecord record([data] { return std::make_unique<FakeLearnerStore>(data); });
    record.record(lookedUp(QStringLiteral("new")));
    QTRY_VERIFY(record.isLoaded());
    QCOMPARE(record.snapshot().words.size(), 2);
    QVERIFY(record.flush());
    QCOMPARE(data->snapshot, record.snapshot());
}

void LearnerRecordTest::problemsAreSaidOnce() {
    auto data = std::make_shared<FakeLearnerStore::Data>();
    data->openProblem = QStringLiteral("学习记录文件已损坏");
    LearnerRecord record([data] { return std::make_unique<FakeLearnerStore>(data); },
                         LearnerRecord::Threading::Inline);
    QSignalSpy notices(&record, &LearnerRecord::notice);
    data->failSaves = true;
    for (int i = 0; i < 3; ++i)
        record.record(lookedUp(QStringLiteral("w%1").arg(i)));
    // The program runs on: the words are there for this session.
    QCOMPARE(record.snapshot().words.size(), 3);
    QCOMPARE(notices.count(), 1);
    QVERIFY(notices.at(0).at(0).toString().contains(QStringLiteral("不会保留")));
}

void LearnerRecordTest::heardSentences() {
    HeardSentences heard;
    heard.start({1, 1}, 3);
    QCOMPARE((QList<bool>{heard.heard(2), heard.heard(2), heard.heard(-1), heard.heard(3), heard.heard(0),
                          heard.heard(1), heard.heard(1)}),
             (QList<bool>{false, false, false, false, false, true, false}));
    heard.start({}, 3); // a book node: nothing to finish
    QCOMPARE((QList<bool>{heard.heard(0), heard.heard(1), heard.heard(2)}),
             (QList<bool>{false, false, false}));
    QCOMPARE(lessonProgressTip({true, true, 85}), QStringLiteral("已读完\n已听写完\n最佳听写成绩：85 分"));
    QCOMPARE(lessonProgressTip({}), QString());
}

void LearnerRecordTest::exportFormats_data() {
    QTest::addColumn<NotebookWord>("word");
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QString>("line");
    const QString plain = QStringLiteral("She has a handbag.");
    QTest::newRow("cards: IPA intact, word bold, lesson")
        << exported(QStringLiteral("handbag"), QStringLiteral("n.手提包"), plain) << false
        << QStringLiteral("handbag\tˈhændbæɡ\tn.手提包\tShe has a <b>handbag</b>.\t第1册 Lesson 3");
    QTest::newRow("cards: tabs, breaks and markup inside fields escaped")
        << exported(QStringLiteral("a<b"), QStringLiteral("x\ty\r\nz & \"q\""), QStringLiteral("1\n2"))
        << false
        << QStringLiteral("a&lt;b\tˈhændbæɡ\tx&#9;y<br>z &amp; &quot;q&quot;\t1<br>2\t第1册 Lesson 3");
    QTest::newRow("cards: the form met is bold, every whole occurrence, any case")
        << exported(QStringLiteral("book"), QStringLiteral("n.书"),
                    QStringLiteral("Books, books, bookshelf."), QStringLiteral("books"))
        << false
        << QStringLiteral("book\tˈhændbæɡ\tn.书\t<b>Books</b>, <b>books</b>, bookshelf.\t第1册 Lesson 3");
    QTest::newRow("csv: quoted where needed")
        << exported(QStringLiteral("handbag"), QStringLiteral("n.手提包, 女用"),
                    QStringLiteral("Say \"hi\"\nnow"))
        << true
        << QStringLiteral(
               "handbag,ˈhændbæɡ,\"n.手提包, 女用\",\"Say \"\"hi\"\"\nnow\",第1册 Lesson 3,2,%1,%1")
               .arg(QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC)
                        .toLocalTime()
                        .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

void LearnerRecordTest::exportFormats() {
    QFETCH(NotebookWord, word);
    QFETCH(bool, csv);
    QFETCH(QString, line);
    const QString text =
        QString::fromUtf8(exportNotebook({word}, csv ? ExportFormat::Csv : ExportFormat::FlashCards));
    const QString header = csv ? QStringLiteral("word,phonetic,meaning,sentence,lesson,count,first,last\r\n")
                               : QStringLiteral("#separator:tab\n#html:true\n"
                                                "#columns:word\tphonetic\tmeaning\tsentence\tlesson\n");
    QCOMPARE(text, header + line + (csv ? QStringLiteral("\r\n") : QStringLiteral("\n")));
}

void LearnerRecordTest::toolExitCodes() {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("learner.sqlite"));
    const QString out = dir.filePath(QStringLiteral("cards.txt"));
    { SqliteLearnerStore store(db); }
    QCOMPARE(tool({QStringLiteral("notebook"), QStringLiteral("list"), QStringLiteral("--db"), db}).status,
             1);
    QCOMPARE(
        tool({QStringLiteral("notebook"), QStringLiteral("export"), out, QStringLiteral("--db"), db}).status,
        1);
    {
        SqliteLearnerStore store(db);
        store.save(lookedUp(QStringLiteral("pen"), QStringLiteral("A pen.")));
        store.save(lookedUp(QStringLiteral("pen")));
        store.save(lookedUp(QStringLiteral("Apple")));
        store.save(change::Mastered{QStringLiteral("apple"), true});
    }
    const ToolRun list =
        tool({QStringLiteral("notebook"), QStringLiteral("list"), QStringLiteral("--db"), db});
    QCOMPARE(list.status, 0);
    QCOMPARE(list.out, QByteArray("Apple\t1\t\npen\t2\t\n"));
    QCOMPARE(
        tool({QStringLiteral("notebook"), QStringLiteral("export"), out, QStringLiteral("--db"), db}).status,
        0);
    QFile cards(out);
    QVERIFY(cards.open(QIODevice::ReadOnly));
    QCOMPARE(cards.readAll().split('\n').size(), 3 + 1 + 1); // header, pen, final line end
    QCOMPARE(tool({QStringLiteral("notebook"), QStringLiteral("export"), out, QStringLiteral("--all"),
                   QStringLiteral("--csv"), QStringLiteral("--db"), db})
                 .status,
             0);
    // The database path comes from where the program keeps it unless --db says otherwise.
    qputenv("LESNOR_LEARNER_DB", db.toUtf8());
    QCOMPARE(tool({QStringLiteral("notebook"), QStringLiteral("list")}).status, 0);
    qputenv("LESNOR_LEARNER_DB", dir.filePath(QStringLiteral("none.sqlite")).toUtf8());
    QCOMPARE(tool({QStringLiteral("notebook"), QStringLiteral("list")}).status, 1);

    QFile garbage(dir.filePath(QStringLiteral("garbage.sqlite")));
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(8192, 'g')) > 0);
    garbage.close();
    struct Case {
        QStringList args;
        int status;
    };
    const QList<Case> failing = {
        {{QStringLiteral("list"), QStringLiteral("--db"), garbage.fileName()}, 2},
        {{QStringLiteral("list"), QStringLiteral("--db"), dir.filePath(QStringLiteral("missing.sqlite"))}, 2},
        {{QStringLiteral("export"), dir.filePath(QStringLiteral("no/folder/x.txt")), QStringLiteral("--db"),
          db},
         2},
        {{QStringLiteral("export"), QStringLiteral("--db"), db}, 2},
        {{QStringLiteral("list"), QStringLiteral("--db")}, 2},
    };
    for (const Case& c : failing)
        QCOMPARE(tool(QStringList{QStringLiteral("notebook")} + c.args).status, c.status);
    QVERIFY(QFileInfo(garbage.fileName()).size() == 8192); // a script never moves or changes it
}

QTEST_GUILESS_MAIN(LearnerRecordTest)
#include "tst_learner_record.moc"
