#include "lessons/Jet3Reader.h"

#include "lessons/Quoted.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lesnor::jet3 {

namespace {

constexpr int MaxMoveHops = 8;
// Jet 3 databases are limited to 1 GB; anything far larger is not one of ours.
constexpr qint64 MaxFileSize = qint64(1) << 31;
// A table has at most 255 columns and a few dozen indexes; a definition that claims more
// is damaged, and reading it would cost work far beyond what it could describe.
constexpr int MaxColumns = 255;
constexpr qint64 MaxIndexes = 255;
// A scan of a mapped file keeps at most about this many pages resident (8 MB).
constexpr quint32 TrimEveryPages = 4096;

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

Database::~Database() {
    unmap();
}

void Database::unmap() {
    if (map_)
        ::munmap(map_, size_t(mapSize_));
    map_ = nullptr;
    mapSize_ = 0;
}

bool Database::fail(const QString& message) {
    error_ = message;
    bytes_.clear();
    unmap();
    data_ = nullptr;
    pageCount_ = 0;
    return false;
}

bool Database::open(const QString& path) {
    error_.clear();
    bytes_.clear();
    unmap();
    data_ = nullptr;
    pageCount_ = 0;
    // Without blocking: a FIFO is refused below instead of waiting for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot open %1: %2")
                        .arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular || st.st_size == 0 || st.st_size > MaxFileSize) {
        ::close(fd);
        if (!regular)
            return fail(QStringLiteral("%1 is not a file").arg(quoted(path)));
        if (st.st_size == 0)
            return fail(QStringLiteral("empty file"));
        return fail(QStringLiteral("%1 is too large for a Jet 3 database").arg(quoted(path)));
    }
    void* map = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return fail(QStringLiteral("cannot read %1: %2")
                        .arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno))));
    map_ = map;
    mapSize_ = st.st_size;
    data_ = static_cast<const char*>(map);
    return check();
}

bool Database::openBytes(const QByteArray& bytes) {
    error_.clear();
    unmap();
    bytes_ = bytes;
    data_ = bytes_.constData();
    mapSize_ = 0;
    pageCount_ = 0;
    if (bytes_.isEmpty())
        return fail(QStringLiteral("empty file"));
    return check();
}

bool Database::check() {
    const qint64 size = map_ ? mapSize_ : bytes_.size();
    continuationOwner_.clear();
    if (size % PageSize != 0)
        return fail(QStringLiteral("file size %1 is not a whole number of pages (truncated?)").arg(size));
    if (size < 3 * PageSize)
        return fail(QStringLiteral("file too small for a database"));
    const char* head = data_;
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

    pageCount_ = quint32(size / PageSize);
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
    if (number >= pageCount_) {
        if (pastEnd_ == 0 && pageCount_ > 0 && number < (1u << 24))
            pastEnd_ = number + 1;
        return nullptr;
    }
    return data_ + qsizetype(number) * PageSize;
}

void Database::noteRead(quint32 pages) const {
    if (!map_)
        return;
    pagesRead_ += pages;
}

void Database::trimResident() const {
    // Between two pages of a scan no cell is handed out, so the mapping's resident pages
    // can all go back: the next touch reads them from the file again.
    if (!map_ || pagesRead_ < TrimEveryPages)
        return;
    ::madvise(map_, size_t(mapSize_), MADV_DONTNEED);
    pagesRead_ = 0;
}

bool Database::claim(std::vector<quint64>& bits, quint32 pointer) const {
    const quint64 index = quint64(pointer >> 8) * 256 + (pointer & 0xFF);
    if (bits.empty())
        bits.assign(size_t(pageCount_) * 4, 0);
    if (index / 64 >= bits.size())
        return false;
    quint64& word = bits[size_t(index / 64)];
    const quint64 bit = quint64(1) << (index % 64);
    if (word & bit)
        return false;
    word |= bit;
    return true;
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

bool Database::resolve(quint32 pointer, quint32 owner, const char** row, int* length, quint32* target) const {
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
        *target = pointer;
        return true;
    }
    return false;
}

