#include "widgets/TextFit.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace lesnor {
namespace {

constexpr double kStep = 0.5;

// From `points` down in half points until `fits` holds or `smallest` is reached.
template <class Fits> double largestFitting(double points, double smallest, Fits fits) {
    double size = qMax(points, smallest);
    while (size > smallest && !fits(size))
        size = qMax(smallest, size - kStep);
    return size;
}

} // namespace

double fittingPointSize(const QFont& font, const QString& text, const QRect& box, double smallest) {
    if (text.isEmpty())
        return qMax(font.pointSizeF(), smallest);
    return largestFitting(font.pointSizeF(), smallest, [&](double size) {
        QFont f = font;
        f.setPointSizeF(size);
        const QRectF needed =
            QFontMetricsF(f).boundingRect(QRectF(0, 0, box.width(), 1 << 20), Qt::TextWordWrap, text);
        return needed.height() <= box.height();
    });
}

// The box's own layout, as wide as its viewport, says how tall its lines are.
double fitText(QPlainTextEdit& box, double points, double smallest) {
    const auto setSize = [&box](double size) {
        if (box.font().pointSizeF() != size) {
            QFont f = box.font();
            f.setPointSizeF(size);
            box.setFont(f);
        }
    };
    const double size = largestFitting(points, smallest, [&box, &setSize](double candidate) {
        setSize(candidate);
        QTextDocument* document = box.document();
        QAbstractTextDocumentLayout* layout = document->documentLayout();
        qreal height = 2 * document->documentMargin();
        for (QTextBlock b = document->begin(); b.isValid(); b = b.next())
            height += layout->blockBoundingRect(b).height();
        return height <= box.viewport()->height();
    });
    setSize(size);
    return size;
}

} // namespace lesnor
