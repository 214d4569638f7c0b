#include "lessons/LenientNumber.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <string>

namespace lesnor {

namespace {

bool isSkipped(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The significant characters of a text, one after the other; the blanks are skipped.
class Reader {
public:
    explicit Reader(QStringView text)
        : text_(text) {}
    // The next significant character, a null character at the end.
    QChar peek() {
        while (pos_ < text_.size() && isSkipped(text_[pos_]))
            ++pos_;
        return pos_ < text_.size() ? text_[pos_] : QChar();
    }
    void take() { ++pos_; }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

} // namespace

double lenientNumber(QStringView text) {
    Reader in(text);
    std::string number; // the significant characters, in the C locale's form
    if (in.peek() == QLatin1Char('+') || in.peek() == QLatin1Char('-')) {
        if (in.peek() == QLatin1Char('-'))
            number += '-';
        in.take();
    }
    bool anyDigit = false;
    bool point = false;
    for (QChar c = in.peek(); isDigit(c) || (c == QLatin1Char('.') && !point); c = in.peek()) {
        if (c == QLatin1Char('.'))
            point = true;
        else
            anyDigit = true;
        number += char(c.unicode());
        in.take();
    }
    if (!anyDigit)
        return 0.0;
    if (in.peek() == QLatin1Char('E') || in.peek() == QLatin1Char('e')) {
        // The exponent counts only when digits follow; otherwise the number ends before it.
        std::string exponent = "e";
        in.take();
        if (in.peek() == QLatin1Char('+') || in.peek() == QLatin1Char('-')) {
            exponent += char(in.peek().unicode());
            in.take();
        }
        bool exponentDigit = false;
        while (isDigit(in.peek())) {
            exponent += char(in.peek().unicode());
            exponentDigit = true;
            in.take();
        }
        if (exponentDigit)
            number += exponent;
    }
    double value = 0.0;
    const char* first = number.data();
    const auto [end, error] = std::from_chars(first, first + number.size(), value);
    (void)end;
    if (error != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

QString numberText(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace lesnor
