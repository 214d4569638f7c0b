#pragma once

#include "lessons/Jet3Format.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <functional>
#include <optional>

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
class Database {
public:
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Loads and checks the whole file. False with error() set on failure.
    bool open(const QString& path);
    // Same for a file image already in memory.
    bool openBytes(const QByteArray& bytes);
    bool isOpen() const { return pageCount_ > 0; }
    QString error() const { return error_; }

    int codePage() const { return codePage_; }
    int sortOrder() const { return sortOrder_; }
    quint32 pageCount() const { return pageCount_; }

    // Every object of the catalog, in storage order.
    QList<CatalogEntry> catalog();
    // The user tables (not system tables), in catalog storage order.
    QList<CatalogEntry> userTables();
    // The definition of the named table (case-insensitive, any table of the catalog).
    std::optional<TableDef> table(const QString& name);
    // The definition starting at `page`; nullopt (with error()) if it is not one.
    std::optional<TableDef> tableAt(quint32 page, const QString& name = {});

    // Calls `visit` for every row in storage order until it returns false. Returns the
    // number of rows skipped because they could not be read.
    int scan(const TableDef& table, const std::function<bool(const RowCells&)>& visit) const;

    // The pages of a usage map, ascending; pages outside the file are left out.
    QList<quint32> usageMapPages(quint32 mapPointer) const;

    // The value of a Memo or OLE cell (inline or on long-value pages), "" if it cannot be
    // followed.
    QByteArray longValue(const Cell& cell) const;
    // Text in the database code page.
    QString decode(QByteArrayView bytes);
    // The value as text: Text and Memo decoded; Byte, Integer, Long and Currency in decimal
    // (Currency with four decimals); Boolean "1"/"0"; Single and Double with 7 and 15 significant
    // digits; DateTime as "yyyy-MM-dd hh:mm:ss"; OLE, Binary and others as lower-case hex.
    // NULL gives "".
    QString text(const Column& column, const Cell& cell);

private:
    // The bytes of page `page`, or nullptr outside the file.
    const char* page(quint32 page) const;
    // Start and length of slot `slot` of a data page, with its slot word.
    bool slotRow(const char* pageData, quint32 slot, int* start, int* length, quint16* word) const;
    // The row a pointer leads to, following moved rows; false if it cannot be read.
    bool resolve(quint32 pointer, quint32 owner, const char** row, int* length) const;
    // Any row a pointer names (no owner check, no moved-row following).
    bool rawRow(quint32 pointer, const char** row, int* length) const;
    bool splitRow(const TableDef& table, const char* row, int length, RowCells* cells) const;
    bool fail(const QString& message);

    QByteArray bytes_;
    quint32 pageCount_ = 0;
    int codePage_ = 0;
    int sortOrder_ = 0;
    QString error_;
    std::optional<QStringDecoder> decoder_;
};

} // namespace lesnor::jet3