QList<quint32> Database::usageMapPages(quint32 mapPointer, bool* truncated) const {
    QList<quint32> pages;
    bool cut = false;
    const auto done = [&] {
        if (truncated)
            *truncated = cut;
        return pages;
    };
    const char* row = nullptr;
    int length = 0;
    if ((mapPointer >> 8) >= pageCount_)
        cut = true; // rawRow notes the page
    if (!rawRow(mapPointer, &row, &length) || length < 1)
        return done();
    if (row[0] == 0) {
        if (length < 5)
            return done();
        const quint64 first = u32At(row + 1);
        const char* bitmap = row + 5;
        const int bits = (length - 5) * 8;
        for (int k = 0; k < bits; ++k) {
            if (bitmap[k / 8] == 0) {
                k |= 7;
                continue;
            }
            if (!(bitmap[k / 8] & (1 << (k % 8))) || first + k == 0)
                continue;
            if (first + quint64(k) >= pageCount_) {
                page(quint32(std::min<quint64>(first + k, 0xFFFFFF)));
                cut = true;
                break;
            }
            pages.append(quint32(first + k));
        }
    } else if (row[0] == 1) {
        const int entries = (length - 1) / 4;
        for (int j = 0; j < entries; ++j) {
            const quint64 base = quint64(j) * PagesPerBitmapPage;
            const quint32 reference = u32At(row + 1 + 4 * j);
            if (reference == 0)
                continue;
            if (reference >= pageCount_) {
                page(reference);
                cut = true;
                break;
            }
            const char* bitmapPage = page(reference);
            if (bitmapPage[0] != PageUsageBitmap)
                continue;
            const char* bitmap = bitmapPage + 4;
            for (quint32 i = 0; i < PagesPerBitmapPage; ++i) {
                if (bitmap[i / 8] == 0) {
                    i |= 7;
                    continue;
                }
                if (!(bitmap[i / 8] & (1 << (i % 8))) || base + i == 0)
                    continue;
                if (base + i >= pageCount_) {
                    page(quint32(base + i));
                    cut = true;
                    break;
                }
                pages.append(quint32(base + i));
            }
            if (cut)
                break;
        }
    }
    return done();
}

