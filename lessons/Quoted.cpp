#include "lessons/Quoted.h"

namespace lesnor {
namespace {

void appendPrintable(QString* out, QChar c) {
    const char16_t u = c.unicode();
    if (u == u'\n')
        *out += QStringLiteral("\\n");
    else if (u == u'\t')
        *out += QStringLiteral("\\t");
    else if (u == u'\r')
        *out += QStringLiteral("\\r");
    else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
        *out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
    else
        *out += c;
}

} // namespace

QString quoted(QStringView text, int limit) {
    QString out = QStringLiteral("\"");
    qsizetype shown = std::min<qsizetype>(text.size(), limit);
    if (shown > 0 && shown < text.size() && text.at(shown - 1).isHighSurrogate())
        --shown;
    for (qsizetype i = 0; i < shown; ++i)
        appendPrintable(&out, text.at(i));
    out += text.size() > shown ? QStringLiteral("...\"") : QStringLiteral("\"");
    return out;
}

QString printable(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        appendPrintable(&out, c);
    return out;
}

} // namespace lesnor
