#include "dictionary/DictionaryBuilder.h"

#include "dictionary/CodePage936.h"

#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>

namespace lesnor {
namespace {

struct Record {
    QString text; // "$headword[phonetic]meaning"
    QString key;  // the headword in lower case
    qsizetype line = 0;
};

// At most 80 characters of `text` for a message.
QString shortened(const QString& text) {
    constexpr qsizetype limit = 80;
    return text.size() <= limit ? text : text.left(limit) + QStringLiteral("...");
}

bool fitsCodePage936(const QString& text) {
    return toCodePage936(text).has_value();
}

// The records of one list; false with `error` set for a line that is no record.
bool parseRecords(const QString& text, const QString& name, bool comments, QList<Record>* records,
                  QString* error) {
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || (comments && line.startsWith(u'#')))
            continue;
        const qsizetype open = line.indexOf(u'[');
        const qsizetype close = open < 0 ? -1 : line.indexOf(u']', open + 1);
        QString problem;
        if (!line.startsWith(u'$'))
            problem = QStringLiteral("does not start with \"$\"");
        else if (open < 0 || close < 0)
            problem = QStringLiteral("has no \"[\" and \"]\" after the headword");
        else if (line.indexOf(u'$', 1) >= 0)
            problem = QStringLiteral("has a \"$\" inside");
        else if (open == 1)
            problem = QStringLiteral("has an empty headword");
        else if (std::any_of(line.cbegin(), line.cend(), [](QChar c) { return c < u' ' && c != u'\t'; }))
            // A stray CR would end the record where the lookup reads it.
            problem = QStringLiteral("holds a control character (a line break inside a record?)");
        else if (!fitsCodePage936(line))
            problem = QStringLiteral("holds text outside code page 936");
        if (!problem.isEmpty()) {
            *error = QStringLiteral("%1 line %2 %3").arg(name).arg(n + 1).arg(problem);
            return false;
        }
        records->append(Record{line, line.mid(1, open - 1).toLower(), n + 1});
    }
    return true;
}

} // namespace

QByteArray buildDictionary(const QByteArray& base, const QByteArray& additions, QString* error) {
    QStringDecoder gbk("GBK");
    const QString baseText = gbk.decode(base);
    if (gbk.hasError()) {
        *error = QStringLiteral("the base list is not valid code page 936 text");
        return {};
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString additionsText = utf8.decode(additions);
    if (utf8.hasError()) {
        *error = QStringLiteral("the additions are not valid UTF-8");
        return {};
    }
    if (additionsText.startsWith(QChar(0xFEFF)))
        additionsText.remove(0, 1);

    QList<Record> baseRecords;
    QList<Record> added;
    if (!parseRecords(baseText, QStringLiteral("base"), false, &baseRecords, error) ||
        !parseRecords(additionsText, QStringLiteral("additions"), true, &added, error))
        return {};

    QHash<QString, qsizetype> addedAt;
    for (qsizetype i = 0; i < added.size(); ++i) {
        if (addedAt.contains(added.at(i).key)) {
            *error = QStringLiteral("additions line %1: the headword \"%2\" is given twice")
                         .arg(added.at(i).line)
                         .arg(shortened(added.at(i).key));
            return {};
        }
        addedAt.insert(added.at(i).key, i);
    }

    QString out;
    QHash<QString, bool> written;
    const auto write = [&out, &written](const Record& r) {
        out += r.text;
        written.insert(r.key, true);
    };
    for (const Record& r : baseRecords) {
        if (written.contains(r.key))
            continue;
        write(addedAt.contains(r.key) ? added.at(addedAt.value(r.key)) : r);
    }
    for (const Record& r : added) {
        if (!written.contains(r.key))
            write(r);
    }
    out += QStringLiteral("$\r\n");

    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(out);
    bytes.append('\0');
    bytes.append('\0');
    return bytes;
}

} // namespace lesnor
