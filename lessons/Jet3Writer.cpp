#include "lessons/Jet3Writer.h"

#include "lessons/Quoted.h"

#include <QStringEncoder>
#include <algorithm>
#include <cstring>

namespace lesnor::jet3 {

namespace {

constexpr int PageRoom = PageSize - DataHeaderSize; // slot words plus row bytes
constexpr int MaxRowSize = 2012;
constexpr int MaxLongValueRow = PageRoom - 2;      // one row alone on a page
constexpr int MaxChainPiece = MaxLongValueRow - 4; // minus the next-piece pointer
constexpr int InlineMemoLimit = 32;
constexpr int InlineMapBitmap = 128; // bytes; covers 1024 pages
constexpr quint32 TablesContainer = 0x0F000001u;
constexpr quint32 RootContainer = 0x0F000000u;
constexpr quint32 SystemFlag = 0x80000000u;
// Creation and update time written into the catalog: a fixed instant, so that the same
// input always gives the same file (2000-01-01 00:00, days since 1899-12-30).
constexpr double CatalogTime = 36526.0;

struct ColumnModel {
    QByteArray name; // as stored, in the file's code page
    QString label;   // as given, for messages
    quint8 type = TypeText;
    bool fixed = false;
    int size = 0;
    int number = 0;
    int varIndex = 0;
    int fixedOffset = 0;
    bool longValue() const { return type == TypeMemo || type == TypeOle; }
};

// A value ready to be stored: NULL, bytes for the row, or a long value still to be placed.
struct CellValue {
    bool null = true;
    QByteArray bytes;
};

struct TableModel {
    QByteArray name;
    bool system = false;
    QList<ColumnModel> columns;
    int fixedSize = 0;
    int varCount = 0;
    QList<quint32> defPages;
    QList<quint32> ownedPages;       // data and moved-data pages
    QList<QList<quint32>> lvalPages; // per column (empty for others)
    quint32 usageMap = 0;
    quint32 freeMap = 0;
    QList<quint32> lvalUsageMap; // per column
    QList<quint32> lvalFreeMap;  // per column
    quint32 liveRows = 0;
};

struct DraftPage {
    char type = PageData;
    quint32 owner = 0;
    QList<QByteArray> rows;
    QList<quint16> flags;
    int used = 0;
    QByteArray raw; // whole page for non-data pages
};

class Builder {
public:
    Builder(int codePage, bool referenceMaps)
        : codePage_(codePage)
        , referenceMaps_(referenceMaps)
        , encoder_(codecNameForCodePage(codePage).constData()) {}

    QByteArray build(const QList<TableModel>& userTables, const QList<QList<WriterRow>>& rows,
                     const QList<bool>& movedCatalogRows, QString* error);

    bool encode(const QString& text, QByteArray* out) {
        bool ascii = true;
        for (QChar c : text)
            if (c.unicode() >= 0x80)
                ascii = false;
        if (ascii) {
            *out = text.toLatin1();
            return true;
        }
        if (!encoder_.isValid())
            return false;
        *out = encoder_.encode(text);
        if (encoder_.hasError()) {
            encoder_.resetState();
            return false;
        }
        return true;
    }

private:
    quint32 newPage(char type, quint32 owner) {
        DraftPage p;
        p.type = type;
        p.owner = owner;
        pages_.append(p);
        return quint32(pages_.size() - 1);
    }

    // Puts a row on the page `*current` of a page stream (owner, list of its pages), or on a
    // new page of the stream if it does not fit. Returns the row pointer.
    quint32 place(qint64* current, quint32 owner, QList<quint32>* streamPages, const QByteArray& row,
                  quint16 flags, bool forceNew = false) {
        const int need = int(row.size()) + 2;
        if (forceNew || *current < 0 || pages_[*current].used + need > PageRoom ||
            pages_[*current].rows.size() >= MaxSlotsPerPage) {
            *current = newPage(PageData, owner);
            streamPages->append(quint32(*current));
        }
        DraftPage& p = pages_[*current];
        p.rows.append(row);
        p.flags.append(flags);
        p.used += need;
        return rowPointer(quint32(*current), quint32(p.rows.size() - 1));
    }

    QByteArray& rowAt(quint32 pointer) { return pages_[pointer >> 8].rows[pointer & 0xFF]; }

