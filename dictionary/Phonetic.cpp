#include "dictionary/Phonetic.h"

#include <array>
#include <utility>

namespace lesnor {

QString convertPhonetic(const QString& field) {
    static const std::array<std::pair<char16_t, const char16_t*>, 14> steps{{
        {u'0', u"C"},
        {u'1', u"B"},
        {u'2', u"E"},
        {u'3', u"Q"},
        {u'4', u"W"},
        {u'5', u"T"},
        {u'6', u"F"},
        {u'7', u"V"},
        {u'8', u"N"},
        {u'9', u"A"},
        {u'/', u"Z"},
        {u'\'', u"5"},
        {u',', u"/"},
        {u' ', u""},
    }};
    QString text = field;
    for (const auto& [from, to] : steps)
        text.replace(QChar(from), QString::fromUtf16(to));
    return text;
}

QString phoneticToIpa(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char16_t c = field.at(i).unicode();
        switch (c) {
        case u'0':
            out += QChar(u'ɔ');
            break;
        case u'1':
            out += QChar(u'ɑ');
            break;
        case u'2':
            out += QChar(u'ə');
            break;
        case u'3':
            out += QChar(u'ʌ');
            break;
        case u'4':
            out += QChar(u'θ');
            break;
        case u'5':
            out += QChar(u'ð');
            break;
        case u'6':
            out += QChar(u'ʃ');
            break;
        case u'7':
            out += QChar(u'ʒ');
            break;
        case u'8':
            out += QChar(u'ŋ');
            break;
        case u'9':
            out += QChar(u'æ');
            break;
        case u'/':
            out += QChar(u'ɛ');
            break;
        case u'\'':
            out += QChar(u'ˈ');
            break;
        case u':':
            out += QChar(u'ː');
            break;
        case u',': {
            const bool separator =
                i + 1 < field.size() && (field.at(i + 1) == u' ' || field.at(i + 1) == u'-');
            out += separator ? QChar(u',') : QChar(u'ˌ');
            break;
        }
        default:
            out += field.at(i);
            break;
        }
    }
    return out;
}

} // namespace lesnor
