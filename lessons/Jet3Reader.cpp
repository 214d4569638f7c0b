#include "lessons/Jet3Reader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstring>

namespace lesnor::jet3 {

namespace {

constexpr int MaxMoveHops = 8;
// Jet 3 databases are limited to 1 GB; anything far larger is not one of ours.
constexpr qint64 MaxFileSize = qint64(1) << 31;

const char Signature[] = "Standard Jet DB";

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QString currencyText(qint64 v) {
    const bool negative = v < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(v) : quint64(v);
    QString out = negative ? QStringLiteral("-") : QString();
    out += QString::number(magnitude / 10000);
    out += QLatin1Char('.');
    out += QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    return out;
}

} // namespace

int TableDef::columnIndex(const QString& columnName) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).name.compare(columnName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool Database::fail(const QString& message) {
    error_ = message;
    bytes_.clear();
    pageCount_ = 0;
    return false;
}

bool Database::open(const QString& path) {
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1 is not a file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    if (file.size() > MaxFileSize)
        return fail(QStringLiteral("%1 is too large for a Jet 3 database").arg(path));
    const QByteArray data = file.readAll();
    if (data.size() != file.size())
        return fail(QStringLiteral("cannot read %1").arg(path));
    return openBytes(data);
}

bool Database::openBytes(const QByteArray& bytes) {
    error_.clear();
    bytes_ = bytes;
    pageCount_ = 0;
    if (bytes_.isEmpty())
        return fail(QStringLiteral("empty file"));
    if (bytes_.size() % PageSize != 0)
        return fail(
            QStringLiteral("file size %1 is not a whole number of pages (truncated?)").arg(bytes_.size()));
    if (bytes_.size() < 3 * PageSize)
        return fail(QStringLiteral("file too small for a database"));
    const char* head = bytes_.constData();
    if (head[0] != PageHeader || std::memcmp(head + 4, Signature, sizeof Signature) != 0)
        return fail(QStringLiteral("not a Jet database (no signature)"));
    if (head[HeaderVersionOffset] != 0)
        return fail(QStringLiteral("unsupported database version %1 (only Jet 3 is read)")
                        .arg(int(static_cast<unsigned char>(head[HeaderVersionOffset]))));
    char plain[PageSize];
    std::memcpy(plain, head, PageSize);
    cryptHeaderBlock(plain);
    sortOrder_ = u16At(plain + HeaderSortOrderOffset);
    codePage_ = u16At(plain + HeaderCodePageOffset);
    if (u32At(plain + HeaderDatabaseKeyOffset) != 0)
        return fail(QStringLiteral("encrypted databases are not supported"));

    decoder_.reset();
    const QByteArray codec = codecNameForCodePage(codePage_);
    if (!codec.isEmpty())
        decoder_.emplace(codec.constData(), QStringConverter::Flag::Stateless);
    if (!decoder_ || !decoder_->isValid())
        decoder_.emplace("windows-1252", QStringConverter::Flag::Stateless);
    if (!decoder_->isValid())
        decoder_.emplace(QStringConverter::Latin1, QStringConverter::Flag::Stateless);

    pageCount_ = quint32(bytes_.size() / PageSize);
    const QString why = [this] {
        if (!tableAt(CatalogPage, QStringLiteral("MSysObjects")))
            return error_;
        return QString();
    }();
    if (!why.isEmpty())
        return fail(QStringLiteral("unreadable catalog: %1").arg(why));
    return true;
}

const char* Database::page(quint32 number) const {
    if (number >= pageCount_)
        return nullptr;
    return bytes_.constData() + qsizetype(number) * PageSize;
}

bool Database::slotRow(const char* pageData, quint32 slot, int* start, int* length, quint16* word) const {
    const int slotCount = u16At(pageData + 8);
    const int tableEnd = DataHeaderSize + 2 * slotCount;
    if (tableEnd > PageSize || int(slot) >= slotCount)
        return false;
    const quint16 w = u16At(pageData + DataHeaderSize + 2 * slot);
    const int begin = w & SlotOffsetMask;
    const int end =
        slot == 0 ? PageSize : (u16At(pageData + DataHeaderSize + 2 * (slot - 1)) & SlotOffsetMask);
    if (begin < tableEnd || begin > end || end > PageSize)
        return false;
    *start = begin;
    *length = end - begin;
    *word = w;
    return true;
}

bool Database::rawRow(quint32 pointer, const char** row, int* length) const {
    const char* pg = page(pointer >> 8);
    if (!pg || pg[0] != PageData)
        return false;
    int start = 0;
    quint16 word = 0;
    if (!slotRow(pg, pointer & 0xFF, &start, length, &word))
        return false;
    *row = pg + start;
    return true;
}

bool Database::resolve(quint32 pointer, quint32 owner, const char** row, int* length) const {
    for (int hop = 0; hop < MaxMoveHops; ++hop) {
        const char* pg = page(pointer >> 8);
        if (!pg || pg[0] != PageData || u32At(pg + 4) != owner)
            return false;
        int start = 0;
        quint16 word = 0;
        if (!slotRow(pg, pointer & 0xFF, &start, length, &word))
            return false;
        if ((word & SlotDeleted) == SlotDeleted)
            return false;
        if (word & SlotMoved) {
            if (*length < 4)
                return false;
            pointer = u32At(pg + start);
            continue;
        }
        *row = pg + start;
        return true;
    }
    return false;
}

QList<quint32> Database::usageMapPages(quint32 mapPointer) const {
    QList<quint32> pages;
    const char* row = nullptr;
    int length = 0;
    if (!rawRow(mapPointer, &row, &length) || length < 1)
        return pages;
    if (row[0] == 0) {
        if (length < 5)
            return pages;
        const quint64 first = u32At(row + 1);
        const char* bitmap = row + 5;
        const int bits = (length - 5) * 8;
        for (int k = 0; k < bits && first + quint64(k) < pageCount_; ++k) {
            if (bitmap[k / 8] == 0) {
                k |= 7;
                continue;
            }
            if (bitmap[k / 8] & (1 << (k % 8)) && first + k != 0)
                pages.append(quint32(first + k));
        }
    } else if (row[0] == 1) {
        const int entries = (length - 1) / 4;
        for (int j = 0; j < entries; ++j) {
            const quint64 base = quint64(j) * PagesPerBitmapPage;
            if (base >= pageCount_)
                break;
            const char* bitmapPage = page(u32At(row + 1 + 4 * j));
            if (!bitmapPage || bitmapPage[0] != PageUsageBitmap)
                continue;
            const char* bitmap = bitmapPage + 4;
            for (quint32 i = 0; i < PagesPerBitmapPage && base + i < pageCount_; ++i)
                if (bitmap[i / 8] & (1 << (i % 8)) && base + i != 0)
                    pages.append(quint32(base + i));
        }
    }
    return pages;
}

std::optional<TableDef> Database::tableAt(quint32 first, const QString& name) {
    const char* pg = page(first);
    if (!pg || first == 0 || pg[0] != PageTableDef || pg[2] != 'V' || pg[3] != 'C') {
        error_ = QStringLiteral("page %1 is not a table definition").arg(first);
        return std::nullopt;
    }
    QByteArray def(pg, PageSize);
    quint32 next = u32At(pg + 4);
    for (quint32 hops = 0; next != 0; ++hops) {
        const char* more = page(next);
        if (hops >= pageCount_ || !more || next == first || more[0] != PageTableDef) {
            error_ = QStringLiteral("broken continuation of the table definition at page %1").arg(first);
            return std::nullopt;
        }
        def.append(more + 8, PageSize - 8);
        next = u32At(more + 4);
    }
    const char* d = def.constData();
    const qint64 size = std::min<qint64>(def.size(), u32At(d + 8));
    TableDef table;
    table.name = name;
    table.page = first;
    table.rowCount = u32At(d + 12);
    const int columnCount = u16At(d + 25);
    const qint64 realIndexes = u32At(d + 31);
    table.usageMap = u32At(d + 35);
    table.freeMap = u32At(d + 39);
    qint64 at = 43 + 8 * realIndexes;
    if (size < 43 || at + 18 * qint64(columnCount) > size) {
        error_ = QStringLiteral("table definition at page %1 is cut short").arg(first);
        return std::nullopt;
    }
    table.columns.reserve(columnCount);
    for (int i = 0; i < columnCount; ++i, at += 18) {
        Column c;
        c.type = static_cast<quint8>(d[at]);
        c.number = u16At(d + at + 1);
        c.varIndex = u16At(d + at + 3);
        c.flags = static_cast<quint8>(d[at + 13]);
        c.fixedOffset = u16At(d + at + 14);
        c.size = u16At(d + at + 16);
        table.columns.append(c);
    }
    for (Column& c : table.columns) {
        if (at >= size) {
            error_ = QStringLiteral("column names of the table at page %1 are cut short").arg(first);
            return std::nullopt;
        }
        const int length = static_cast<unsigned char>(d[at]);
        if (at + 1 + length > size) {
            error_ = QStringLiteral("column names of the table at page %1 are cut short").arg(first);
            return std::nullopt;
        }
        c.name = decode(QByteArrayView(d + at + 1, length));
        at += 1 + length;
        if (!c.isFixed())
            ++table.variableColumns;
    }
    std::stable_sort(table.columns.begin(), table.columns.end(),
                     [](const Column& a, const Column& b) { return a.number < b.number; });
    return table;
}

bool Database::splitRow(const TableDef& table, const char* row, int length, RowCells* cells) const {
    cells->clear();
    cells->resize(table.columns.size());
    if (length < 1)
        return false;
    const int stored = static_cast<unsigned char>(row[0]);
    const int maskBytes = (stored + 7) / 8;
    if (length < 1 + maskBytes)
        return false;
    const char* mask = row + length - maskBytes;
    auto bit = [&](int number) { return number < stored && (mask[number / 8] & (1 << (number % 8))); };

    // Variable-length offsets, resolved with the jump table (see the file layout notes).
    QVarLengthArray<int, 32> offsets;
    int storedVariables = 0;
    int dataEnd = length - maskBytes;
    if (table.variableColumns > 0) {
        const int last = length - 1;
        if (last - maskBytes < 1)
            return false;
        storedVariables = static_cast<unsigned char>(row[last - maskBytes]);
        int jumps = (length - 1) / 256;
        const int first = last - maskBytes - jumps - 1; // offset byte of variable index 0
        const int eod = first - storedVariables;
        if (eod < 1)
            return false;
        if (eod / 256 < jumps)
            --jumps; // the highest entry is padding
        int used = 0;
        offsets.resize(storedVariables + 1);
        for (int i = 0; i <= storedVariables; ++i) {
            while (used < jumps && static_cast<unsigned char>(row[last - maskBytes - 1 - used]) == i)
                ++used;
            offsets[i] = static_cast<unsigned char>(row[first - i]) + 256 * used;
        }
        if (offsets[storedVariables] > eod || offsets[0] < 1)
            return false;
        for (int i = 0; i < storedVariables; ++i)
            if (offsets[i] > offsets[i + 1])
                return false;
        dataEnd = eod;
    }

    for (int i = 0; i < table.columns.size(); ++i) {
        const Column& c = table.columns.at(i);
        Cell& cell = (*cells)[i];
        cell.present = bit(c.number);
        if (!cell.present || c.type == TypeBoolean)
            continue;
        if (c.isFixed()) {
            const int start = 1 + c.fixedOffset;
            if (start + c.size > dataEnd) {
                cell.present = false;
                continue;
            }
            cell.data = row + start;
            cell.size = c.size;
        } else if (c.varIndex >= storedVariables) {
            cell.present = false;
        } else {
            cell.data = row + offsets[c.varIndex];
            cell.size = offsets[c.varIndex + 1] - offsets[c.varIndex];
        }
    }
    return true;
}

int Database::scan(const TableDef& table, const std::function<bool(const RowCells&)>& visit) const {
    int skipped = 0;
    RowCells cells;
    const QList<quint32> pages = usageMapPages(table.usageMap);
    for (quint32 p : pages) {
        const char* pg = page(p);
        if (!pg || pg[0] != PageData || u32At(pg + 4) != table.page)
            continue;
        const int slotCount = u16At(pg + 8);
        if (DataHeaderSize + 2 * slotCount > PageSize)
            continue;
        for (int slot = 0; slot < slotCount; ++slot) {
            int start = 0;
            int length = 0;
            quint16 word = u16At(pg + DataHeaderSize + 2 * slot);
            if (word & SlotSkipped)
                continue;
            const char* row = nullptr;
            bool ok = slotRow(pg, slot, &start, &length, &word);
            if (ok && (word & SlotMoved))
                ok = length >= 4 && resolve(u32At(pg + start), table.page, &row, &length);
            else
                row = pg + start;
            if (!ok || !splitRow(table, row, length, &cells)) {
                ++skipped;
                continue;
            }
            if (!visit(cells))
                return skipped;
        }
    }
    return skipped;
}

QByteArray Database::longValue(const Cell& cell) const {
    if (!cell.present || cell.size < LongValueHeaderSize)
        return {};
    const quint32 word = u32At(cell.data);
    const qsizetype length = word & LongValueLengthMask;
    if (word & LongValueInline)
        return QByteArray(cell.data + LongValueHeaderSize,
                          std::min<qsizetype>(length, cell.size - LongValueHeaderSize));
    quint32 pointer = u32At(cell.data + 4);
    const char* row = nullptr;
    int rowLength = 0;
    if (word & LongValueSingle) {
        if (!rawRow(pointer, &row, &rowLength))
            return {};
        return QByteArray(row, std::min<qsizetype>(length, rowLength));
    }
    QByteArray out;
    QSet<quint32> seen;
    while (pointer != 0 && out.size() < length) {
        if (seen.contains(pointer) || !rawRow(pointer, &row, &rowLength) || rowLength < 4)
            return {};
        seen.insert(pointer);
        pointer = u32At(row);
        out.append(row + 4, rowLength - 4);
    }
    out.truncate(length);
    return out;
}

QString Database::decode(QByteArrayView bytes) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (!decoder_)
        return QString::fromLatin1(bytes);
    return decoder_->decode(bytes);
}

