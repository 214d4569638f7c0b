#pragma once

#include "lessons/Jet3Format.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <functional>
#include <optional>
#include <vector>

namespace lesnor::jet3 {

// One column of a table definition.
struct Column {
    QString name;
    quint8 type = 0;
    int number = 0;      // bit in the row's null mask; the table's column order
    int varIndex = 0;    // variable columns: entry in the row's offset table
    int fixedOffset = 0; // fixed columns: position within the fixed-length area
    int size = 0;        // declared size in bytes (Text: maximum length; Memo/OLE: 0)
    quint8 flags = 0;
    bool isFixed() const { return flags & ColumnFixed; }
};

// A table definition: its columns in table order.
struct TableDef {
    QString name;
    quint32 page = 0; // first page of the definition; the owner of the table's data pages
    QList<Column> columns;
    int variableColumns = 0;
    quint32 usageMap = 0; // row pointer
    quint32 freeMap = 0;  // row pointer
    quint32 rowCount = 0; // as stored; informative only

    // Position in `columns` of the named column (case-insensitive), -1 if absent.
    int columnIndex(const QString& name) const;
};

// One object of the catalog.
struct CatalogEntry {
    QString name;
    quint32 id = 0;
    int type = 0;
    quint32 flags = 0;
    bool isUserTable() const { return type == 1 && (flags & 0x80000002u) == 0; }
    bool isTable() const { return type == 1; }
    quint32 tableDefPage() const { return id & 0x00FFFFFFu; }
};

// The stored bytes of one column of a row, pointing into the file image. `present` is
// false for NULL (and for columns the row does not carry). For Boolean columns `present`
// is the value.
struct Cell {
    const char* data = nullptr;
    int size = 0;
    bool present = false;
    QByteArrayView bytes() const { return QByteArrayView(data, size); }
};

using RowCells = QVarLengthArray<Cell, 24>;

// A read-only view of a Jet 3 database file (page size 2048, version byte 0).
//
// Every position read from the file is checked against the page and the file before use:
// a truncated, corrupt or hostile file yields an error or fewer rows, never a crash or an
// endless loop. Rows are produced in storage order: pages in the order of the table's
// usage map, slots ascending; a moved row counts at its home slot with the data its
// pointer leads to, slots flagged as deleted or as moved data are skipped. A row whose
// pointers cannot be followed (loop, bad page, bad slot) is skipped and counted.
//
// The work is bounded by the file: within one scan every moved row's data and every
// long-value row serves one row and one value only (a second claim on it is damage and
// gets nothing), a value is never longer than the file, each definition page belongs
// to one table definition, and a definition is read only as far as its columns need.
class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Maps the file (pages are read as they are used) and checks it. False with error()
    // set on failure.
    bool open(const QString& path);
    // Same for a file image already in memory.
    bool openBytes(const QByteArray& bytes);
    bool isOpen() const { return pageCount_ > 0; }
    QString error() const { return error_; }

    int codePage() const { return codePage_; }
    int sortOrder() const { return sortOrder_; }
    quint32 pageCount() const { return pageCount_; }

    // Calls `visit` for every object of the catalog in storage order until it returns
    // false. False with error() set when the catalog cannot be read to its end.
    bool forEachCatalogEntry(const std::function<bool(const CatalogEntry&)>& visit);
    // Every object of the catalog, in storage order.
    QList<CatalogEntry> catalog();
    // The user tables (not system tables), in catalog storage order.
    QList<CatalogEntry> userTables();
    // The definition of the named table (case-insensitive, any table of the catalog);
    // nullopt with error() set ("no table named ...", or why the catalog is unreadable).
    std::optional<TableDef> table(const QString& name);
    // The definition starting at `page`; nullopt (with error()) if it is not one.
    std::optional<TableDef> tableAt(quint32 page, const QString& name = {});

    // Calls `visit` for every row in storage order until it returns false; the cells
    // are valid during the call only. Returns the number of rows skipped because they
    // could not be read, or -1 with error() set when the table's map, pages or values
    // lie past the end of the file ("the database is truncated").
    int scan(const TableDef& table, const std::function<bool(const RowCells&)>& visit);

    // The pages of a usage map, ascending. Pages past the end of the file are left out
    // and set `*truncated`.
    QList<quint32> usageMapPages(quint32 mapPointer, bool* truncated = nullptr) const;

    // The value of a Memo or OLE cell (inline or on long-value pages), "" if it cannot be
    // followed or (during a scan) its long-value rows already served another value.
    QByteArray longValue(const Cell& cell) const;
    // Text in the database code page.
    QString decode(QByteArrayView bytes);
    // The value as text: Text and Memo decoded; Byte, Integer, Long and Currency in decimal
    // (Currency with four decimals); Boolean "1"/"0"; Single and Double with 7 and 15 significant
    // digits; DateTime as "yyyy-MM-dd hh:mm:ss"; OLE, Binary and others as lower-case hex.
    // NULL gives "".
    QString text(const Column& column, const Cell& cell);

private:
    // The bytes of page `page`, or nullptr outside the file (noted for the scan).
    const char* page(quint32 page) const;
    // Counts pages read from a mapped file; trimResident() gives their memory back
    // once enough were read.
    void noteRead(quint32 pages) const;
    void trimResident() const;
    bool check();
    void unmap();
    // Claims a row for the running scan in `bits`; false if it was claimed already.
    bool claim(std::vector<quint64>& bits, quint32 pointer) const;
    // Start and length of slot `slot` of a data page, with its slot word.
    bool slotRow(const char* pageData, quint32 slot, int* start, int* length, quint16* word) const;
    // The row a pointer leads to, following moved rows; false if it cannot be read.
    bool resolve(quint32 pointer, quint32 owner, const char** row, int* length, quint32* target) const;
    // Any row a pointer names (no owner check, no moved-row following).
    bool rawRow(quint32 pointer, const char** row, int* length) const;
    bool splitRow(const TableDef& table, const char* row, int length, RowCells* cells) const;
    bool fail(const QString& message);

    QByteArray bytes_; // an image given in memory, or empty when the file is mapped
    void* map_ = nullptr;
    qint64 mapSize_ = 0;
    const char* data_ = nullptr;
    quint32 pageCount_ = 0;
    // Set when something needed lies past the end of the file: the first such page + 1.
    mutable quint32 pastEnd_ = 0;
    mutable quint32 pagesRead_ = 0;
    // The running scan's claims (one bit per row pointer) and the current row's values.
    int scanDepth_ = 0;
    mutable std::vector<quint64> movedClaims_;
    mutable std::vector<quint64> longValueClaims_;
    mutable QHash<const char*, QByteArray> rowValues_;
    // Definition continuation pages and the definition that owns each.
    QHash<quint32, quint32> continuationOwner_;
    int codePage_ = 0;
    int sortOrder_ = 0;
    QString error_;
    std::optional<QStringDecoder> decoder_;
};

} // namespace lesnor::jet3
