// Files written by the Jet 3 writer, read back by our reader and by mdb-export /
// mdb-tables, with every placement the writer offers.

#include "Jet3TestSupport.h"
#include "lessons/Jet3Reader.h"
#include "lessons/Jet3Writer.h"
#include "lessons/LessonDatabaseBuilder.h"

#include <QTest>

using namespace lesnor;
using namespace lesnor::jet3;
using namespace lesnor::test;

namespace {

using Rows = QList<QStringList>;

// Checks that both readers return exactly `rows` (NULL read as "") for `table`, ours in
// this order. mdb-export lists a moved row where its data lies, so with `moved` rows its
// order differs and only the rows themselves are compared.
void expectRows(const QString& file, const QString& table, const QStringList& columns, const Rows& rows,
                bool moved = false) {
    const TextTable ours = readTable(file, table);
    QCOMPARE(ours.columns, columns);
    QCOMPARE(ours.rows.size(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(ours.rows.at(r), rows.at(r));
    if (!haveMdbTools())
        return;
    TextTable theirs = mdbExport(file, table);
    QCOMPARE(theirs.columns, columns);
    QCOMPARE(theirs.rows.size(), rows.size());
    Rows expected = rows;
    if (moved) {
        std::sort(expected.begin(), expected.end());
        std::sort(theirs.rows.begin(), theirs.rows.end());
    } else {
        QCOMPARE(theirs.rows, ours.rows);
    }
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(theirs.rows.at(r), expected.at(r));
}

WriterRow row(const QList<std::optional<QString>>& values) {
    WriterRow r;
    r.values = values;
    return r;
}

// The slot words of every page owned by `table`, in storage order.
QList<quint16> slotWords(const QByteArray& image, Database& db, const TableDef& table) {
    QList<quint16> words;
    for (quint32 p : db.usageMapPages(table.usageMap)) {
        const char* page = image.constData() + qsizetype(p) * PageSize;
        for (int s = 0; s < u16At(page + 8); ++s)
            words.append(u16At(page + 10 + 2 * s));
    }
    return words;
}

} // namespace

class TestJet3Writer : public QObject {
    Q_OBJECT

private slots:
    void everyPlacementReadsBack() {
        Writer w;
        const QStringList columns{QStringLiteral("课文"), QStringLiteral("注释"), QStringLiteral("备注")};
        const int t =
            w.addTable(QStringLiteral("课文表"),
                       {{columns[0], TypeText, 50}, {columns[1], TypeMemo, 0}, {columns[2], TypeText, 255}});
        const QString longChinese = QString(127, QChar(u'汉')); // 254 bytes in GBK
        const QString chained = QString(1500, QChar(u'链')) + QStringLiteral("end");
        Rows expected;
        auto add = [&](WriterRow r, bool visible) {
            w.addRow(t, r);
            if (visible) {
                QStringList values;
                for (const auto& v : r.values)
                    values.append(v.value_or(QString()));
                expected.append(values);
            }
        };
        add(row({QStringLiteral("Excuse me!"), QStringLiteral("对不起"), QStringLiteral("")}), true);
        WriterRow moved = row({QStringLiteral("moved"), QStringLiteral("挪走的行"), QStringLiteral("x")});
        moved.moved = true;
        add(moved, true);
        WriterRow deleted = row({QStringLiteral("deleted"), QStringLiteral("删"), QStringLiteral("y")});
        deleted.deleted = true;
        add(deleted, false);
        WriterRow movedDeleted = deleted;
        movedDeleted.moved = true;
        add(movedDeleted, false);
        add(row({std::nullopt, std::nullopt, std::nullopt}), true);
        add(row({QStringLiteral("Is this your  handbag?"), QString(), longChinese}), true);
        WriterRow single = row({QStringLiteral("single"), QStringLiteral("短"), QStringLiteral("z")});
        single.memoForm = MemoForm::SingleRow;
        add(single, true);
        WriterRow chain = row({QStringLiteral("chain"), chained, longChinese});
        chain.memoForm = MemoForm::Chained;
        chain.chainPiece = 700;
        chain.newPage = true;
        add(chain, true);
        WriterRow autoChain = row({QStringLiteral("auto chain"), QString(2500, QLatin1Char('a')), QString()});
        add(autoChain, true);
        WriterRow inlineMemo = row({QStringLiteral("inline"), QString(400, QLatin1Char('i')), QString()});
        inlineMemo.memoForm = MemoForm::Inline;
        inlineMemo.moved = true;
        add(inlineMemo, true);
        add(row({QStringLiteral("last"), QStringLiteral("Thank you very much."), QStringLiteral("")}), true);

        QString error;
        const QByteArray image = w.build(&error);
        QVERIFY2(!image.isEmpty(), qPrintable(error));
        const QString file = writeTemp(image);
        expectRows(file, QStringLiteral("课文表"), columns, expected, true);
        if (haveMdbTools())
            QCOMPARE(mdbTables(file), QStringList{QStringLiteral("课文表")});

        // The placements really are in the file.
        Database db;
        QVERIFY(db.open(file));
        const TableDef table = *db.table(QStringLiteral("课文表"));
        QCOMPARE(table.rowCount, quint32(expected.size()));
        const QList<quint16> words = slotWords(image, db, table);
        QCOMPARE(
            std::count_if(words.begin(), words.end(), [](quint16 w) { return (w & 0xC000) == SlotMoved; }),
            2);
        QCOMPARE(
            std::count_if(words.begin(), words.end(), [](quint16 w) { return (w & 0xC000) == SlotSkipped; }),
            2);
        QCOMPARE(
            std::count_if(words.begin(), words.end(), [](quint16 w) { return (w & 0xC000) == SlotDeleted; }),
            3);
        QVERIFY(db.usageMapPages(table.usageMap).size() >= 3); // data, moved data, new page
        QList<quint32> memoForms;
        db.scan(table, [&](const RowCells& cells) {
            if (cells[1].present)
                memoForms.append(u32At(cells[1].data) & 0xC0000000u);
            return true;
        });
        QCOMPARE(memoForms, (QList<quint32>{LongValueInline, LongValueInline, LongValueInline,
                                            LongValueSingle, 0, 0, LongValueInline, LongValueInline}));
    }

    void rowsAcrossJumpTableBoundaries() {
        // Row lengths run through 256 and 512 with every alignment of the padding entry.
        Writer w;
        const QStringList columns{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        const int t = w.addTable(
            QStringLiteral("wide"),
            {{columns[0], TypeText, 255}, {columns[1], TypeText, 255}, {columns[2], TypeText, 255}});
        const int u = w.addTable(QStringLiteral("one"), {{QStringLiteral("v"), TypeText, 255}});
        Rows wide;
        Rows one;
        for (int k = 0; k <= 255; ++k) {
            const QStringList values{QString(k % 2 ? 255 : 0, QLatin1Char('a')), QString(k, QLatin1Char('b')),
                                     QString(k % 7, QLatin1Char('c'))};
            w.addRow(t, row({values[0], values[1], values[2]}));
            wide.append(values);
            const QString v(k, QChar(u'一' + k % 50));
            if (v.size() * 2 <= 255) {
                w.addRow(u, row({v}));
                one.append({v});
            }
        }
        QString error;
        const QString file = writeTemp(w.build(&error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        expectRows(file, QStringLiteral("wide"), columns, wide);
        expectRows(file, QStringLiteral("one"), {QStringLiteral("v")}, one);
    }

    void referenceMapsAndLargeFiles_data() {
        QTest::addColumn<bool>("reference");
        QTest::addColumn<int>("rows");
        QTest::newRow("reference maps") << true << 40;
        QTest::newRow("inline maps past 1024 pages") << false << 1100;
        QTest::newRow("reference maps past 1024 pages") << true << 1100;
    }

    void referenceMapsAndLargeFiles() {
        QFETCH(bool, reference);
        QFETCH(int, rows);
        Writer w;
        w.setReferenceMaps(reference);
        const int t = w.addTable(QStringLiteral("big"),
                                 {{QStringLiteral("n"), TypeText, 10}, {QStringLiteral("m"), TypeMemo, 0}});
        Rows expected;
        for (int i = 0; i < rows; ++i) {
            const QString memo = QString(1900, QLatin1Char('a' + i % 26));
            w.addRow(t, row({QString::number(i), memo}));
            expected.append({QString::number(i), memo});
        }
        const QByteArray image = w.build();
        QVERIFY(!image.isEmpty());
        QVERIFY(image.size() / PageSize > (rows > 1024 ? 1024 : 40));
        const QString file = writeTemp(image);
        Database db;
        QVERIFY(db.open(file));
        const TableDef table = *db.table(QStringLiteral("big"));
        const char* mapRow = nullptr;
        {
            const quint32 p = table.usageMap >> 8;
            const char* page = image.constData() + qsizetype(p) * PageSize;
            mapRow = page + (u16At(page + 10 + 2 * (table.usageMap & 0xFF)) & SlotOffsetMask);
        }
        QCOMPARE(int(mapRow[0]), reference ? 1 : 0);
        expectRows(file, QStringLiteral("big"), {QStringLiteral("n"), QStringLiteral("m")}, expected);
    }

    void definitionOverSeveralPages() {
        Writer w;
        QList<WriterColumn> columns;
        QStringList names;
        for (int i = 0; i < 200; ++i) {
            names.append(QStringLiteral("第%1列").arg(i));
            columns.append({names.last(), i % 10 == 0 ? quint8(TypeMemo) : quint8(TypeText), 10});
        }
        const int t = w.addTable(QStringLiteral("宽表"), columns);
        Rows expected;
        for (int r = 0; r < 3; ++r) {
            WriterRow wr;
            QStringList values;
            for (int i = 0; i < 200; ++i) {
                values.append(i % 3 == r ? QString() : QString::number(r * 1000 + i));
                wr.values.append(i % 3 == r ? std::optional<QString>() : values.last());
            }
            w.addRow(t, wr);
            expected.append(values);
        }
        QString error;
        const QByteArray image = w.build(&error);
        QVERIFY2(!image.isEmpty(), qPrintable(error));
        const QString file = writeTemp(image);
        Database db;
        QVERIFY(db.open(file));
        const quint32 first = db.table(QStringLiteral("宽表"))->page;
        QVERIFY(u32At(image.constData() + qsizetype(first) * PageSize + 4) != 0); // continued
        expectRows(file, QStringLiteral("宽表"), names, expected);
    }

    void sameInputSameBytes() {
        const QList<SentenceRow> sentences{{QStringLiteral("Excuse me!"), QStringLiteral("对不起"),
                                            QStringLiteral(".5"), QStringLiteral("2.43"),
                                            QStringLiteral("Lesson 1"), QStringLiteral("1")}};
        const QList<WordRow> words{{QStringLiteral("excuse"), QStringLiteral("v.原谅"),
                                    QStringLiteral("Lesson 1"), QStringLiteral("1")}};
        const QByteArray a = buildLessonDatabase(sentences, words);
        QVERIFY(!a.isEmpty());
        QCOMPARE(buildLessonDatabase(sentences, words), a);
    }

    void refusesWhatCannotBeStored_data() {
        QTest::addColumn<int>("problem");
        QTest::newRow("text longer than its column") << 0;
        QTest::newRow("character outside code page 936") << 1;
        QTest::newRow("table name twice") << 2;
        QTest::newRow("column type not written") << 3;
        QTest::newRow("inline memo too large for a row") << 4;
        QTest::newRow("single long-value row too large for a page") << 5;
        QTest::newRow("text size out of range") << 6;
        QTest::newRow("column name twice") << 7;
    }

    void refusesWhatCannotBeStored() {
        QFETCH(int, problem);
        Writer w;
        const int t = w.addTable(QStringLiteral("表"),
                                 {{QStringLiteral("t"), TypeText, 4}, {QStringLiteral("m"), TypeMemo, 0}});
        WriterRow r = row({QStringLiteral("abcd"), QStringLiteral("m")});
        switch (problem) {
        case 0:
            r.values[0] = QStringLiteral("表表表"); // 6 bytes
            break;
        case 1:
            r.values[1] = QStringLiteral("smile \U0001F600");
            break;
        case 2:
            w.addTable(QStringLiteral("表"), {{QStringLiteral("x"), TypeText, 4}});
            break;
        case 3:
            w.addTable(QStringLiteral("other"), {{QStringLiteral("x"), TypeLong, 4}});
            break;
        case 4:
            r.values[1] = QString(3000, QLatin1Char('x'));
            r.memoForm = MemoForm::Inline;
            break;
        case 5:
            r.values[1] = QString(3000, QLatin1Char('x'));
            r.memoForm = MemoForm::SingleRow;
            break;
        case 6:
            w.addTable(QStringLiteral("other"), {{QStringLiteral("x"), TypeText, 256}});
            break;
        case 7:
            w.addTable(QStringLiteral("other"),
                       {{QStringLiteral("x"), TypeText, 4}, {QStringLiteral("X"), TypeMemo, 0}});
            break;
        }
        w.addRow(t, r);
        QString error;
        QVERIFY(w.build(&error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    void lessonDatabaseHasTheTwoTables() {
        QList<SentenceRow> sentences;
        QList<WordRow> words;
        Rows sentenceRows;
        Rows wordRows;
        for (int lesson = 1; lesson <= 12; ++lesson)
            for (int i = 0; i < 15; ++i) {
                const QString caption = QStringLiteral("Lesson %1").arg(lesson);
                const SentenceRow s{
                    QStringLiteral("Sentence %1 of  lesson %2, a little longer than thirty-two bytes.")
                        .arg(i)
                        .arg(lesson),
                    QStringLiteral("第%1课第%2句").arg(lesson).arg(i),
                    QString::number(i * 2.5),
                    i == 14 ? QString() : QString::number(i * 2.5 + 2.2),
                    caption,
                    QStringLiteral("2")};
                sentences.append(s);
                sentenceRows.append({s.english, s.chinese, s.start, s.end, s.lesson, s.book});
                const WordRow w{QStringLiteral("word%1").arg(i), QStringLiteral("n.词%1").arg(i), caption,
                                QStringLiteral("2")};
                words.append(w);
                wordRows.append({w.word, w.chinese, w.lesson, w.book});
            }
        const QString file = writeTemp(buildLessonDatabase(sentences, words), QStringLiteral("qlxxcl.wrd"));
        Database db;
        QVERIFY(db.open(file));
        QCOMPARE(db.codePage(), 936);
        QStringList tables;
        for (const CatalogEntry& e : db.userTables())
            tables.append(e.name);
        QCOMPARE(tables, (QStringList{QStringLiteral("句库"), QStringLiteral("单词")}));
        QStringList layout;
        for (const QString& name : tables) {
            const std::optional<TableDef> def = db.table(name);
            QVERIFY(def);
            for (const Column& c : def->columns)
                layout.append(QStringLiteral("%1 %2 %3").arg(c.name, typeName(c.type)).arg(c.size));
        }
        QCOMPARE(layout, (QStringList{QStringLiteral("句子 Memo 0"), QStringLiteral("中文 Memo 0"),
                                      QStringLiteral("开始时间 Text 10"), QStringLiteral("结束时间 Text 10"),
                                      QStringLiteral("课别 Text 100"), QStringLiteral("册别 Text 2"),
                                      QStringLiteral("单词 Text 50"), QStringLiteral("中文 Text 50"),
                                      QStringLiteral("课别 Text 50"), QStringLiteral("册别 Text 2")}));
        expectRows(file, QStringLiteral("句库"),
                   {QStringLiteral("句子"), QStringLiteral("中文"), QStringLiteral("开始时间"),
                    QStringLiteral("结束时间"), QStringLiteral("课别"), QStringLiteral("册别")},
                   sentenceRows);
        expectRows(
            file, QStringLiteral("单词"),
            {QStringLiteral("单词"), QStringLiteral("中文"), QStringLiteral("课别"), QStringLiteral("册别")},
            wordRows);
    }

    void movedCatalogRowsAreFound() {
        Writer w;
        for (int i = 0; i < 30; ++i) {
            const int t = w.addTable(QStringLiteral("表%1").arg(i), {{QStringLiteral("v"), TypeText, 10}});
            w.addRow(t, row({QString::number(i)}));
            w.setMovedCatalogRow(t, i % 4 == 1);
        }
        const QString file = writeTemp(w.build());
        Database db;
        QVERIFY(db.open(file));
        QStringList ours;
        for (const CatalogEntry& e : db.userTables())
            ours.append(e.name);
        QStringList expected;
        for (int i = 0; i < 30; ++i)
            expected.append(QStringLiteral("表%1").arg(i));
        QCOMPARE(ours, expected);
        QCOMPARE(readTable(db, QStringLiteral("表29")).rows, (Rows{{QStringLiteral("29")}}));
        if (!haveMdbTools())
            QSKIP("mdb-tables is not installed");
        QStringList theirs = mdbTables(file);
        QVERIFY(theirs != expected); // moved rows come last there
        std::sort(theirs.begin(), theirs.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(theirs, expected);
    }
};

QTEST_GUILESS_MAIN(TestJet3Writer)
#include "tst_jet3writer.moc"
