// The Jet 3 reader against real sample files (compared with mdb-export) and against
// damaged files, which must give errors or fewer rows, never a crash or a hang.

#include "HostileDatabases.h"
#include "Jet3TestSupport.h"
#include "lessons/Jet3Reader.h"
#include "lessons/Jet3Writer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace lesnor;
using namespace lesnor::jet3;
using namespace lesnor::test;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Types whose text form is the same in both readers.
bool comparable(quint8 type) {
    return type == TypeText || type == TypeMemo || type == TypeByte || type == TypeInteger ||
           type == TypeLong || type == TypeBoolean || type == TypeCurrency;
}

// A small database with two tables, a moved row, a chained memo and a deleted row.
QByteArray smallDatabase() {
    Writer w;
    const int t = w.addTable(QStringLiteral("甲"),
                             {{QStringLiteral("名"), TypeText, 50}, {QStringLiteral("注"), TypeMemo, 0}});
    for (int i = 0; i < 6; ++i) {
        WriterRow r;
        r.values = {QStringLiteral("行%1").arg(i), QString(300, QChar(u'字'))};
        r.memoForm = i == 2 ? MemoForm::Chained : MemoForm::Auto;
        r.chainPiece = 100;
        r.moved = i == 3;
        r.deleted = i == 5;
        w.addRow(t, r);
    }
    const int u = w.addTable(QStringLiteral("乙"), {{QStringLiteral("x"), TypeText, 10}});
    WriterRow r;
    r.values = {QStringLiteral("only")};
    w.addRow(u, r);
    return w.build();
}

// Opens the image and reads every table of its catalog; returns the number of rows.
int readEverything(const QByteArray& image) {
    Database db;
    if (!db.openBytes(image))
        return -1;
    int rows = 0;
    for (const CatalogEntry& e : db.catalog()) {
        if (!e.isTable())
            continue;
        const std::optional<TableDef> t = db.tableAt(e.tableDefPage(), e.name);
        if (!t)
            continue;
        db.scan(*t, [&](const RowCells& cells) {
            for (int i = 0; i < t->columns.size(); ++i)
                db.text(t->columns.at(i), cells[i]);
            ++rows;
            return true;
        });
    }
    return rows;
}

// The catalog Ids in storage order found by walking every catalog data page directly:
// a moved row counts at its home slot. Independent of usage maps and of our row decoder
// (Id is the first fixed column, at row offset 1).
QList<quint32> catalogIdsByHomeSlot(const QByteArray& file) {
    QList<quint32> ids;
    const char* d = file.constData();
    for (qsizetype p = 1; p < file.size() / PageSize; ++p) {
        const char* page = d + p * PageSize;
        if (page[0] != 1 || u32At(page + 4) != CatalogPage)
            continue;
        const int n = u16At(page + 8);
        for (int s = 0; s < n; ++s) {
            const quint16 w = u16At(page + 10 + 2 * s);
            const char* row = page + (w & SlotOffsetMask);
            if ((w & 0xC000) == 0xC000 || (w & 0xC000) == 0x8000)
                continue;
            if (w & 0x4000) {
                const quint32 ptr = u32At(row);
                const char* target = d + qsizetype(ptr >> 8) * PageSize;
                row = target + (u16At(target + 10 + 2 * (ptr & 0xFF)) & SlotOffsetMask);
            }
            ids.append(u32At(row + 1));
        }
    }
    return ids;
}

} // namespace

class TestJet3Reader : public QObject {
    Q_OBJECT

private slots:
    void samplesMatchIndependentReader_data() {
        QTest::addColumn<QString>("file");
        const QStringList files = sampleFiles();
        QVERIFY2(files.size() >= 9, "sample databases missing");
        for (const QString& f : files)
            QTest::newRow(qPrintable(f.section(QLatin1Char('/'), -1))) << f;
    }

