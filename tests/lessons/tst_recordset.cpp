// The query texts of the lesson loading, run through Recordset over written lesson
// databases: parsing, matching, storage order and every failure path.

#include "Jet3TestSupport.h"
#include "lessons/Jet3Writer.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "lessons/Query.h"
#include "lessons/Recordset.h"

#include <QDir>
#include <QStringEncoder>
#include <QTest>

using namespace lesnor;
using namespace lesnor::jet3;
using namespace lesnor::test;

namespace {

const QString SentenceQuery = QStringLiteral("select * from[句库] where [册别] ='1'and [课别] ='Lesson 1'");
const QString WordQuery = QStringLiteral("select * from[单词] where [册别] ='1'and [课别] ='Lesson 1'");

// A character whose second GBK byte is ']' (0x5D): raw-byte matching would misparse it.
QString bracketTrailCharacter() {
    QStringEncoder gbk("GBK");
    for (char16_t c = 0x4E00; c < 0x9FA5; ++c) {
        const QByteArray b = gbk.encode(QString(QChar(c)));
        if (b.size() == 2 && b.at(1) == ']')
            return QString(QChar(c));
    }
    return {};
}

struct Sentence {
    QString english, chinese, start, end, lesson, book;
    bool moved = false;
    bool deleted = false;
};

// The lesson database with the program's two tables, a moved and a deleted sentence row,
// and lessons whose captions share a prefix.
QString lessonDatabase(const QString& folder) {
    Writer w(936);
    const LessonTableIds tables = addLessonTables(w);
    const int s = tables.sentences;
    const QList<Sentence> sentences{
        {QStringLiteral("Excuse me!"), QStringLiteral("对不起"), QStringLiteral(".5"), QStringLiteral("2.43"),
         QStringLiteral("Lesson 1"), QStringLiteral("1")},
        {QStringLiteral("Yes?"), QStringLiteral("什么事？"), QStringLiteral("2.73"), QStringLiteral("3.9"),
         QStringLiteral("Lesson 1"), QStringLiteral("1"), true},
        {QStringLiteral("Gone."), QStringLiteral("删掉"), QStringLiteral("4"), QStringLiteral("5"),
         QStringLiteral("Lesson 1"), QStringLiteral("1"), false, true},
        {QStringLiteral("Ten."), QStringLiteral("十"), QStringLiteral("1"), QStringLiteral(""),
         QStringLiteral("Lesson 10"), QStringLiteral("1")},
        {QStringLiteral("Is this your  handbag?"), QStringLiteral("这是您的手提包吗？"),
         QStringLiteral("4.2"), QStringLiteral("7.01"), QStringLiteral("Lesson 1"), QStringLiteral("1")},
        {QStringLiteral("Other book."), QStringLiteral("第二册"), QStringLiteral("1"), QStringLiteral("2"),
         QStringLiteral("Lesson 1"), QStringLiteral("2")},
        {QStringLiteral("Thank you very much."), QStringLiteral("非常感谢！"), QStringLiteral("15.17"),
         QString(), QStringLiteral("Lesson 1"), QStringLiteral("1")},
    };
    for (const Sentence& x : sentences) {
        WriterRow r;
        r.values = {x.english, x.chinese, x.start, x.end.isNull() ? std::optional<QString>() : x.end,
                    x.lesson,  x.book};
        r.moved = x.moved;
        r.deleted = x.deleted;
        w.addRow(s, r);
    }
    const int t = tables.words;
    const QList<QStringList> words{
        {QStringLiteral("excuse"), QStringLiteral("v.原谅"), QStringLiteral("Lesson 1"), QStringLiteral("1")},
        {QStringLiteral("ten"), QStringLiteral("num.十"), QStringLiteral("Lesson 10"), QStringLiteral("1")},
        {QStringLiteral("me"), QStringLiteral("pron.我(宾格)"), QStringLiteral("Lesson 1"),
         QStringLiteral("1")},
        {QStringLiteral("O'Neil"), QStringLiteral("n.人名"), QStringLiteral("It's"), QStringLiteral("3")},
        {QStringLiteral("trap"), QStringLiteral("n.") + bracketTrailCharacter(), bracketTrailCharacter(),
         QStringLiteral("4")},
    };
    for (const QStringList& x : words) {
        WriterRow r;
        r.values = {x[0], x[1], x[2], x[3]};
        w.addRow(t, r);
    }
    const QString path = folder + QStringLiteral("/qlxxcl.wrd");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(w.build());
    return path;
}

// The values of `columns` of every row, read the way the lesson loading reads them.
QList<QStringList> readAll(Recordset& rs, const QStringList& columns) {
    QList<QStringList> rows;
    for (; !rs.atEnd(); rs.moveNext()) {
        QStringList row;
        for (const QString& c : columns)
            row.append(rs.value(c));
        rows.append(row);
    }
    return rows;
}

} // namespace

