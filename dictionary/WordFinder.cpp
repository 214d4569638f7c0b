#include "dictionary/WordFinder.h"

#include "dictionary/CodePage936.h"

namespace lesnor {
namespace {

bool isWordCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_';
}

QString trimmedToLettersAndDigits(const QString& word) {
    qsizetype from = 0;
    qsizetype to = word.size();
    while (from < to && !word.at(from).isLetterOrNumber())
        ++from;
    while (to > from && !word.at(to - 1).isLetterOrNumber())
        --to;
    return word.mid(from, to - from);
}

} // namespace

QString RichWordOver(const QString& text, int index) {
    if (index < 0 || index >= text.size() || !isWordCharacter(text.at(index)))
        return {};
    qsizetype start = index;
    while (start > 0 && isWordCharacter(text.at(start - 1)))
        --start;
    qsizetype end = index + 1;
    while (end < text.size() && isWordCharacter(text.at(end)))
        ++end;
    return text.mid(start, end - start);
}

bool IsDelimiter(char byte) {
    switch (byte) {
    case ',':
    case ' ':
    case '.':
    case '?':
    case '\r':
    case '\n':
        return true;
    default:
        return false;
    }
}

// Scanning characters gives the same words as scanning the text's code page 936
// bytes: no delimiter byte is part of a two-byte character. A character the code page
// cannot hold becomes "?" there, a delimiter.
QString GetWord(const QString& text, int index) {
    const auto delimits = [](QChar c) {
        if (c.unicode() < 0x80)
            return IsDelimiter(char(c.unicode()));
        return c.isSurrogate() || !toCodePage936(QStringView(&c, 1));
    };
    if (index < 0 || index >= text.size() || delimits(text.at(index)))
        return {};
    qsizetype start = index;
    while (start > 0 && !delimits(text.at(start - 1)))
        --start;
    qsizetype end = index + 1;
    while (end < text.size() && !delimits(text.at(end)))
        ++end;
    return trimmedToLettersAndDigits(text.mid(start, end - start));
}

QString WordListWord(const QString& text, int index) {
    if (index < 0 || index >= text.size())
        return {};
    const qsizetype lineStart = text.lastIndexOf(u'\n', index) + 1; // 0 when none
    qsizetype lineEnd = text.indexOf(u'\n', index);
    if (lineEnd < 0)
        lineEnd = text.size();
    const qsizetype gloss = text.indexOf(QStringLiteral(" /"), lineStart);
    const qsizetype englishEnd = gloss >= 0 && gloss < lineEnd ? gloss : lineEnd;
    return index < englishEnd ? GetWord(text.left(englishEnd), index) : QString();
}

QString GetLineText(const QString& text, int line) {
    if (line < 0)
        return {};
    qsizetype start = 0;
    for (int n = 0; n < line; ++n) {
        const qsizetype next = text.indexOf(u'\n', start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0)
        end = text.size();
    if (end > start && text.at(end - 1) == u'\r')
        --end;
    return text.mid(start, end - start);
}

} // namespace lesnor
