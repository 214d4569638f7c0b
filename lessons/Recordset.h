#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace lesnor {

class QueryResult;

// The connection string for the database file at `path`:
// "Provider=Lesnor.Jet3;Data Source=" + path + ";". A path that the plain form would
// misread (one holding '"' or ';', or with blanks at either end) goes in double quotes
// with each '"' doubled, so every path comes back byte for byte.
QString connectionString(const QString& path);

// The connection string for the lesson database in `dataFolder`:
// "Provider=Lesnor.Jet3;Data Source=" + dataFolder + "/qlxxcl.wrd;". Without a data
// folder it names no file at all, so that nothing is looked for at the root.
QString lessonConnectionString(const QString& dataFolder);

// Reads the rows of one query over a Jet 3 file, in the file's storage order, in the
// sequence the lesson loading uses: open, requery, read until atEnd(), close.
// Accepted query form:
//   select * from <table> [where <col> = '<text>' [and <col> = '<text>' ...]]
// (bracketed or bare names, blanks optional, keywords in any case, '' is a quote
// inside a literal; equality is whole-value and case-insensitive).
// Any failure (missing or corrupt file, a query outside that form, an unknown table or
// column) makes open() return false with error() set; atEnd() is then true at once.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool open(const QString& source, const QString& connection);
    // Back to the first row of the same result (no new read of the file).
    void requery();
    bool atEnd() const;
    // The current row's value of the named column as text; NULL comes back as "".
    QString value(const QString& columnName) const;
    // The result's column names in table order (empty when not open).
    QStringList columnNames() const;
    void moveNext();
    void close();
    QString error() const { return error_; }

private:
    std::unique_ptr<QueryResult> result_;
    int row_ = 0;
    QString error_;
};

} // namespace lesnor
