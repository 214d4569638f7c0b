#include "learner/NotebookExport.h"

#include <QRegularExpression>
#include <algorithm>

namespace lesnor {
namespace {

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('\'') || c == QChar(0x2019);
}

// The ranges where `word` stands as a whole word in `text`.
QList<std::pair<qsizetype, qsizetype>> wholeWords(const QString& text, const QString& word) {
    QList<std::pair<qsizetype, qsizetype>> found;
    if (word.isEmpty())
        return found;
    for (qsizetype at = text.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(word, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + word.size();
        if ((at == 0 || !isWordCharacter(text.at(at - 1))) &&
            (end == text.size() || !isWordCharacter(text.at(end))))
            found.append({at, word.size()});
    }
    return found;
}

QString html(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\t':
            out += QLatin1String("&#9;");
            break;
        case '\r':
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("<br>");
            break;
        case '\n':
            out += QLatin1String("<br>");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString csvField(const QString& text) {
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    if (!text.contains(special))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString localTime(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

QList<NotebookWord> notebookWords(const LearnerSnapshot& snapshot, bool withMastered) {
    QList<NotebookWord> words;
    for (const NotebookWord& w : snapshot.words) {
        if (withMastered || !w.mastered)
            words.append(w);
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const NotebookWord& a, const NotebookWord& b) { return a.first < b.first; });
    return words;
}

QString sentenceWithBoldWord(const QString& sentence, const QString& form, const QString& headword) {
    auto ranges = wholeWords(sentence, form);
    if (ranges.isEmpty())
        ranges = wholeWords(sentence, headword);
    QString out;
    qsizetype done = 0;
    for (const auto& [at, length] : ranges) {
        out += html(sentence.mid(done, at - done)) + QLatin1String("<b>") + html(sentence.mid(at, length)) +
               QLatin1String("</b>");
        done = at + length;
    }
    return out + html(sentence.mid(done));
}

QString sentenceContaining(const QStringList& sentences, const QString& word) {
    for (const QString& sentence : sentences) {
        if (!wholeWords(sentence, word.trimmed()).isEmpty())
            return sentence;
    }
    return QString();
}

QByteArray exportNotebook(const QList<NotebookWord>& words, ExportFormat format) {
    QString out;
    if (format == ExportFormat::FlashCards) {
        out = QStringLiteral(
            "#separator:tab\n#html:true\n#columns:word\tphonetic\tmeaning\tsentence\tlesson\n");
        for (const NotebookWord& w : words) {
            out +=
                QStringList{html(w.headword), html(w.phonetic), html(w.meaning),
                            sentenceWithBoldWord(w.sentence, w.form, w.headword), html(lessonName(w.lesson))}
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
        }
    } else {
        out = QStringLiteral("word,phonetic,meaning,sentence,lesson,count,first,last\r\n");
        for (const NotebookWord& w : words) {
            QStringList fields{w.headword,         w.phonetic,           w.meaning,
                               w.sentence,         lessonName(w.lesson), QString::number(w.count),
                               localTime(w.first), localTime(w.last)};
            for (QString& f : fields)
                f = csvField(f);
            out += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
        }
    }
    return out.toUtf8();
}

} // namespace lesnor