    void samplesMatchIndependentReader() {
        if (!haveMdbTools())
            QSKIP("mdb-export is not installed");
        QFETCH(QString, file);
        Database db;
        QVERIFY2(db.open(file), qPrintable(db.error()));
        QCOMPARE(db.codePage(), 1252);
        QStringList ours;
        for (const CatalogEntry& e : db.userTables())
            ours.append(e.name);
        QStringList theirs = mdbTables(file);
        QVERIFY(!ours.isEmpty());
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        QCOMPARE(ours, theirs);

        for (const QString& name : ours) {
            const std::optional<TableDef> def = db.table(name);
            QVERIFY(def);
            int skipped = db.scan(*def, [](const RowCells&) { return true; });
            QCOMPARE(skipped, 0);
            const TextTable mine = readTable(db, name);
            const TextTable other = mdbExport(file, name);
            QCOMPARE(mine.columns, other.columns);
            QCOMPARE(mine.rows.size(), other.rows.size());
            for (int r = 0; r < mine.rows.size(); ++r) {
                QCOMPARE(other.rows.at(r).size(), def->columns.size());
                for (int c = 0; c < def->columns.size(); ++c) {
                    if (!comparable(def->columns.at(c).type))
                        continue;
                    const QString& a = mine.rows.at(r).at(c);
                    const QString& b = other.rows.at(r).at(c);
                    if (!sameText(a, b))
                        QFAIL(qPrintable(QStringLiteral("%1 row %2 column %3: ours \"%4\", mdb-export \"%5\"")
                                             .arg(name)
                                             .arg(r)
                                             .arg(def->columns.at(c).name, a.left(80), b.left(80))));
                }
            }
        }
    }

