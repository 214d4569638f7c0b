#include "widgets/TextHitTest.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

namespace lesnor {
namespace {

// Both boxes place a text cursor nearest to a point; the character under the point is
// the one after that place or the one before it. Its box comes from its line: the
// line's top and height, and the x of the places before and after it, shifted to the
// viewport by where the box draws the cursor.
template <class Box> int characterAt(const Box& box, QPoint point) {
    const QTextDocument* document = box.document();
    const QTextCursor nearest = box.cursorForPosition(point);
    const int place = nearest.position();
    const int k = point.x() >= box.cursorRect(nearest).left() ? place : place - 1;
    if (k < 0 || k >= document->characterCount() - 1)
        return -1;
    const QTextBlock block = document->findBlock(k);
    const QTextLayout* layout = block.layout();
    const int inBlock = k - block.position();
    if (!layout || inBlock >= block.length() - 1) // the paragraph's end: no character
        return -1;
    const QTextLine line = layout->lineForTextPosition(inBlock);
    if (!line.isValid())
        return -1;
    QTextCursor at(const_cast<QTextDocument*>(document));
    at.setPosition(k);
    const QRect caret = box.cursorRect(at);
    const qreal shift = caret.left() - line.cursorToX(inBlock);
    const qreal left = caret.left();
    const qreal right = shift + line.cursorToX(inBlock + 1);
    const bool inside = point.x() >= qMin(left, right) && point.x() < qMax(left, right) &&
                        point.y() >= caret.top() && point.y() <= caret.bottom();
    return inside ? k : -1;
}

} // namespace

int characterUnderPoint(const QTextEdit& box, QPoint point) {
    return characterAt(box, point);
}

int characterUnderPoint(const QPlainTextEdit& box, QPoint point) {
    return characterAt(box, point);
}

} // namespace lesnor
