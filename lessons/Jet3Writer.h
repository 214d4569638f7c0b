#pragma once

#include "lessons/Jet3Format.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace lesnor::jet3 {

// How a Memo value is stored.
enum class MemoForm {
    Auto,      // inline up to 32 bytes, else one long-value row if it fits a page, else a chain
    Inline,    // in the row itself
    SingleRow, // one row on a long-value page
    Chained,   // a chain of rows on long-value pages
};

struct WriterColumn {
    QString name;
    quint8 type = TypeText; // TypeText or TypeMemo
    int size = 50;          // Text: maximum length in bytes (1..255); ignored for Memo
};

// One row to store, with where and how it is placed.
struct WriterRow {
    QList<std::optional<QString>> values; // one per column, nullopt = NULL
    bool deleted = false;                 // stored but flagged deleted: readers skip it
    bool moved = false;                   // a 4-byte home slot here, the data in a slot on another page
    bool newPage = false;                 // start a new data page before this row
    MemoForm memoForm = MemoForm::Auto;   // for every Memo value of the row
    int chainPiece = 0;                   // Chained: data bytes per long-value row (0 = as many as fit)
};

// Writes a Jet 3 database (page size 2048) holding tables without indexes, with Text and
// Memo columns, and the minimal catalog that readers need. Rows are stored in the order
// they were added. Output is deterministic: the same input gives the same bytes.
class Writer {
public:
    explicit Writer(int codePage = 936);

    // Use type-1 usage maps (references to bitmap pages) for every map instead of
    // inline bitmaps. Inline maps are used otherwise, and reference maps whenever the file
    // is too large for an inline one.
    void setReferenceMaps(bool on) { referenceMaps_ = on; }
    // Store this table's catalog row away from its home slot (as Access does after edits).
    void setMovedCatalogRow(int table, bool on);

    // Returns the table's number for addRow().
    int addTable(const QString& name, const QList<WriterColumn>& columns);
    void addRow(int table, const WriterRow& row);

    // The file's bytes; empty with `*error` set if the input cannot be stored (names or
    // texts not representable in the code page, a Text value longer than its column, a row
    // too large for a page, too many tables).
    QByteArray build(QString* error = nullptr) const;

private:
    struct Table {
        QString name;
        QList<WriterColumn> columns;
        QList<WriterRow> rows;
        bool movedCatalogRow = false;
    };
    int codePage_;
    bool referenceMaps_ = false;
    QList<Table> tables_;
};

} // namespace lesnor::jet3