QString Database::text(const Column& column, const Cell& cell) {
    if (column.type == TypeBoolean)
        return cell.present ? QStringLiteral("1") : QStringLiteral("0");
    if (!cell.present)
        return {};
    const char* p = cell.data;
    switch (column.type) {
    case TypeText:
        return decode(cell.bytes());
    case TypeMemo:
        return decode(longValue(cell));
    case TypeByte:
        return cell.size >= 1 ? QString::number(static_cast<unsigned char>(p[0])) : QString();
    case TypeInteger:
        return cell.size >= 2 ? QString::number(qint16(u16At(p))) : QString();
    case TypeLong:
        return cell.size >= 4 ? QString::number(qint32(u32At(p))) : QString();
    case TypeCurrency:
        return cell.size >= 8 ? currencyText(qint64(quint64(u32At(p)) | (quint64(u32At(p + 4)) << 32)))
                              : QString();
    case TypeSingle:
        if (cell.size >= 4) {
            float f;
            std::memcpy(&f, p, 4);
            return QString::number(f, 'g', 7);
        }
        return {};
    case TypeDouble:
        if (cell.size >= 8) {
            double v;
            std::memcpy(&v, p, 8);
            return QString::number(v, 'g', 15);
        }
        return {};
    case TypeDateTime:
        if (cell.size >= 8) {
            double days;
            std::memcpy(&days, p, 8);
            if (!(days > -700000.0 && days < 3000000.0))
                return {};
            const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
            return epoch.addMSecs(qint64(days * 86400000.0 + (days < 0 ? -0.5 : 0.5)))
                .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        }
        return {};
    case TypeOle:
        return QString::fromLatin1(longValue(cell).toHex());
    default:
        return QString::fromLatin1(cell.bytes().toByteArray().toHex());
    }
}