class TestRecordset : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString connection_;

    QList<QStringList> run(const QString& sql, const QStringList& columns, bool* ok = nullptr) {
        Recordset rs;
        const bool opened = rs.open(sql, connection_);
        if (ok)
            *ok = opened;
        rs.requery();
        const QList<QStringList> rows = readAll(rs, columns);
        rs.close();
        return rows;
    }

private slots:
    void initTestCase() {
        QVERIFY(!bracketTrailCharacter().isEmpty());
        QVERIFY(!lessonDatabase(dir_.path()).isEmpty());
        // The data folder ends with a separator, as the platform reports it.
        connection_ = lessonConnectionString(dir_.path() + QLatin1Char('/'));
    }

    void connectionString() {
        QCOMPARE(lessonConnectionString(QStringLiteral("/tmp/lesnor-1/")),
                 QStringLiteral("Provider=Lesnor.Jet3;Data Source=/tmp/lesnor-1//qlxxcl.wrd;"));
    }

    void lessonQueryGivesSentencesInStorageOrder() {
        Recordset rs;
        QVERIFY2(rs.open(SentenceQuery, connection_), qPrintable(rs.error()));
        rs.requery();
        const QList<QStringList> rows = readAll(rs, {QStringLiteral("句子"), QStringLiteral("中文"),
                                                     QStringLiteral("开始时间"), QStringLiteral("结束时间")});
        // The moved row stays at its home position, the deleted row is gone, the doubled
        // blank is kept and a NULL end time reads as "".
        QCOMPARE(rows, (QList<QStringList>{
                           {QStringLiteral("Excuse me!"), QStringLiteral("对不起"), QStringLiteral(".5"),
                            QStringLiteral("2.43")},
                           {QStringLiteral("Yes?"), QStringLiteral("什么事？"), QStringLiteral("2.73"),
                            QStringLiteral("3.9")},
                           {QStringLiteral("Is this your  handbag?"), QStringLiteral("这是您的手提包吗？"),
                            QStringLiteral("4.2"), QStringLiteral("7.01")},
                           {QStringLiteral("Thank you very much."), QStringLiteral("非常感谢！"),
                            QStringLiteral("15.17"), QString()},
                       }));
        QVERIFY(rs.atEnd());
        QCOMPARE(rs.value(QStringLiteral("句子")), QString());
        // Requery starts over with the same rows.
        rs.requery();
        QVERIFY(!rs.atEnd());
        QCOMPARE(rs.value(QStringLiteral("句子")), QStringLiteral("Excuse me!"));
        QCOMPARE(rs.value(QStringLiteral("no such column")), QString());
        QCOMPARE(rs.columnNames(),
                 (QStringList{QStringLiteral("句子"), QStringLiteral("中文"), QStringLiteral("开始时间"),
                              QStringLiteral("结束时间"), QStringLiteral("课别"), QStringLiteral("册别")}));
        rs.close();
        QVERIFY(rs.atEnd());
    }

    void wordQueryAndPrefixes() {
        const QStringList columns{QStringLiteral("单词"), QStringLiteral("中文")};
        QCOMPARE(run(WordQuery, columns),
                 (QList<QStringList>{{QStringLiteral("excuse"), QStringLiteral("v.原谅")},
                                     {QStringLiteral("me"), QStringLiteral("pron.我(宾格)")}}));
        QString lesson10 = WordQuery;
        lesson10.replace(QStringLiteral("Lesson 1'"), QStringLiteral("Lesson 10'"));
        QCOMPARE(run(lesson10, columns),
                 (QList<QStringList>{{QStringLiteral("ten"), QStringLiteral("num.十")}}));
        // Neither a prefix nor an extension of a value matches.
        QString lesson = WordQuery;
        lesson.replace(QStringLiteral("Lesson 1'"), QStringLiteral("Lesson '"));
        QVERIFY(run(lesson, columns).isEmpty());
        lesson.replace(QStringLiteral("Lesson '"), QStringLiteral("Lesson 1 '"));
        QVERIFY(run(lesson, columns).isEmpty());
        // Lesson 6 and up: the words exist, the sentences do not.
        QString book2 = SentenceQuery;
        book2.replace(QStringLiteral("='1'"), QStringLiteral("='3'"));
        QVERIFY(run(book2, columns).isEmpty());
    }

    void spellingVariantsOfTheSameQuery_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("program text") << SentenceQuery;
        QTest::newRow("all blanks") << QStringLiteral(
            "select * from [句库] where [册别] = '1' and [课别] = 'Lesson 1'");
        QTest::newRow("no blanks") << QStringLiteral("select*from[句库]where[册别]='1'and[课别]='Lesson 1'");
        QTest::newRow("upper keywords")
            << QStringLiteral("SELECT * FROM[句库] WHERE [册别] ='1'AND [课别] ='Lesson 1'");
        QTest::newRow("mixed case value")
            << QStringLiteral("select * from[句库] where [册别] ='1'and [课别] ='LESSON 1'");
        QTest::newRow("bare names") << QStringLiteral(
            "select * from 句库 where 册别='1' and 课别='lesson 1'");
        QTest::newRow("tabs and line breaks")
            << QStringLiteral("\tselect *\r\nfrom [句库]\nwhere [册别]\t=\t'1'\nand [课别] = 'Lesson 1'  ");
        QTest::newRow("conditions swapped")
            << QStringLiteral("select * from[句库] where [课别]='Lesson 1' and [册别]='1'");
    }

    void spellingVariantsOfTheSameQuery() {
        QFETCH(QString, sql);
        bool ok = false;
        const QList<QStringList> rows = run(sql, {QStringLiteral("句子")}, &ok);
        QVERIFY(ok);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.first().first(), QStringLiteral("Excuse me!"));
    }

    void quotesAndDoubleByteCharacters() {
        const QStringList columns{QStringLiteral("单词")};
        QCOMPARE(run(QStringLiteral("select * from [单词] where [课别] = 'It''s'"), columns),
                 QList<QStringList>{{QStringLiteral("O'Neil")}});
        QCOMPARE(run(QStringLiteral("select * from [单词] where [课别] = '%1'").arg(bracketTrailCharacter()),
                     columns),
                 QList<QStringList>{{QStringLiteral("trap")}});
        QCOMPARE(
            run(QStringLiteral("select * from [单词] where [单词] = 'O''NEIL' and [册别] = '3'"), columns),
            QList<QStringList>{{QStringLiteral("O'Neil")}});
        QCOMPARE(run(QStringLiteral("select * from [单词]"), columns).size(), 5);
    }

    void badQueriesFailCleanly_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("empty") << QString();
        QTest::newRow("only select") << QStringLiteral("select");
        QTest::newRow("no table") << QStringLiteral("select * from");
        QTest::newRow("column list") << QStringLiteral("select 句子 from [句库]");
        QTest::newRow("where without condition") << QStringLiteral("select * from [句库] where");
        QTest::newRow("unquoted value") << QStringLiteral("select * from [句库] where [册别] = 1");
        QTest::newRow("dangling and") << QStringLiteral("select * from [句库] where [册别] = '1' and");
        QTest::newRow("or") << QStringLiteral(
            "select * from [句库] where [册别] = '1' or [课别] = 'Lesson 1'");
        QTest::newRow("double equals") << QStringLiteral("select * from [句库] where [册别] == '1'");
        QTest::newRow("unclosed quote") << QStringLiteral("select * from [句库] where [册别] = '1");
        QTest::newRow("unclosed bracket") << QStringLiteral("select * from [句库 where [册别] = '1'");
        QTest::newRow("empty brackets") << QStringLiteral("select * from [] where [册别] = '1'");
        QTest::newRow("trailing text")
            << QStringLiteral("select * from [句库] where [册别] = '1' order by 1");
        QTest::newRow("semicolon") << QStringLiteral("select * from [句库];");
        QTest::newRow("keyword as name") << QStringLiteral("select * from where");
        QTest::newRow("glued keywords") << QStringLiteral("select * fromx [句库]");
        QTest::newRow("other statement") << QStringLiteral("delete from [句库]");
        QTest::newRow("unknown table") << QStringLiteral("select * from [句] where [册别] = '1'");
        QTest::newRow("unknown column") << QStringLiteral("select * from [句库] where [册] = '1'");
    }

    void badQueriesFailCleanly() {
        QFETCH(QString, sql);
        Recordset rs;
        QVERIFY(!rs.open(sql, connection_));
        QVERIFY(!rs.error().isEmpty());
        QVERIFY(rs.atEnd());
        rs.requery();
        QVERIFY(rs.atEnd());
        rs.moveNext();
        QCOMPARE(rs.value(QStringLiteral("句子")), QString());
        QVERIFY(rs.columnNames().isEmpty());
    }

    void badDatabasesFailCleanly() {
        Recordset rs;
        QTemporaryDir empty;
        QVERIFY(!rs.open(SentenceQuery, lessonConnectionString(empty.path())));
        QVERIFY(rs.atEnd());
        QFile garbage(empty.filePath(QStringLiteral("qlxxcl.wrd")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        QVERIFY(!rs.open(SentenceQuery, lessonConnectionString(empty.path())));
        QVERIFY(rs.atEnd());
        QVERIFY(!rs.open(SentenceQuery, QStringLiteral("Provider=Other;Data Source=") + dir_.path() +
                                            QStringLiteral("/qlxxcl.wrd;")));
        QVERIFY(!rs.open(SentenceQuery, QStringLiteral("Provider=Lesnor.Jet3;")));
        QVERIFY(rs.atEnd());
        // A failed open forgets the previous result.
        QVERIFY(rs.open(SentenceQuery, connection_));
        QVERIFY(!rs.atEnd());
        QVERIFY(!rs.open(QStringLiteral("select"), connection_));
        QVERIFY(rs.atEnd());
        // Quoted Data Source values and any key case.
        QVERIFY(rs.open(SentenceQuery, QStringLiteral("data source=\"%1/qlxxcl.wrd\"").arg(dir_.path())));
        QVERIFY(!rs.atEnd());
    }

    void parserResult() {
        QString error;
        const std::optional<Query> q = parseQuery(SentenceQuery, &error);
        QVERIFY2(q, qPrintable(error));
        QCOMPARE(q->table, QStringLiteral("句库"));
        QCOMPARE(q->conditions.size(), 2);
        QCOMPARE(q->conditions.at(0), std::make_pair(QStringLiteral("册别"), QStringLiteral("1")));
        QCOMPARE(q->conditions.at(1), std::make_pair(QStringLiteral("课别"), QStringLiteral("Lesson 1")));
        QVERIFY(!parseQuery(QStringLiteral("select * from [a] where [b] = 'x' and"), &error));
        QVERIFY(error.contains(QStringLiteral("position")));
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
