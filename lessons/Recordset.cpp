#include "lessons/Recordset.h"

#include "lessons/Query.h"
#include "lessons/Quoted.h"

namespace lesnor {

namespace {

const QString Provider = QStringLiteral("Lesnor.Jet3");

// The value of `key` in a connection string of `key=value;` pairs (keys in any case;
// a bare value is trimmed, a value in double quotes is taken as written, with "" for
// a quote inside it); nullopt if absent.
std::optional<QString> connectionValue(const QString& connection, const QString& key) {
    qsizetype pos = 0;
    while (pos < connection.size()) {
        const qsizetype eq = connection.indexOf(QLatin1Char('='), pos);
        if (eq < 0)
            return std::nullopt;
        const QString name = connection.mid(pos, eq - pos).trimmed();
        qsizetype valueStart = eq + 1;
        while (valueStart < connection.size() && connection.at(valueStart) == QLatin1Char(' '))
            ++valueStart;
        QString value;
        qsizetype end;
        if (valueStart < connection.size() && connection.at(valueStart) == QLatin1Char('"')) {
            qsizetype i = valueStart + 1;
            for (;; ++i) {
                if (i >= connection.size())
                    return std::nullopt; // no closing quote
                if (connection.at(i) != QLatin1Char('"')) {
                    value += connection.at(i);
                } else if (i + 1 < connection.size() && connection.at(i + 1) == QLatin1Char('"')) {
                    value += QLatin1Char('"');
                    ++i;
                } else {
                    break;
                }
            }
            end = connection.indexOf(QLatin1Char(';'), i);
        } else {
            end = connection.indexOf(QLatin1Char(';'), valueStart);
            value = connection.mid(valueStart, end < 0 ? -1 : end - valueStart).trimmed();
        }
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
        if (end < 0)
            break;
        pos = end + 1;
    }
    return std::nullopt;
}

} // namespace

QString connectionString(const QString& path) {
    const bool plain = !path.isEmpty() && !path.contains(QLatin1Char('"')) &&
                       !path.contains(QLatin1Char(';')) && !path.front().isSpace() && !path.back().isSpace();
    QString source = path;
    if (!plain)
        source =
            QLatin1Char('"') + source.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return QStringLiteral("Provider=") + Provider + QStringLiteral(";Data Source=") + source +
           QLatin1Char(';');
}

QString lessonConnectionString(const QString& dataFolder) {
    if (dataFolder.isEmpty())
        return QStringLiteral("Provider=") + Provider + QLatin1Char(';');
    return connectionString(dataFolder + QStringLiteral("/qlxxcl.wrd"));
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

bool Recordset::open(const QString& source, const QString& connection) {
    close();
    error_.clear();
    const std::optional<QString> provider = connectionValue(connection, QStringLiteral("Provider"));
    if (provider && provider->compare(Provider, Qt::CaseInsensitive) != 0) {
        error_ = QStringLiteral("unknown provider %1").arg(quoted(*provider));
        return false;
    }
    const std::optional<QString> path = connectionValue(connection, QStringLiteral("Data Source"));
    if (!path || path->isEmpty()) {
        error_ = QStringLiteral("the connection string names no Data Source");
        return false;
    }
    const std::optional<Query> query = parseQuery(source, &error_);
    if (!query)
        return false;
    result_ = runQuery(*path, *query, &error_);
    return result_ != nullptr;
}

void Recordset::requery() {
    row_ = 0;
}

bool Recordset::atEnd() const {
    return !result_ || row_ >= result_->rows.size();
}

QString Recordset::value(const QString& columnName) const {
    if (atEnd())
        return {};
    const int column = result_->columnIndex(columnName);
    return column < 0 ? QString() : result_->rows.at(row_).at(column);
}

QStringList Recordset::columnNames() const {
    return result_ ? result_->columns : QStringList();
}

void Recordset::moveNext() {
    if (!atEnd())
        ++row_;
}

void Recordset::close() {
    result_.reset();
    row_ = 0;
}

} // namespace lesnor