QList<CatalogEntry> Database::catalog() {
    QList<CatalogEntry> entries;
    const std::optional<TableDef> objects = tableAt(CatalogPage, QStringLiteral("MSysObjects"));
    if (!objects)
        return entries;
    const int id = objects->columnIndex(QStringLiteral("Id"));
    const int name = objects->columnIndex(QStringLiteral("Name"));
    const int type = objects->columnIndex(QStringLiteral("Type"));
    const int flags = objects->columnIndex(QStringLiteral("Flags"));
    if (id < 0 || name < 0 || type < 0)
        return entries;
    scan(*objects, [&](const RowCells& row) {
        CatalogEntry e;
        e.name = text(objects->columns.at(name), row[name]);
        e.id = quint32(text(objects->columns.at(id), row[id]).toLongLong());
        e.type = text(objects->columns.at(type), row[type]).toInt();
        if (flags >= 0)
            e.flags = quint32(text(objects->columns.at(flags), row[flags]).toLongLong());
        entries.append(e);
        return true;
    });
    return entries;
}

QList<CatalogEntry> Database::userTables() {
    QList<CatalogEntry> tables = catalog();
    tables.removeIf([](const CatalogEntry& e) { return !e.isUserTable(); });
    return tables;
}

std::optional<TableDef> Database::table(const QString& name) {
    for (const CatalogEntry& e : catalog())
        if (e.isTable() && e.name.compare(name, Qt::CaseInsensitive) == 0)
            return tableAt(e.tableDefPage(), e.name);
    error_ = QStringLiteral("no table named %1").arg(name);
    return std::nullopt;
}

} // namespace lesnor::jet3
