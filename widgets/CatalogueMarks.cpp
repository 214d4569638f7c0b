#include "widgets/CatalogueMarks.h"

#include "learner/LessonProgress.h"
#include "lessons/LessonTitles.h"

#include <QPainter>
#include <QPainterPath>
#include <QTreeWidget>

namespace lesnor {

QIcon withCheck(const QIcon& image) {
    QIcon checked;
    for (int side : {16, 32}) {
        QPixmap pixmap = image.pixmap(side, side);
        if (pixmap.isNull()) {
            pixmap = QPixmap(side, side);
            pixmap.fill(Qt::transparent);
        }
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double u = side / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(7.5 * u, 7.5 * u, 8.5 * u, 8.5 * u));
        QPainterPath tick;
        tick.moveTo(9 * u, 12 * u);
        tick.lineTo(11 * u, 14 * u);
        tick.lineTo(15 * u, 9 * u);
        p.setPen(QPen(QColor(0, 150, 60), 2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        p.end();
        checked.addPixmap(pixmap);
    }
    return checked;
}

void markCatalogueProgress(QTreeWidget& tree, const QIcon& lessonImage, const LearnerSnapshot& snapshot) {
    static QIcon checked;
    static qint64 checkedFrom = -1;
    if (checkedFrom != lessonImage.cacheKey()) {
        checked = withCheck(lessonImage);
        checkedFrom = lessonImage.cacheKey();
    }
    for (int b = 0; b < tree.topLevelItemCount(); ++b) {
        QTreeWidgetItem* book = tree.topLevelItem(b);
        int done = 0;
        for (int l = 0; l < book->childCount(); ++l) {
            const LessonMarks marks = snapshot.lessons.value({b + 1, l + 1});
            QTreeWidgetItem* lesson = book->child(l);
            lesson->setIcon(0, marks.done() ? checked : lessonImage);
            const QString progress = lessonProgressTip(marks);
            const QString title = lessonTitleTip(b + 1, l + 1);
            lesson->setToolTip(0, progress.isEmpty() ? title : title + QLatin1Char('\n') + progress);
            done += marks.done() ? 1 : 0;
        }
        book->setToolTip(0, bookProgressTip(done, book->childCount()));
    }
}

} // namespace lesnor
