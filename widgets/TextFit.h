#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPlainTextEdit;

namespace lesnor {

// Text shown larger than its box was designed for (the learner's text size): the box
// keeps its place and its text the size asked for, down to the size where all of it
// fits, in steps of half a point, never below `smallest` (the design size, where the
// box shows what it always did).

// The size `text` wrapped in `box` takes from `font`'s size down.
double fittingPointSize(const QFont& font, const QString& text, const QRect& box, double smallest);
// The box's font set to `points` or the size that fits its text; that size.
double fitText(QPlainTextEdit& box, double points, double smallest);

} // namespace lesnor
