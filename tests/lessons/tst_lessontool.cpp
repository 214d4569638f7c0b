// lesnor-tool end to end: build-db from the lesson pack's TSV files, then query and
// tables over the result; exit status and messages on bad input.

#include "Jet3TestSupport.h"
#include "lessons/Recordset.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace lesnor::test;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run tool(const QStringList& args, const QString& outputFile = {}, const QString& workDir = {}) {
    QProcess p;
    p.setWorkingDirectory(workDir);
    if (!outputFile.isEmpty())
        p.setStandardOutputFile(outputFile);
    p.start(qEnvironmentVariable("LESNOR_BINARY_DIR") + QStringLiteral("/lesnor-tool"), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

const QByteArray Sentences = "book\tlesson\tenglish\tchinese\tstart\tend\n"
                             "1\tLesson 1\tExcuse me!\t对不起\t.5\t2.43\n"
                             "1\tLesson 1\tIs this your  handbag? \t这是您的手提包吗？\t2.73\t5.1\n"
                             "1\tLesson 10\tTen.\t十\t1\t2\n"
                             "1\tLesson 1\tThank you very much.\t非常感谢！\t15.17\t\n";
const QByteArray Words = "book\tlesson\tword\tgloss\n"
                         "1\tLesson 1\texcuse\tv.原谅\n"
                         "1\tLesson 1\tthank you\t谢谢\n"
                         "2\tLesson 1\tMr.\tn.先生\n";

} // namespace

class TestLessonTool : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString db_;

