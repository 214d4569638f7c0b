#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace lesnor {

namespace jet3 {
class Database;
}

// A parsed query of the accepted form
//   select * from <table> [where <col> = '<text>' [and <col> = '<text>' ...]]
struct Query {
    QString table;
    QList<std::pair<QString, QString>> conditions; // column name, literal (quotes undone)
};

// Parses `text`; nullopt with `*error` set if it is not of the accepted form. Names are
// bare (letters, digits, '_' and any non-ASCII character) or in brackets; blanks are
// needed only between two words; keywords are matched in any case; '' inside a literal
// stands for one quote.
std::optional<Query> parseQuery(const QString& text, QString* error);

// The rows of one query: column names in table order and every matching row's values as
// text (NULL as ""), in storage order.
class QueryResult {
public:
    QStringList columns;
    QList<QStringList> rows;
    // Position of the named column (case-insensitive), -1 if absent.
    int columnIndex(const QString& name) const;
};

// Runs `query` over the database file at `path`. Equality is whole-value and
// case-insensitive. nullptr with `*error` set if the file, table or a column cannot be
// read.
std::unique_ptr<QueryResult> runQuery(const QString& path, const Query& query, QString* error);

// Streams `query` over an open database: `columns` once with the column names, then
// `row` with each matching row's values in storage order until it returns false. Each
// value is decoded once. False with `*error` set if the table or a column is missing or
// the file turns out to be damaged or truncated (rows already handed on stay handed on).
bool runQuery(jet3::Database& db, const Query& query, const std::function<void(const QStringList&)>& columns,
              const std::function<bool(const QStringList&)>& row, QString* error);

} // namespace lesnor
