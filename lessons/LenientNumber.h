#pragma once

#include <QString>
#include <QStringView>

namespace lesnor {

// The number a stored time or a sampled position text stands for. Blanks, tabs and line
// feeds are skipped wherever they stand; then come an optional sign, digits with at most
// one "." (".5" is 0.5) and an optional exponent ("E" or "e", optional sign, digits).
// Reading stops at the first other character. A text without a leading number gives 0,
// and so does a number beyond the range of a double.
double lenientNumber(QStringView text);

// A decimal text that lenientNumber() reads back to exactly `value`.
QString numberText(double value);

} // namespace lesnor
