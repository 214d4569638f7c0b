#pragma once

#include <QPoint>

class QPlainTextEdit;
class QTextEdit;

namespace lesnor {

// The index, in the box's plain text (toPlainText()), of the character whose box holds
// `point` (in the box's viewport coordinates); -1 over a blank part of a line, past a
// line's end, between lines or outside the text. The word finders take this index.
int characterUnderPoint(const QTextEdit& box, QPoint point);
int characterUnderPoint(const QPlainTextEdit& box, QPoint point);

} // namespace lesnor