    void catalogRowsCountAtTheirHomeSlots_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("orderDiffers");
        // In queryTest the one moved row is the last home slot of its page and its data
        // the first slot of a later page: both orders agree there.
        QTest::newRow("queryTest") << sampleDir() + QStringLiteral("/queryTestV1997.mdb") << false;
        QTest::newRow("testIndexCodes") << sampleDir() + QStringLiteral("/testIndexCodesV1997.mdb") << true;
    }

    void catalogRowsCountAtTheirHomeSlots() {
        QFETCH(QString, file);
        QFETCH(bool, orderDiffers);
        Database db;
        QVERIFY(db.open(file));
        QList<quint32> ours;
        for (const CatalogEntry& e : db.catalog())
            ours.append(e.id);
        QCOMPARE(ours, catalogIdsByHomeSlot(readFile(file)));
        if (!haveMdbTools())
            QSKIP("mdb-export is not installed");
        // mdb-export lists the same objects, but moved ones at their data slot.
        QList<quint32> theirs;
        const TextTable other = mdbExport(file, QStringLiteral("MSysObjects"));
        for (const QStringList& row : other.rows)
            theirs.append(quint32(row.at(0).toLongLong()));
        QCOMPARE(ours != theirs, orderDiffers);
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        QCOMPARE(ours, theirs);
    }

    void rejectsFilesThatAreNotJet3() {
        const QByteArray good = smallDatabase();
        QVERIFY(!good.isEmpty());
        Database db;
        QVERIFY(!db.open(QStringLiteral("/nonexistent/qlxxcl.wrd")));
        QVERIFY(!db.error().isEmpty());
        QVERIFY(!db.openBytes(QByteArray()));
        QVERIFY(!db.openBytes(good.left(good.size() - 1)));
        QVERIFY(db.error().contains(QStringLiteral("truncated")));
        QVERIFY(!db.openBytes(good.left(2 * PageSize)));
        for (char version : {char(1), char(2), char(3)}) {
            QByteArray v = good;
            v[HeaderVersionOffset] = version;
            QVERIFY(!db.openBytes(v));
            QVERIFY(db.error().contains(QStringLiteral("version")));
        }
        QByteArray unsigned_ = good;
        unsigned_[5] = 'x';
        QVERIFY(!db.openBytes(unsigned_));
        QByteArray encrypted = good;
        cryptHeaderBlock(encrypted.data());
        putU32(encrypted.data() + HeaderDatabaseKeyOffset, 0x12345678);
        cryptHeaderBlock(encrypted.data());
        QVERIFY(!db.openBytes(encrypted));
        QByteArray noCatalog = good;
        noCatalog[2 * PageSize] = 0x01;
        QVERIFY(!db.openBytes(noCatalog));
        QVERIFY(!db.isOpen());
        QVERIFY(db.catalog().isEmpty());
        QVERIFY(db.openBytes(good));
        QCOMPARE(db.codePage(), 936);
        QCOMPARE(db.sortOrder(), 0x0804);
    }

    void truncatedFilesGiveAllRowsOrSayTruncated() {
        const QByteArray good = smallDatabase();
        const QList<QString> names{QStringLiteral("甲"), QStringLiteral("乙")};
        QList<TextTable> full;
        for (const QString& name : names)
            full.append(readTable(writeTemp(good), name));
        int refused = 0;
        for (qsizetype pages = 3; pages < good.size() / PageSize; ++pages) {
            Database db;
            if (!db.openBytes(good.left(pages * PageSize)))
                continue;
            for (int t = 0; t < names.size(); ++t) {
                TextTable rows;
                const std::optional<TableDef> def = db.table(names.at(t));
                const int skipped = !def ? -1 : db.scan(*def, [&](const RowCells& cells) {
                    QStringList values;
                    for (int i = 0; i < def->columns.size(); ++i)
                        values.append(db.text(def->columns.at(i), cells[i]));
                    rows.rows.append(values);
                    return true;
                });
                if (skipped < 0) {
                    QVERIFY2(db.error().contains(QStringLiteral("truncated")), qPrintable(db.error()));
                    ++refused;
                } else {
                    QCOMPARE(rows.rows, full.at(t).rows);
                }
            }
        }
        QVERIFY(refused > 0);
    }

    void hostileSharingGetsNothing() {
        // Every row's Memo names row 0's chain: only row 0 gets it.
        const QByteArray shared = sharedMemoDatabase(40, 20000);
        Database db;
        QVERIFY(db.openBytes(shared));
        const TableDef table = *db.table(QStringLiteral("m"));
        QList<qsizetype> sizes;
        bool sameAgain = true;
        db.scan(table, [&](const RowCells& cells) {
            const QByteArray memo = db.longValue(cells[1]);
            sameAgain = sameAgain && db.longValue(cells[1]) == memo; // the same cell again
            sizes.append(memo.size());
            return true;
        });
        QVERIFY(sameAgain);
        QCOMPARE(sizes.size(), 40);
        QCOMPARE(sizes.first(), 20000);
        QCOMPARE(sizes.count(0), 39);
    }

    void garbagePagesNeverCrash_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::newRow("written") << smallDatabase();
        QTest::newRow("sample") << readFile(sampleDir() + QStringLiteral("/queryTestV1997.mdb"));
    }

    void garbagePagesNeverCrash() {
        QFETCH(QByteArray, image);
        QVERIFY(!image.isEmpty());
        QRandomGenerator random(20240611);
        const qsizetype pages = image.size() / PageSize;
        for (qsizetype p = 0; p < pages; ++p) {
            for (int variant = 0; variant < 3; ++variant) {
                QByteArray broken = image;
                char* page = broken.data() + p * PageSize;
                // Keep the page type in some variants so that the damage reaches the
                // structure behind it.
                for (int i = variant == 0 ? 0 : 1; i < PageSize; ++i)
                    page[i] = char(random.bounded(256));
                if (variant == 2)
                    for (int i = 10; i < PageSize; i += 2)
                        putU16(page + i, quint16(random.bounded(PageSize + 64) | (i % 6 == 0 ? 0x4000 : 0)));
                readEverything(broken);
            }
        }
        for (int round = 0; round < 300; ++round) {
            QByteArray broken = image;
            for (int flips = 0; flips < 8; ++flips)
                broken[random.bounded(int(broken.size()))] = char(random.bounded(256));
            readEverything(broken);
        }
    }

    void movedRowWithBadPointerIsSkipped_data() {
        QTest::addColumn<int>("damage");
        QTest::addColumn<int>("skipped"); // -1: the scan says the file is truncated
        QTest::newRow("points to itself") << 0 << 1;
        QTest::newRow("page past the end") << 1 << -1;
        QTest::newRow("slot past the slot table") << 2 << 1;
        QTest::newRow("page of another table") << 3 << 1;
        // In the ring the target became a home slot itself, so both are unreadable.
        QTest::newRow("two home slots in a ring") << 4 << 2;
        QTest::newRow("target deleted") << 5 << 1;
        QTest::newRow("a second home slot names the target") << 6 << 1;
    }

    void movedRowWithBadPointerIsSkipped() {
        QFETCH(int, damage);
        QFETCH(int, skipped);
        QByteArray image = smallDatabase();
        Database db;
        QVERIFY(db.openBytes(image));
        const TableDef table = *db.table(QStringLiteral("甲"));
        // Find the home slot of the moved row and its target.
        quint32 homePage = 0;
        int homeSlot = -1;
        for (quint32 p : db.usageMapPages(table.usageMap))
            for (int s = 0; s < u16At(image.constData() + p * PageSize + 8); ++s)
                if ((slotWord(image, p, s) & 0xC000) == SlotMoved) {
                    homePage = p;
                    homeSlot = s;
                }
        QVERIFY(homeSlot >= 0);
        const qsizetype pointerAt = homePage * PageSize + slotStart(image, homePage, homeSlot);
        const quint32 target = u32At(image.constData() + pointerAt);
        switch (damage) {
        case 0:
            putU32At(&image, pointerAt, rowPointer(homePage, homeSlot));
            break;
        case 1:
            putU32At(&image, pointerAt, rowPointer(quint32(image.size() / PageSize) + 5, 0));
            break;
        case 2:
            putU32At(&image, pointerAt, rowPointer(target >> 8, 200));
            break;
        case 3:
            putU32At(&image, pointerAt,
                     rowPointer(db.usageMapPages(db.tableAt(CatalogPage)->usageMap).first(), 0));
            break;
        case 4: {
            // The target becomes a home slot pointing back.
            const quint32 tp = target >> 8;
            const int ts = int(target & 0xFF);
            setSlotWord(&image, tp, ts, quint16(slotWord(image, tp, ts) & SlotOffsetMask) | SlotMoved);
            putU32At(&image, tp * PageSize + slotStart(image, tp, ts), rowPointer(homePage, homeSlot));
            break;
        }
        case 5:
            setSlotWord(&image, target >> 8, int(target & 0xFF),
                        slotWord(image, target >> 8, target & 0xFF) | SlotDeleted);
            break;
        case 6: // row 4 (the next slot) turns into a second home slot of row 3's data
            setSlotWord(&image, homePage, homeSlot + 1, slotWord(image, homePage, homeSlot + 1) | SlotMoved);
            putU32At(&image, homePage * PageSize + slotStart(image, homePage, homeSlot + 1), target);
            break;
        }
        Database broken;
        QVERIFY(broken.openBytes(image));
        QStringList names;
        QCOMPARE(broken.scan(table,
                             [&](const RowCells& cells) {
                                 names.append(broken.text(table.columns.at(0), cells[0]));
                                 return true;
                             }),
                 skipped);
        if (skipped < 0) {
            QVERIFY(broken.error().contains(QStringLiteral("truncated")));
            return;
        }
        const QString survivor = damage == 6 ? QStringLiteral("行3") : QStringLiteral("行4");
        QCOMPARE(names, (QStringList{QStringLiteral("行0"), QStringLiteral("行1"), QStringLiteral("行2"),
                                     survivor}));
    }

    void brokenMemoChainGivesEmptyValue() {
        QByteArray image = smallDatabase();
        Database db;
        QVERIFY(db.openBytes(image));
        const TableDef table = *db.table(QStringLiteral("甲"));
        // Row 2 holds its memo as a chain of 100-byte pieces: make the second piece point
        // back at the first.
        QByteArray header;
        int row = 0;
        db.scan(table, [&](const RowCells& cells) {
            if (row++ == 2)
                header = cells[1].bytes().toByteArray();
            return true;
        });
        QCOMPARE(header.size(), LongValueHeaderSize);
        QCOMPARE(u32At(header.constData()) & 0xC0000000u, 0u);
        const quint32 first = u32At(header.constData() + 4);
        const qsizetype firstAt = (first >> 8) * PageSize + slotStart(image, first >> 8, first & 0xFF);
        const quint32 second = u32At(image.constData() + firstAt);
        QVERIFY(second != 0);
        const qsizetype secondAt = (second >> 8) * PageSize + slotStart(image, second >> 8, second & 0xFF);
        putU32At(&image, secondAt, first);
        Database broken;
        QVERIFY(broken.openBytes(image));
        QStringList memos;
        broken.scan(table, [&](const RowCells& cells) {
            memos.append(broken.text(table.columns.at(1), cells[1]));
            return true;
        });
        QCOMPARE(memos.size(), 5);
        QCOMPARE(memos.at(2), QString());
        QCOMPARE(memos.at(1), QString(300, QChar(u'字')));
    }

    void brokenOrSharedDefinitionChainIsAnError() {
        // Two tables whose definitions need three pages each.
        Writer w;
        for (const QString& name : {QStringLiteral("宽"), QStringLiteral("阔")}) {
            QList<WriterColumn> columns;
            for (int i = 0; i < 120; ++i)
                columns.append({QStringLiteral("column_with_a_long_name_%1").arg(i), TypeText, 10});
            w.addTable(name, columns);
        }
        const QByteArray image = w.build();
        Database db;
        QVERIFY(db.openBytes(image));
        const quint32 wide = db.table(QStringLiteral("宽"))->page;
        const quint32 broad = db.table(QStringLiteral("阔"))->page;
        const quint32 wideNext = u32At(image.constData() + wide * PageSize + 4);
        QVERIFY(wideNext != 0);
        for (int damage = 0; damage < 3; ++damage) {
            QByteArray broken = image;
            if (damage == 0) // the continuation leads back to the first page
                putU32At(&broken, wideNext * PageSize + 4, wide);
            else if (damage == 1) // it leads past the end of the file
                putU32At(&broken, wide * PageSize + 4, quint32(image.size() / PageSize) + 3);
            else // the second table continues on the first one's page
                putU32At(&broken, broad * PageSize + 4, wideNext);
            Database other;
            QVERIFY(other.openBytes(broken));
            QCOMPARE(bool(other.table(QStringLiteral("宽"))), damage == 2);
            QVERIFY(!other.table(QStringLiteral("阔")) || damage < 2);
            QCOMPARE(bool(other.table(QStringLiteral("宽"))), damage == 2); // read again, same answer
        }
        // A catalog Id that names a data page is not a table either.
        QVERIFY(!db.tableAt(1));
        QVERIFY(!db.tableAt(0));
        QVERIFY(!db.tableAt(0xFFFFFF));
    }

    void usageMapOutsideTheFileIsTruncation() {
        QByteArray image = smallDatabase();
        Database db;
        QVERIFY(db.openBytes(image));
        TableDef table = *db.table(QStringLiteral("甲"));
        QVERIFY(!db.usageMapPages(table.usageMap).isEmpty());
        table.usageMap = rowPointer(9999, 0);
        bool truncated = false;
        QVERIFY(db.usageMapPages(table.usageMap, &truncated).isEmpty());
        QVERIFY(truncated);
        int rows = 0;
        QCOMPARE(db.scan(table, [&](const RowCells&) { return ++rows, true; }), -1);
        QCOMPARE(rows, 0);
        QVERIFY(db.error().contains(QStringLiteral("truncated")));
    }
};

QTEST_GUILESS_MAIN(TestJet3Reader)
#include "tst_jet3reader.moc"