    bool encodeRow(const TableModel& t, const QList<CellValue>& cells, QByteArray* out, QString* error);
    bool longValueCell(TableModel& t, int column, const QByteArray& data, const WriterRow& how,
                       QByteArray* cell, QString* error);
    bool writeRows(TableModel& t, const QList<QList<CellValue>>& values, const QList<WriterRow>& how,
                   QString* error);
    QByteArray tableDefinition(const TableModel& t) const;
    void placeMaps(QList<TableModel*> tables);
    QByteArray serialize(quint32 number) const;
    QByteArray headerPage() const;
    QByteArray globalMap(quint32 total) const;

    int codePage_;
    bool referenceMaps_;
    QStringEncoder encoder_;
    QList<DraftPage> pages_;
    QList<qint64> lvalCurrent_; // per column of the table being written
};

ColumnModel column(const char* name, quint8 type, int size, bool fixed) {
    ColumnModel c;
    c.name = name;
    c.type = type;
    c.size = size;
    c.fixed = fixed;
    return c;
}

// Gives every column its number, variable index and fixed offset, in list order.
void numberColumns(TableModel* t) {
    int fixedAt = 0;
    int var = 0;
    for (int i = 0; i < t->columns.size(); ++i) {
        ColumnModel& c = t->columns[i];
        c.number = i;
        if (c.fixed) {
            c.fixedOffset = fixedAt;
            fixedAt += c.size;
        } else {
            c.varIndex = var++;
        }
    }
    t->fixedSize = fixedAt;
    t->varCount = var;
    t->lvalPages.resize(t->columns.size());
    t->lvalUsageMap.resize(t->columns.size());
    t->lvalFreeMap.resize(t->columns.size());
}

TableModel catalogModel() {
    TableModel t;
    t.name = "MSysObjects";
    t.system = true;
    t.columns = {
        column("Id", TypeLong, 4, true),
        column("ParentId", TypeLong, 4, true),
        column("Name", TypeText, 255, false),
        column("Type", TypeInteger, 2, true),
        column("DateCreate", TypeDateTime, 8, true),
        column("DateUpdate", TypeDateTime, 8, true),
        column("Owner", TypeBinary, 255, false),
        column("Flags", TypeLong, 4, true),
        column("Database", TypeMemo, 0, false),
        column("Connect", TypeMemo, 0, false),
        column("ForeignName", TypeText, 255, false),
        column("RmtInfoShort", TypeBinary, 255, false),
        column("RmtInfoLong", TypeOle, 0, false),
        column("Lv", TypeOle, 0, false),
        column("LvProp", TypeOle, 0, false),
        column("LvModule", TypeOle, 0, false),
        column("LvExtra", TypeOle, 0, false),
    };
    numberColumns(&t);
    return t;
}

QByteArray le32(quint32 v) {
    QByteArray b(4, '\0');
    putU32(b.data(), v);
    return b;
}

QByteArray le16(quint16 v) {
    QByteArray b(2, '\0');
    putU16(b.data(), v);
    return b;
}

QByteArray double64(double v) {
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &v, 8);
    return b;
}

QList<CellValue> catalogRow(quint32 id, quint32 parent, const QByteArray& name, qint16 type, quint32 flags) {
    QList<CellValue> cells(17);
    auto set = [&](int i, const QByteArray& b) {
        cells[i].null = false;
        cells[i].bytes = b;
    };
    set(0, le32(id));
    set(1, le32(parent));
    set(2, name);
    set(3, le16(quint16(type)));
    set(4, double64(CatalogTime));
    set(5, double64(CatalogTime));
    set(7, le32(flags));
    return cells;
}

bool Builder::encodeRow(const TableModel& t, const QList<CellValue>& cells, QByteArray* out, QString* error) {
    const int columnCount = int(t.columns.size());
    const int maskBytes = (columnCount + 7) / 8;
    QByteArray row(1 + t.fixedSize, '\0');
    row[0] = char(columnCount);
    QByteArray mask(maskBytes, '\0');
    QList<int> offsets(t.varCount + 1, 0);
    for (int i = 0; i < columnCount; ++i) {
        const ColumnModel& c = t.columns.at(i);
        if (!cells.at(i).null)
            mask[c.number / 8] = char(mask[c.number / 8] | (1 << (c.number % 8)));
        if (c.fixed && !cells.at(i).null)
            std::memcpy(row.data() + 1 + c.fixedOffset, cells.at(i).bytes.constData(),
                        std::min<qsizetype>(c.size, cells.at(i).bytes.size()));
    }
    if (t.varCount == 0) {
        *out = row + mask;
        return true;
    }
    // Variable values in variable-index order (columns are numbered in that order).
    int var = 0;
    for (int i = 0; i < columnCount; ++i) {
        const ColumnModel& c = t.columns.at(i);
        if (c.fixed)
            continue;
        offsets[var++] = int(row.size());
        if (!cells.at(i).null)
            row += cells.at(i).bytes;
    }
    const int eod = int(row.size());
    offsets[t.varCount] = eod;
    const int jumps = eod / 256;
    const int total = eod + 1 + t.varCount + jumps + 1 + maskBytes;
    int dummy = 0;
    if ((total - 1) / 256 != jumps) {
        dummy = 1;
        if (total / 256 != jumps + 1) {
            *error = QStringLiteral("a row of %1 cannot be laid out").arg(QString::fromLatin1(t.name));
            return false;
        }
    }
    row += char(eod & 0xFF);
    for (int k = t.varCount - 1; k >= 0; --k)
        row += char(offsets[k] & 0xFF);
    if (dummy)
        row += char(0xFF);
    for (int m = jumps; m >= 1; --m) {
        int first = 0;
        while (offsets[first] < 256 * m)
            ++first;
        row += char(first);
    }
    row += char(t.varCount);
    row += mask;
    if (row.size() > MaxRowSize) {
        *error = QStringLiteral("a row of %1 is %2 bytes, more than a page can hold")
                     .arg(QString::fromLatin1(t.name))
                     .arg(row.size());
        return false;
    }
    *out = row;
    return true;
}

bool Builder::longValueCell(TableModel& t, int column, const QByteArray& data, const WriterRow& how,
                            QByteArray* cell, QString* error) {
    const qsizetype length = data.size();
    MemoForm form = how.memoForm;
    if (form == MemoForm::Auto)
        form = length <= InlineMemoLimit   ? MemoForm::Inline
               : length <= MaxLongValueRow ? MemoForm::SingleRow
                                           : MemoForm::Chained;
    if (length > qsizetype(LongValueLengthMask)) {
        *error = QStringLiteral("a long value is too long");
        return false;
    }
    QByteArray header(LongValueHeaderSize, '\0');
    quint32 word = quint32(length);
    qint64* current = &lvalCurrent_[column];
    QList<quint32>* stream = &t.lvalPages[column];
    static const quint32 lvalOwner = u32At("LVAL");
    switch (form) {
    case MemoForm::Auto:
    case MemoForm::Inline:
        putU32(header.data(), word | LongValueInline);
        *cell = header + data;
        return true;
    case MemoForm::SingleRow:
        if (length > MaxLongValueRow) {
            *error = QStringLiteral("a long value of %1 bytes does not fit one page").arg(length);
            return false;
        }
        putU32(header.data(), word | LongValueSingle);
        putU32(header.data() + 4, place(current, lvalOwner, stream, data, 0));
        *cell = header;
        return true;
    case MemoForm::Chained: {
        const int piece = how.chainPiece > 0 ? std::min(how.chainPiece, MaxChainPiece) : MaxChainPiece;
        quint32 previous = 0;
        qsizetype at = 0;
        do {
            const QByteArray part = le32(0) + data.mid(at, piece);
            const quint32 pointer = place(current, lvalOwner, stream, part, 0);
            if (previous == 0)
                putU32(header.data() + 4, pointer);
            else
                putU32(rowAt(previous).data(), pointer);
            previous = pointer;
            at += piece;
        } while (at < length);
        putU32(header.data(), word);
        *cell = header;
        return true;
    }
    }
    return false;
}

bool Builder::writeRows(TableModel& t, const QList<QList<CellValue>>& values, const QList<WriterRow>& how,
                        QString* error) {
    const quint32 owner = t.defPages.first();
    qint64 dataCurrent = -1;
    qint64 movedCurrent = -1;
    lvalCurrent_ = QList<qint64>(t.columns.size(), -1);
    for (int r = 0; r < values.size(); ++r) {
        QList<CellValue> cells = values.at(r);
        const WriterRow& placement = how.at(r);
        for (int i = 0; i < cells.size(); ++i)
            if (t.columns.at(i).longValue() && !cells.at(i).null &&
                !longValueCell(t, i, cells.at(i).bytes, placement, &cells[i].bytes, error))
                return false;
        QByteArray row;
        if (!encodeRow(t, cells, &row, error))
            return false;
        const quint16 deleted = placement.deleted ? SlotDeleted : 0;
        if (placement.moved) {
            // A deleted moved row is flagged deleted at both ends: some readers take a slot
            // flagged only 0x8000 for a live row.
            const quint32 target = place(&movedCurrent, owner, &t.ownedPages, row,
                                         placement.deleted ? SlotDeleted : SlotSkipped);
            place(&dataCurrent, owner, &t.ownedPages, le32(target), quint16(SlotMoved | deleted),
                  placement.newPage);
        } else {
            place(&dataCurrent, owner, &t.ownedPages, row, deleted, placement.newPage);
        }
        if (!placement.deleted)
            ++t.liveRows;
    }
    return true;
}

QByteArray Builder::tableDefinition(const TableModel& t) const {
    QByteArray def(43, '\0');
    char* d = def.data();
    d[0] = PageTableDef;
    d[1] = 0x01;
    d[2] = 'V';
    d[3] = 'C';
    putU32(d + 12, t.liveRows);
    d[20] = t.system ? 0x53 : 0x4E;
    putU16(d + 21, quint16(t.columns.size()));
    putU16(d + 23, quint16(t.varCount));
    putU16(d + 25, quint16(t.columns.size()));
    putU32(d + 35, t.usageMap);
    putU32(d + 39, t.freeMap);
    const quint16 sortOrder = codePage_ == 936 ? 0x0804 : 0x0409;
    for (const ColumnModel& c : t.columns) {
        QByteArray desc(18, '\0');
        char* p = desc.data();
        p[0] = char(c.type);
        putU16(p + 1, quint16(c.number));
        putU16(p + 3, quint16(c.fixed ? 0 : c.varIndex));
        putU16(p + 5, quint16(t.system ? 0 : c.number));
        putU16(p + 7, 1);
        putU16(p + 9, sortOrder);
        putU16(p + 11, quint16(codePage_));
        p[13] = char((c.fixed ? ColumnFixed : 0) | ColumnNullable | (t.system ? 0x10 : 0));
        putU16(p + 14, quint16(c.fixed ? c.fixedOffset : 0));
        putU16(p + 16, quint16(c.size));
        def += desc;
    }
    for (const ColumnModel& c : t.columns) {
        def += char(c.name.size());
        def += c.name;
    }
    for (const ColumnModel& c : t.columns) {
        if (!c.longValue())
            continue;
        def += le16(quint16(c.number));
        def += le32(t.lvalUsageMap.at(c.number));
        def += le32(t.lvalFreeMap.at(c.number));
    }
    def += le16(0xFFFF);
    putU32(def.data() + 8, quint32(def.size()));
    return def;
}

void Builder::placeMaps(QList<TableModel*> tables) {
    // Every map in the order: per table its usage and free-space map, then per long-value
    // column the same pair.
    QList<QList<quint32>> maps;
    for (TableModel* t : tables) {
        maps.append(t->ownedPages);
        maps.append(QList<quint32>());
        for (int i = 0; i < t->columns.size(); ++i) {
            if (!t->columns.at(i).longValue())
                continue;
            maps.append(t->lvalPages.at(i));
            maps.append(QList<quint32>());
        }
    }
    const quint32 firstMapPage = quint32(pages_.size());
    // Size the map rows and count the pages they need, until the count settles (the maps
    // cover the pages that hold them).
    bool reference = referenceMaps_;
    int rowSize = 0;
    quint32 mapPages = 1;
    quint32 bitmapPages = 0;
    for (int round = 0; round < 8; ++round) {
        const quint32 total = firstMapPage + mapPages + bitmapPages;
        const int inlineBytes = std::max<int>(InlineMapBitmap, int((total + 7) / 8 + 127) / 128 * 128);
        if (5 + inlineBytes + 2 > PageRoom)
            reference = true;
        quint32 blocks = (total + PagesPerBitmapPage - 1) / PagesPerBitmapPage;
        rowSize = reference ? int(1 + 4 * blocks) : 5 + inlineBytes;
        const int perPage = std::min(MaxSlotsPerPage, PageRoom / (rowSize + 2));
        const quint32 needMapPages = quint32((maps.size() + perPage - 1) / perPage);
        quint32 needBitmapPages = 0;
        if (reference)
            for (const QList<quint32>& m : maps) {
                QList<bool> used(blocks, false);
                for (quint32 p : m)
                    used[p / PagesPerBitmapPage] = true;
                needBitmapPages += quint32(std::count(used.begin(), used.end(), true));
            }
        if (needMapPages == mapPages && needBitmapPages == bitmapPages)
            break;
        mapPages = needMapPages;
        bitmapPages = needBitmapPages;
    }
    const quint32 total = firstMapPage + mapPages + bitmapPages;
    const quint32 blocks = (total + PagesPerBitmapPage - 1) / PagesPerBitmapPage;
    QList<quint32> pointers;
    qint64 current = -1;
    QList<quint32> mapPageList;
    QList<QByteArray> rows;
    quint32 nextBitmapPage = firstMapPage + mapPages;
    QList<QByteArray> bitmapPagesData;
    for (const QList<quint32>& m : maps) {
        QByteArray row;
        if (reference) {
            row = QByteArray(int(1 + 4 * blocks), '\0');
            row[0] = 1;
            for (quint32 b = 0; b < blocks; ++b) {
                QByteArray bitmap(PageSize, '\0');
                bitmap[0] = PageUsageBitmap;
                bitmap[1] = 0x01;
                bool any = false;
                for (quint32 p : m)
                    if (p / PagesPerBitmapPage == b) {
                        const quint32 k = p % PagesPerBitmapPage;
                        bitmap[4 + k / 8] = char(bitmap[4 + k / 8] | (1 << (k % 8)));
                        any = true;
                    }
                if (any) {
                    putU32(row.data() + 1 + 4 * b, nextBitmapPage++);
                    bitmapPagesData.append(bitmap);
                }
            }
        } else {
            row = QByteArray(rowSize, '\0');
            for (quint32 p : m)
                row[5 + p / 8] = char(row[5 + p / 8] | (1 << (p % 8)));
        }
        rows.append(row);
    }
    for (const QByteArray& row : rows)
        pointers.append(place(&current, 0, &mapPageList, row, 0));
    for (const QByteArray& bitmap : bitmapPagesData) {
        const quint32 n = newPage(PageUsageBitmap, 0);
        pages_[n].raw = bitmap;
    }
    int k = 0;
    for (TableModel* t : tables) {
        t->usageMap = pointers.at(k++);
        t->freeMap = pointers.at(k++);
        for (int i = 0; i < t->columns.size(); ++i) {
            if (!t->columns.at(i).longValue())
                continue;
            t->lvalUsageMap[i] = pointers.at(k++);
            t->lvalFreeMap[i] = pointers.at(k++);
        }
    }
}

QByteArray Builder::headerPage() const {
    QByteArray page(PageSize, '\0');
    char* p = page.data();
    p[1] = 0x01;
    std::memcpy(p + 4, "Standard Jet DB", 15);
    // Constant block seen in every database of this version.
    static const unsigned char constant[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0,
                                               3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
    std::memcpy(p + HeaderCipherOffset, constant, sizeof constant);
    p[0x38] = 0x01;
    putU16(p + HeaderSortOrderOffset, codePage_ == 936 ? 0x0804 : 0x0409);
    putU16(p + HeaderCodePageOffset, quint16(codePage_));
    cryptHeaderBlock(p);
    p[0x600] = 0x01;
    p[0x601] = 0x01;
    p[0x602] = 0x09;
    p[0x603] = 0x01;
    for (int i = 0x604; i < PageSize; i += 2)
        p[i + 1] = 0x01;
    return page;
}

QByteArray Builder::globalMap(quint32 total) const {
    // Slot 0: pages that are free, i.e. none inside the file and every page past its end.
    QByteArray first(5 + InlineMapBitmap, '\0');
    for (quint32 k = total; k < InlineMapBitmap * 8; ++k)
        first[5 + k / 8] = char(first[5 + k / 8] | (1 << (k % 8)));
    const QByteArray second(5 + InlineMapBitmap, '\0');
    QByteArray page(PageSize, '\0');
    char* p = page.data();
    p[0] = PageData;
    p[1] = 0x01;
    putU32(p + 4, 1);
    putU16(p + 8, 2);
    int top = PageSize;
    int slot = 0;
    for (const QByteArray& row : {first, second}) {
        top -= int(row.size());
        std::memcpy(p + top, row.constData(), row.size());
        putU16(p + DataHeaderSize + 2 * slot++, quint16(top));
    }
    putU16(p + 2, quint16(top - (DataHeaderSize + 4)));
    return page;
}

QByteArray Builder::serialize(quint32 number) const {
    const DraftPage& d = pages_.at(number);
    if (!d.raw.isEmpty())
        return d.raw;
    QByteArray page(PageSize, '\0');
    char* p = page.data();
    p[0] = d.type;
    p[1] = 0x01;
    putU32(p + 4, d.owner);
    putU16(p + 8, quint16(d.rows.size()));
    int top = PageSize;
    for (int i = 0; i < d.rows.size(); ++i) {
        top -= int(d.rows.at(i).size());
        std::memcpy(p + top, d.rows.at(i).constData(), d.rows.at(i).size());
        putU16(p + DataHeaderSize + 2 * i, quint16(top | d.flags.at(i)));
    }
    putU16(p + 2, quint16(top - (DataHeaderSize + 2 * d.rows.size())));
    return page;
}

QByteArray Builder::build(const QList<TableModel>& userTables, const QList<QList<WriterRow>>& rows,
                          const QList<bool>& movedCatalogRows, QString* error) {
    TableModel catalog = catalogModel();
    QList<TableModel> tables = userTables;
    pages_.clear();
    newPage(PageHeader, 0); // 0: header
    newPage(PageData, 1);   // 1: global map
    // Table definitions: the catalog's at page 2, then one run of pages per table.
    auto reserveDefinition = [&](TableModel& t) {
        const int size = int(tableDefinition(t).size());
        int pagesNeeded = 1;
        if (size > PageSize)
            pagesNeeded += (size - PageSize + (PageSize - 8) - 1) / (PageSize - 8);
        for (int i = 0; i < pagesNeeded; ++i)
            t.defPages.append(newPage(PageTableDef, 0));
    };
    reserveDefinition(catalog);
    for (TableModel& t : tables)
        reserveDefinition(t);

    // The catalog's rows, then each table's rows.
    QList<QList<CellValue>> catalogRows;
    QList<WriterRow> catalogPlacement;
    auto addCatalogRow = [&](const QList<CellValue>& row, bool moved) {
        catalogRows.append(row);
        WriterRow how;
        how.moved = moved;
        catalogPlacement.append(how);
    };
    addCatalogRow(catalogRow(TablesContainer, RootContainer, "Tables", 3, SystemFlag), false);
    addCatalogRow(catalogRow(0x0F000002u, RootContainer, "Databases", 3, SystemFlag), false);
    addCatalogRow(catalogRow(0x0F000003u, RootContainer, "Relationships", 3, SystemFlag), false);
    addCatalogRow(catalogRow(CatalogPage, TablesContainer, "MSysObjects", 1, SystemFlag), false);
    for (int i = 0; i < tables.size(); ++i)
        addCatalogRow(catalogRow(tables.at(i).defPages.first(), TablesContainer, tables.at(i).name, 1, 0),
                      movedCatalogRows.at(i));
    if (!writeRows(catalog, catalogRows, catalogPlacement, error))
        return {};

    for (int i = 0; i < tables.size(); ++i) {
        TableModel& t = tables[i];
        QList<QList<CellValue>> values;
        for (const WriterRow& row : rows.at(i)) {
            QList<CellValue> cells(t.columns.size());
            for (int c = 0; c < t.columns.size(); ++c) {
                const std::optional<QString>& v = c < row.values.size() ? row.values.at(c) : std::nullopt;
                if (!v)
                    continue;
                cells[c].null = false;
                if (!encode(*v, &cells[c].bytes)) {
                    *error =
                        QStringLiteral("%1 cannot be written in code page %2").arg(quoted(*v)).arg(codePage_);
                    return {};
                }
                if (t.columns.at(c).type == TypeText && cells[c].bytes.size() > t.columns.at(c).size) {
                    *error = QStringLiteral("%1 is longer than the %2 bytes of column %3")
                                 .arg(quoted(*v))
                                 .arg(t.columns.at(c).size)
                                 .arg(quoted(t.columns.at(c).label));
                    return {};
                }
            }
            values.append(cells);
        }
        if (!writeRows(t, values, rows.at(i), error))
            return {};
    }

    QList<TableModel*> all{&catalog};
    for (TableModel& t : tables)
        all.append(&t);
    placeMaps(all);

    const quint32 total = quint32(pages_.size());
    for (TableModel* t : all) {
        const QByteArray def = tableDefinition(*t);
        for (int i = 0; i < t->defPages.size(); ++i) {
            QByteArray page(PageSize, '\0');
            if (i == 0) {
                std::memcpy(page.data(), def.constData(), std::min<qsizetype>(PageSize, def.size()));
            } else {
                page[0] = PageTableDef;
                page[1] = 0x01;
                page[2] = 'V';
                page[3] = 'C';
                const qsizetype from = PageSize + qsizetype(i - 1) * (PageSize - 8);
                std::memcpy(page.data() + 8, def.constData() + from,
                            std::min<qsizetype>(PageSize - 8, def.size() - from));
            }
            if (i + 1 < t->defPages.size())
                putU32(page.data() + 4, t->defPages.at(i + 1));
            pages_[t->defPages.at(i)].raw = page;
        }
    }

    QByteArray file;
    file.reserve(qsizetype(total) * PageSize);
    file += headerPage();
    file += globalMap(total);
    for (quint32 n = 2; n < total; ++n)
        file += serialize(n);
    return file;
}

} // namespace

Writer::Writer(int codePage)
    : codePage_(codePage) {}

void Writer::setMovedCatalogRow(int table, bool on) {
    if (table >= 0 && table < tables_.size())
        tables_[table].movedCatalogRow = on;
}

int Writer::addTable(const QString& name, const QList<WriterColumn>& columns) {
    tables_.append(Table{name, columns, {}, false});
    return int(tables_.size() - 1);
}

void Writer::addRow(int table, const WriterRow& row) {
    if (table >= 0 && table < tables_.size())
        tables_[table].rows.append(row);
}

QByteArray Writer::build(QString* error) const {
    QString ignored;
    QString* e = error ? error : &ignored;
    e->clear();
    Builder builder(codePage_, referenceMaps_);
    QList<TableModel> models;
    QList<QList<WriterRow>> rows;
    QList<bool> moved;
    for (const Table& table : tables_) {
        TableModel t;
        if (!builder.encode(table.name, &t.name) || t.name.isEmpty() || t.name.size() > 64) {
            *e = QStringLiteral("table name \"%1\" cannot be written").arg(table.name);
            return {};
        }
        if (table.name.compare(QStringLiteral("MSysObjects"), Qt::CaseInsensitive) == 0 ||
            std::any_of(tables_.begin(), tables_.begin() + models.size(), [&](const Table& other) {
                return other.name.compare(table.name, Qt::CaseInsensitive) == 0;
            })) {
            *e = QStringLiteral("table name \"%1\" is used twice").arg(table.name);
            return {};
        }
        if (table.columns.isEmpty() || table.columns.size() > 255) {
            *e = QStringLiteral("table \"%1\" needs 1 to 255 columns").arg(table.name);
            return {};
        }
        for (const WriterColumn& c : table.columns) {
            if (std::count_if(table.columns.begin(), table.columns.end(), [&](const WriterColumn& o) {
                    return o.name.compare(c.name, Qt::CaseInsensitive) == 0;
                }) > 1) {
                *e = QStringLiteral("column name \"%1\" is used twice").arg(c.name);
                return {};
            }
            ColumnModel m;
            m.label = c.name;
            if (!builder.encode(c.name, &m.name) || m.name.isEmpty() || m.name.size() > 64) {
                *e = QStringLiteral("column name \"%1\" cannot be written").arg(c.name);
                return {};
            }
            if (c.type != TypeText && c.type != TypeMemo) {
                *e = QStringLiteral("column \"%1\": only Text and Memo columns are written").arg(c.name);
                return {};
            }
            if (c.type == TypeText && (c.size < 1 || c.size > 255)) {
                *e = QStringLiteral("column \"%1\": Text size must be 1 to 255").arg(c.name);
                return {};
            }
            m.type = c.type;
            m.size = c.type == TypeText ? c.size : 0;
            t.columns.append(m);
        }
        numberColumns(&t);
        models.append(t);
        rows.append(table.rows);
        moved.append(table.movedCatalogRow);
    }
    return builder.build(models, rows, moved, e);
}

} // namespace lesnor::jet3