private slots:
    void initTestCase() {
        QVERIFY(writeText(dir_.filePath(QStringLiteral("sentences.tsv")), Sentences));
        QVERIFY(writeText(dir_.filePath(QStringLiteral("words.tsv")), Words));
        db_ = dir_.filePath(QStringLiteral("out/qlxxcl.wrd"));
        QVERIFY(QDir().mkpath(dir_.filePath(QStringLiteral("out"))));
        const Run r = tool({QStringLiteral("build-db"), dir_.path(), db_});
        QVERIFY2(r.status == 0, r.err.constData());
        QVERIFY(QFile::exists(db_));
    }

    void queryPrintsTsvInStorageOrder() {
        const Run r = tool({QStringLiteral("query"), db_,
                            QStringLiteral("select * from[句库] where [册别] ='1'and [课别] ='Lesson 1'")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("句子\t中文\t开始时间\t结束时间\t课别\t册别\n"
                                   "Excuse me!\t对不起\t.5\t2.43\tLesson 1\t1\n"
                                   "Is this your  handbag? \t这是您的手提包吗？\t2.73\t5.1\tLesson 1\t1\n"
                                   "Thank you very much.\t非常感谢！\t15.17\t\tLesson 1\t1\n"));
        const Run words =
            tool({QStringLiteral("query"), db_,
                  QStringLiteral("select * from[单词] where [册别] ='2'and [课别] ='Lesson 1'")});
        QCOMPARE(words.status, 0);
        QCOMPARE(words.out, QByteArray("单词\t中文\t课别\t册别\nMr.\tn.先生\tLesson 1\t2\n"));
    }

    void tablesListsColumns() {
        const Run r = tool({QStringLiteral("tables"), db_});
        QCOMPARE(r.status, 0);
        QCOMPARE(
            r.out,
            QByteArray(
                "table\tcolumn\ttype\tsize\n"
                "句库\t句子\tMemo\t0\n句库\t中文\tMemo\t0\n句库\t开始时间\tText\t10\n"
                "句库\t结束时间\tText\t10\n句库\t课别\tText\t100\n句库\t册别\tText\t2\n"
                "单词\t单词\tText\t50\n单词\t中文\tText\t50\n单词\t课别\tText\t50\n单词\t册别\tText\t2\n"));
        if (!haveMdbTools())
            return;
        QCOMPARE(mdbTables(db_), (QStringList{QStringLiteral("句库"), QStringLiteral("单词")}));
        QCOMPARE(mdbExport(db_, QStringLiteral("单词")).rows.size(), 3);
    }

    // One line per lesson of the four books, the first and last as the lessons' sources
    // title them.
    void titlesListsEveryLesson() {
        const Run r = tool({QStringLiteral("titles")});
        QCOMPARE(r.status, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 72 + 96 + 60 + 48);
        QVERIFY(lines.first().startsWith("1\t1\t车站长椅上的手提包\t"));
        QVERIFY(lines.last().startsWith("4\t48\t"));
        for (const QByteArray& line : lines)
            QVERIFY2(line.count('\t') == 3 && !line.endsWith('\t'), line.constData());
    }

    void failuresExitWithTwo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("bad query") << QStringList{QStringLiteral("query"), QString(),
                                                  QStringLiteral("select 1")};
        QTest::newRow("unknown table")
            << QStringList{QStringLiteral("query"), QString(), QStringLiteral("select * from x")};
        QTest::newRow("missing file")
            << QStringList{QStringLiteral("query"), QStringLiteral("/nonexistent.wrd"),
                           QStringLiteral("select * from [句库]")};
        QTest::newRow("tables of missing file")
            << QStringList{QStringLiteral("tables"), QStringLiteral("/nonexistent.wrd")};
        QTest::newRow("no arguments") << QStringList{};
        QTest::newRow("unknown command") << QStringList{QStringLiteral("export"), QString()};
    }

    void failuresExitWithTwo() {
        QFETCH(QStringList, args);
        if (args.size() > 1 && args[1].isEmpty())
            args[1] = db_;
        const Run r = tool(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
        if (!args.isEmpty() && args[0] != QLatin1String("export"))
            QCOMPARE(r.err.count('\n'), 1);
    }

    void anyFileNameReachesItsFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("decoy"); // what a careless reading of the name would open
        QTest::newRow("quote and semicolon") << QStringLiteral("q\"uo;te.mdb") << QStringLiteral("q");
        QTest::newRow("leading blank") << QStringLiteral(" lead.mdb") << QStringLiteral("lead.mdb");
        QTest::newRow("trailing blank") << QStringLiteral("trail.mdb ") << QStringLiteral("trail.mdb");
        QTest::newRow("equals sign") << QStringLiteral("a=b;Data Source=c.mdb") << QStringLiteral("c.mdb");
        QTest::newRow("quoted") << QStringLiteral("\"x.mdb\"") << QStringLiteral("x.mdb");
        QTest::newRow("non-ASCII") << QStringLiteral("课文 数据.mdb") << QString();
    }

    void anyFileNameReachesItsFile() {
        QFETCH(QString, name);
        QFETCH(QString, decoy);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(QFile::copy(db_, path));
        if (!decoy.isEmpty())
            QVERIFY(writeText(dir.filePath(decoy), QByteArray(4 * 2048, '\0')));
        const QString sql = QStringLiteral("select * from[单词] where [册别] ='2'");
        const Run r = tool({QStringLiteral("query"), name, sql}, {}, dir.path()); // relative name
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(r.out, QByteArray("单词\t中文\t课别\t册别\nMr.\tn.先生\tLesson 1\t2\n"));
        lesnor::Recordset rs;
        QVERIFY2(rs.open(sql, lesnor::connectionString(path)), qPrintable(rs.error()));
        QCOMPARE(rs.value(QStringLiteral("单词")), QStringLiteral("Mr."));
    }

    void unwritableOutputIsAFailure_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("query") << QStringList{QStringLiteral("query"), QString(),
                                              QStringLiteral("select * from 单词")};
        QTest::newRow("tables") << QStringList{QStringLiteral("tables"), QString()};
        QTest::newRow("lookup") << QStringList{QStringLiteral("lookup"), QStringLiteral("dict"),
                                               QStringLiteral("hello")};
    }

    void unwritableOutputIsAFailure() {
        QFETCH(QStringList, args);
        const QString dictionary = dir_.filePath(QStringLiteral("mswrd.wd"));
        QVERIFY(writeText(dictionary, "$hello[h2'l2u]int.\xce\xb9$\r\n"));
        args[1] = args[1] == QLatin1String("dict") ? dictionary : db_;
        const Run r = tool(args, QStringLiteral("/dev/full"));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("cannot write the output"), r.err.constData());
    }

    void messagesQuoteLittleAndNoControlCharacters_data() {
        QTest::addColumn<QStringList>("args");
        const QString huge = QStringLiteral("\x1b[31m") + QString(100'000, QLatin1Char('x'));
        QTest::newRow("table name") << QStringList{QStringLiteral("query"), QString(),
                                                   QStringLiteral("select * from [%1]").arg(huge)};
        QTest::newRow("column name") << QStringList{
            QStringLiteral("query"), QString(),
            QStringLiteral("select * from 单词 where [%1]='1'").arg(huge)};
        QTest::newRow("odd character")
            << QStringList{QStringLiteral("query"), QString(), QStringLiteral("select \x07 from x")};
        QTest::newRow("file name") << QStringList{QStringLiteral("tables"),
                                                  QStringLiteral("/nonexistent/\x1b]0;") + huge.left(2000)};
    }

    void messagesQuoteLittleAndNoControlCharacters() {
        QFETCH(QStringList, args);
        if (args[1].isEmpty())
            args[1] = db_;
        const Run r = tool(args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.size() < 300, r.err.left(300).constData());
        QVERIFY(r.err.endsWith('\n'));
        for (char c : r.err.chopped(1))
            QVERIFY2(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, r.err.constData());
    }

    // Devices and FIFOs are refused at once: a device never ends, a FIFO waits for a
    // writer. "@" stands for the FIFO, "+" for a readable list.
    void inputsThatAreNoFilesAreRefused_data() {
        QTest::addColumn<QStringList>("args");
        const QString sql = QStringLiteral("select * from 单词");
        for (const QString& input : {QStringLiteral("/dev/zero"), QStringLiteral("@")}) {
            const QByteArray kind = input.toUtf8();
            QTest::newRow("lookup " + kind)
                << QStringList{QStringLiteral("lookup"), input, QStringLiteral("a")};
            QTest::newRow("build-dict base " + kind) << QStringList{
                QStringLiteral("build-dict"), input, QStringLiteral("+"), QStringLiteral("out")};
            QTest::newRow("build-dict additions " + kind) << QStringList{
                QStringLiteral("build-dict"), QStringLiteral("+"), input, QStringLiteral("out")};
            QTest::newRow("query " + kind) << QStringList{QStringLiteral("query"), input, sql};
        }
        QTest::newRow("build-db @") << QStringList{QStringLiteral("build-db"), QStringLiteral("@dir"),
                                                   QStringLiteral("out")};
    }

    void inputsThatAreNoFilesAreRefused() {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("src")));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("src/sentences.tsv"))).constData(), 0600),
            0);
        QVERIFY(writeText(dir.filePath(QStringLiteral("list")), "$a[]x\n"));
        for (QString& a : args) {
            if (a == QLatin1String("@"))
                a = fifo;
            else if (a == QLatin1String("@dir"))
                a = dir.filePath(QStringLiteral("src"));
            else if (a == QLatin1String("+"))
                a = dir.filePath(QStringLiteral("list"));
            else if (a == QLatin1String("out"))
                a = dir.filePath(QStringLiteral("out"));
        }
        const Run r = tool(args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("is not a regular file") || r.err.contains("is not a file"),
                 r.err.constData());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out"))));
    }

    void badSourcesLeaveNoOutput_data() {
        QTest::addColumn<QByteArray>("sentences");
        QTest::addColumn<QString>("told"); // part of the message
        QTest::newRow("missing column")
            << QByteArray("book\tlesson\tenglish\tchinese\tstart\n1\tLesson 1\ta\tb\t1\n")
            << QStringLiteral("no column \"end\"");
        QTest::newRow("short line")
            << QByteArray("book\tlesson\tenglish\tchinese\tstart\tend\n1\tLesson 1\ta\tb\t1\n")
            << QStringLiteral("line 2");
        QTest::newRow("text too long")
            << QByteArray("book\tlesson\tenglish\tchinese\tstart\tend\n123\tLesson 1\ta\tb\t1\t2\n")
            << QStringLiteral("\"123\" is longer than the 2 bytes of column \"册别\"");
        QTest::newRow("not UTF-8")
            << QByteArray("book\tlesson\tenglish\tchinese\tstart\tend\n1\tLesson 1\t\xff\tb\t1\t2\n")
            << QStringLiteral("UTF-8");
    }

    void badSourcesLeaveNoOutput() {
        QFETCH(QByteArray, sentences);
        QFETCH(QString, told);
        QTemporaryDir source;
        QVERIFY(writeText(source.filePath(QStringLiteral("sentences.tsv")), sentences));
        QVERIFY(writeText(source.filePath(QStringLiteral("words.tsv")), Words));
        const QString out = source.filePath(QStringLiteral("db.wrd"));
        const Run r = tool({QStringLiteral("build-db"), source.path(), out});
        QCOMPARE(r.status, 2);
        QVERIFY2(QString::fromUtf8(r.err).contains(told), r.err.constData());
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(source.path()).entryList(QDir::Files).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLessonTool)
#include "tst_lessontool.moc"
