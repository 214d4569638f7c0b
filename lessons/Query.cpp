#include "lessons/Query.h"

#include "lessons/Jet3Reader.h"
#include "lessons/Quoted.h"

namespace lesnor {

namespace {

struct Token {
    enum Kind { Word, Name, Literal, Star, Equals, End } kind = End;
    QString text;
    int position = 0;
};

bool isWordChar(QChar c) {
    return c.unicode() >= 0x80 || c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n');
}

class Lexer {
public:
    explicit Lexer(const QString& text)
        : text_(text) {}

    // The next token; false with `*error` set on a malformed one.
    bool next(Token* token, QString* error) {
        while (pos_ < text_.size() && isBlank(text_.at(pos_)))
            ++pos_;
        token->position = int(pos_) + 1;
        token->text.clear();
        if (pos_ >= text_.size()) {
            token->kind = Token::End;
            return true;
        }
        const QChar c = text_.at(pos_);
        if (c == QLatin1Char('*') || c == QLatin1Char('=')) {
            token->kind = c == QLatin1Char('*') ? Token::Star : Token::Equals;
            ++pos_;
            return true;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype close = text_.indexOf(QLatin1Char(']'), pos_ + 1);
            if (close < 0) {
                *error = QStringLiteral("unclosed '[' at position %1").arg(token->position);
                return false;
            }
            token->kind = Token::Name;
            token->text = text_.mid(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            if (token->text.isEmpty()) {
                *error = QStringLiteral("empty name at position %1").arg(token->position);
                return false;
            }
            return true;
        }
        if (c == QLatin1Char('\'')) {
            token->kind = Token::Literal;
            for (qsizetype i = pos_ + 1; i < text_.size(); ++i) {
                if (text_.at(i) != QLatin1Char('\'')) {
                    token->text += text_.at(i);
                } else if (i + 1 < text_.size() && text_.at(i + 1) == QLatin1Char('\'')) {
                    token->text += QLatin1Char('\'');
                    ++i;
                } else {
                    pos_ = i + 1;
                    return true;
                }
            }
            *error = QStringLiteral("unclosed quote at position %1").arg(token->position);
            return false;
        }
        if (isWordChar(c)) {
            const qsizetype start = pos_;
            while (pos_ < text_.size() && isWordChar(text_.at(pos_)))
                ++pos_;
            token->kind = Token::Word;
            token->text = text_.mid(start, pos_ - start);
            return true;
        }
        *error = QStringLiteral("unexpected %1 at position %2")
                     .arg(quoted(QStringView(&c, 1)))
                     .arg(token->position);
        return false;
    }

private:
    const QString& text_;
    qsizetype pos_ = 0;
};

class Parser {
public:
    explicit Parser(const QString& text)
        : lexer_(text) {}

    std::optional<Query> parse(QString* error) {
        error_ = error;
        Query q;
        if (!advance() || !keyword("select") || !expect(Token::Star, "'*'") || !keyword("from") ||
            !name(&q.table))
            return std::nullopt;
        if (isKeyword("where")) {
            if (!advance())
                return std::nullopt;
            do {
                std::pair<QString, QString> condition;
                if (!name(&condition.first) || !expect(Token::Equals, "'='"))
                    return std::nullopt;
                if (token_.kind != Token::Literal)
                    return failHere("a quoted text");
                condition.second = token_.text;
                if (!advance())
                    return std::nullopt;
                q.conditions.append(condition);
            } while (isKeyword("and") && advance());
            if (!error_->isEmpty())
                return std::nullopt;
        }
        if (token_.kind != Token::End)
            return failHere("the end of the query");
        return q;
    }

private:
    bool advance() { return lexer_.next(&token_, error_); }

    bool isKeyword(const char* word) const {
        return token_.kind == Token::Word &&
               token_.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    std::nullopt_t failHere(const QString& wanted) {
        *error_ = QStringLiteral("expected %1 at position %2").arg(wanted).arg(token_.position);
        return std::nullopt;
    }

    bool keyword(const char* word) {
        if (!isKeyword(word)) {
            failHere(QStringLiteral("'%1'").arg(QLatin1String(word)));
            return false;
        }
        return advance();
    }

    bool expect(Token::Kind kind, const char* what) {
        if (token_.kind != kind) {
            failHere(QLatin1String(what));
            return false;
        }
        return advance();
    }

    bool name(QString* out) {
        static const char* const reserved[] = {"select", "from", "where", "and"};
        if (token_.kind == Token::Word)
            for (const char* r : reserved)
                if (isKeyword(r)) {
                    failHere(QStringLiteral("a name"));
                    return false;
                }
        if (token_.kind != Token::Word && token_.kind != Token::Name) {
            failHere(QStringLiteral("a name"));
            return false;
        }
        *out = token_.text;
        return advance();
    }

    Lexer lexer_;
    Token token_;
    QString* error_ = nullptr;
};

} // namespace

std::optional<Query> parseQuery(const QString& text, QString* error) {
    QString ignored;
    QString* e = error ? error : &ignored;
    e->clear();
    return Parser(text).parse(e);
}

int QueryResult::columnIndex(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool runQuery(jet3::Database& db, const Query& query, const std::function<void(const QStringList&)>& columns,
              const std::function<bool(const QStringList&)>& row, QString* error) {
    QString ignored;
    QString* e = error ? error : &ignored;
    const std::optional<jet3::TableDef> table = db.table(query.table);
    if (!table) {
        *e = db.error();
        return false;
    }
    QList<std::pair<int, QString>> tests;
    for (const auto& [column, literal] : query.conditions) {
        const int index = table->columnIndex(column);
        if (index < 0) {
            *e = QStringLiteral("table %1 has no column named %2").arg(quoted(table->name), quoted(column));
            return false;
        }
        tests.append({index, literal});
    }
    QStringList names;
    for (const jet3::Column& c : table->columns)
        names.append(c.name);
    columns(names);
    QStringList values;
    QList<bool> decoded(table->columns.size());
    const int result = db.scan(*table, [&](const jet3::RowCells& cells) {
        values.resize(table->columns.size());
        decoded.fill(false);
        for (const auto& [index, literal] : tests) {
            if (!decoded.at(index))
                values[index] = db.text(table->columns.at(index), cells[index]);
            decoded[index] = true;
            if (values.at(index).compare(literal, Qt::CaseInsensitive) != 0)
                return true;
        }
        for (int i = 0; i < table->columns.size(); ++i)
            if (!decoded.at(i))
                values[i] = db.text(table->columns.at(i), cells[i]);
        return row(values);
    });
    if (result < 0) {
        *e = db.error();
        return false;
    }
    return true;
}

std::unique_ptr<QueryResult> runQuery(const QString& path, const Query& query, QString* error) {
    QString ignored;
    QString* e = error ? error : &ignored;
    jet3::Database db;
    if (!db.open(path)) {
        *e = db.error();
        return nullptr;
    }
    auto result = std::make_unique<QueryResult>();
    if (!runQuery(
            db, query, [&](const QStringList& names) { result->columns = names; },
            [&](const QStringList& values) {
                result->rows.append(values);
                return true;
            },
            e))
        return nullptr;
    return result;
}

} // namespace lesnor
