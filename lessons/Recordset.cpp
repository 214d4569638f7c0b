#include "lessons/Recordset.h"

#include "lessons/Query.h"

namespace lesnor {

namespace {

const QString Provider = QStringLiteral("Lesnor.Jet3");

// The value of `key` in a connection string of `key=value;` pairs (keys in any case,
// values optionally in double quotes); nullopt if absent.
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
            const qsizetype close = connection.indexOf(QLatin1Char('"'), valueStart + 1);
            if (close < 0)
                return std::nullopt;
            value = connection.mid(valueStart + 1, close - valueStart - 1);
            end = connection.indexOf(QLatin1Char(';'), close);
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

QString lessonConnectionString(const QString& dataFolder) {
    return QStringLiteral("Provider=") + Provider + QStringLiteral(";Data Source=") + dataFolder +
           QStringLiteral("/qlxxcl.wrd;");
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

bool Recordset::open(const QString& source, const QString& connection) {
    close();
    error_.clear();
    const std::optional<QString> provider = connectionValue(connection, QStringLiteral("Provider"));
    if (provider && provider->compare(Provider, Qt::CaseInsensitive) != 0) {
        error_ = QStringLiteral("unknown provider %1").arg(*provider);
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