std::optional<TableDef> Database::tableAt(quint32 first, const QString& name) {
    const char* pg = page(first);
    if (first >= pageCount_ && first < (1u << 24)) {
        error_ = QStringLiteral("the database is truncated: page %1 lies past its end (%2 pages)")
                     .arg(first)
                     .arg(pageCount_);
        return std::nullopt;
    }
    if (!pg || first == 0 || pg[0] != PageTableDef || pg[2] != 'V' || pg[3] != 'C') {
        error_ = QStringLiteral("page %1 is not a table definition").arg(first);
        return std::nullopt;
    }
    // The definition is read page by page, only as far as the fields in use reach. Each
    // continuation page belongs to one definition: one that another definition already
    // claimed is damage, so no chain is ever read for two tables.
    QByteArray def(pg, PageSize);
    quint32 next = u32At(pg + 4);
    QString broken;
    const auto need = [&](qint64 bytes) {
        while (def.size() < bytes && next != 0 && broken.isEmpty()) {
            const char* more = page(next);
            const quint32 owner = continuationOwner_.value(next, first);
            if (!more || next == first || more[0] != PageTableDef || owner != first)
                broken = QStringLiteral("broken continuation of the table definition at page %1").arg(first);
            else if (def.size() >= qint64(pageCount_) * PageSize)
                broken = QStringLiteral("the table definition at page %1 loops").arg(first);
            if (!broken.isEmpty())
                break;
            continuationOwner_.insert(next, first);
            def.append(more + 8, PageSize - 8);
            next = u32At(more + 4);
        }
        return def.size() >= bytes;
    };
    const auto cutShort = [&] {
        error_ = broken.isEmpty()
                     ? QStringLiteral("column names of the table at page %1 are cut short").arg(first)
                     : broken;
        return std::nullopt;
    };
    const qint64 declared = u32At(def.constData() + 8);
    TableDef table;
    table.name = name;
    table.page = first;
    table.rowCount = u32At(def.constData() + 12);
    const int columnCount = u16At(def.constData() + 25);
    const qint64 realIndexes = u32At(def.constData() + 31);
    table.usageMap = u32At(def.constData() + 35);
    table.freeMap = u32At(def.constData() + 39);
    if (columnCount > MaxColumns || realIndexes > MaxIndexes) {
        error_ = QStringLiteral("table definition at page %1 declares %2 columns and %3 indexes")
                     .arg(first)
                     .arg(columnCount)
                     .arg(realIndexes);
        return std::nullopt;
    }
    qint64 at = 43 + 8 * realIndexes;
    const qint64 descriptorsEnd = at + 18 * qint64(columnCount);
    if (declared < 43 || descriptorsEnd > declared || !need(descriptorsEnd)) {
        if (!broken.isEmpty()) {
            error_ = broken;
            return std::nullopt;
        }
        error_ = QStringLiteral("table definition at page %1 is cut short").arg(first);
        return std::nullopt;
    }
    table.columns.reserve(columnCount);
    for (int i = 0; i < columnCount; ++i, at += 18) {
        const char* d = def.constData();
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
        if (at >= declared || !need(at + 1))
            return cutShort();
        const int length = static_cast<unsigned char>(def.at(at));
        if (at + 1 + length > declared || !need(at + 1 + length))
            return cutShort();
        c.name = decode(QByteArrayView(def.constData() + at + 1, length));
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

int Database::scan(const TableDef& table, const std::function<bool(const RowCells&)>& visit) {
    if (scanDepth_ == 0) {
        std::fill(movedClaims_.begin(), movedClaims_.end(), 0);
        std::fill(longValueClaims_.begin(), longValueClaims_.end(), 0);
        pastEnd_ = 0;
    }
    ++scanDepth_;
    struct Leave {
        Database* db;
        ~Leave() {
            if (--db->scanDepth_ == 0)
                db->rowValues_.clear();
        }
    } leave{this};
    const auto truncated = [this] {
        error_ = QStringLiteral("the database is truncated: page %1 lies past its end (%2 pages)")
                     .arg(pastEnd_ - 1)
                     .arg(pageCount_);
        return -1;
    };

    int skipped = 0;
    RowCells cells;
    bool cut = false;
    const QList<quint32> pages = usageMapPages(table.usageMap, &cut);
    if (cut || pastEnd_)
        return truncated();
    for (quint32 p : pages) {
        if (scanDepth_ == 1)
            trimResident();
        const char* pg = page(p);
        noteRead(1);
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
            if (ok && (word & SlotMoved)) {
                quint32 target = 0;
                ok = length >= 4 && resolve(u32At(pg + start), table.page, &row, &length, &target) &&
                     claim(movedClaims_, target);
            } else {
                row = pg + start;
            }
            if (pastEnd_)
                return truncated();
            if (!ok || !splitRow(table, row, length, &cells)) {
                ++skipped;
                continue;
            }
            if (scanDepth_ == 1)
                rowValues_.clear();
            const bool more = visit(cells);
            if (pastEnd_)
                return truncated();
            if (!more)
                return skipped;
        }
    }
    return skipped;
}

QByteArray Database::longValue(const Cell& cell) const {
    if (!cell.present || cell.size < LongValueHeaderSize)
        return {};
    const quint32 word = u32At(cell.data);
    // A value is never longer than the file that holds it.
    const qsizetype length =
        std::min<qsizetype>(word & LongValueLengthMask, qsizetype(pageCount_) * PageSize);
    if (word & LongValueInline)
        return QByteArray(cell.data + LongValueHeaderSize,
                          std::min<qsizetype>(length, cell.size - LongValueHeaderSize));
    // During a scan each long-value row serves one value: the same cell read again gets
    // its value back, another cell naming an already used row gets nothing.
    const bool scanning = scanDepth_ > 0;
    if (scanning) {
        const auto known = rowValues_.constFind(cell.data);
        if (known != rowValues_.constEnd())
            return *known;
    }
    QByteArray out;
    quint32 pointer = u32At(cell.data + 4);
    const char* row = nullptr;
    int rowLength = 0;
    if (word & LongValueSingle) {
        if ((scanning && !claim(longValueClaims_, pointer)) || !rawRow(pointer, &row, &rowLength))
            return {};
        noteRead(1);
        out = QByteArray(row, std::min<qsizetype>(length, rowLength));
    } else {
        QSet<quint32> seen;
        while (pointer != 0 && out.size() < length) {
            const bool fresh = scanning ? claim(longValueClaims_, pointer) : !seen.contains(pointer);
            if (!fresh || !rawRow(pointer, &row, &rowLength) || rowLength < 4)
                return {};
            if (!scanning)
                seen.insert(pointer);
            noteRead(1);
            pointer = u32At(row);
            out.append(row + 4, std::min<qsizetype>(rowLength - 4, length - out.size()));
        }
    }
    if (scanning)
        rowValues_.insert(cell.data, out);
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

bool Database::forEachCatalogEntry(const std::function<bool(const CatalogEntry&)>& visit) {
    const std::optional<TableDef> objects = tableAt(CatalogPage, QStringLiteral("MSysObjects"));
    if (!objects)
        return false;
    const int id = objects->columnIndex(QStringLiteral("Id"));
    const int name = objects->columnIndex(QStringLiteral("Name"));
    const int type = objects->columnIndex(QStringLiteral("Type"));
    const int flags = objects->columnIndex(QStringLiteral("Flags"));
    if (id < 0 || name < 0 || type < 0) {
        error_ = QStringLiteral("the catalog has no Id, Name or Type column");
        return false;
    }
    const int result = scan(*objects, [&](const RowCells& row) {
        CatalogEntry e;
        e.name = text(objects->columns.at(name), row[name]);
        e.id = quint32(text(objects->columns.at(id), row[id]).toLongLong());
        e.type = text(objects->columns.at(type), row[type]).toInt();
        if (flags >= 0)
            e.flags = quint32(text(objects->columns.at(flags), row[flags]).toLongLong());
        return visit(e);
    });
    return result >= 0;
}

QList<CatalogEntry> Database::catalog() {
    QList<CatalogEntry> entries;
    forEachCatalogEntry([&](const CatalogEntry& e) {
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
    std::optional<CatalogEntry> found;
    const bool read = forEachCatalogEntry([&](const CatalogEntry& e) {
        if (e.isTable() && e.name.compare(name, Qt::CaseInsensitive) == 0)
            found = e;
        return !found;
    });
    if (found)
        return tableAt(found->tableDefPage(), found->name);
    if (read)
        error_ = QStringLiteral("no table named %1").arg(quoted(name));
    return std::nullopt;
}

} // namespace lesnor::jet3
