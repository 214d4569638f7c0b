#include "widgets/WindowKit.h"

#include "widgets/Artwork.h"
#include "widgets/Controls.h"

#include <QEvent>
#include <QFontMetrics>
#include <QTimer>
#include <QWidget>

namespace lesnor {

QString indexedName(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

QFont arialFont(double points, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont windowFont() {
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("Sans Serif")});
    f.setPointSizeF(9);
    return f;
}

double twipsPerPixelX(const QWidget& w) {
    return 1440.0 / qMax(1, w.logicalDpiX());
}

double twipsPerPixelY(const QWidget& w) {
    return 1440.0 / qMax(1, w.logicalDpiY());
}

void placeInTwips(QWidget& w, const TwipRect& t) {
    const double tx = twipsPerPixelX(w);
    const double ty = twipsPerPixelY(w);
    int x = qRound(t.left / tx);
    int y = qRound(t.top / ty);
    int width = qRound((t.left + t.width) / tx) - x;
    int height = qRound((t.top + t.height) / ty) - y;
    if (auto* label = qobject_cast<CaptionLabel*>(&w); label && label->autoSize()) {
        width = label->captionWidth();
    }
    if (auto* label = qobject_cast<CaptionLabel*>(&w); label && !label->text().isEmpty()) {
        const QFontMetrics metrics(label->font());
        if (!label->autoSize() && !label->wordWrap()) {
            const int needed = metrics.horizontalAdvance(label->text()) + 2;
            if (needed > width) {
                if (label->alignment() & Qt::AlignHCenter)
                    x -= (needed - width) / 2;
                width = needed;
            }
        }
        if (!label->wordWrap() && metrics.height() > height) {
            y -= (metrics.height() - height) / 2;
            height = metrics.height();
        }
    }
    w.setGeometry(x, y, width, height);
}

void styleAsTitle(CaptionLabel& label) {
    QFont f = label.font();
    f.setBold(true);
    label.setFont(f);
    label.setForeColor(artwork::titleText);
}

void wirePictureButton(CaptionLabel& caption, PictureBox& frame, const Picture& normal,
                       const Picture& pressed, std::function<void()> action) {
    PictureBox* box = &frame;
    QObject::connect(&caption, &CaptionLabel::mouseDown, box,
                     [box, pressed](Qt::MouseButton) { box->setPicture(pressed); });
    QObject::connect(&caption, &CaptionLabel::mouseUp, box,
                     [box, normal, action = std::move(action)](Qt::MouseButton) {
                         box->setPicture(normal);
                         action();
                     });
}

QString translationToggleCaption(bool shown) {
    return shown ? QStringLiteral("隐 藏") : QStringLiteral("显 示");
}

bool translationShown(const CaptionLabel& toggle) {
    return toggle.text() == translationToggleCaption(true);
}

void toggleTranslation(CaptionLabel& toggle, CaptionLabel& line, const QString& translation) {
    const bool show = !translationShown(toggle);
    toggle.setText(translationToggleCaption(show));
    line.setText(show ? translation : QString());
}

namespace {

class FirstFrameWatch : public QObject {
public:
    FirstFrameWatch(QWidget& window, std::function<void()> then)
        : QObject(&window)
        , then_(std::move(then)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The paint event comes first in a frame; the rest of it is painted and
            // flushed before the loop's next turn.
            QTimer::singleShot(0, watched, std::move(then_));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

} // namespace

void afterFirstFrame(QWidget& window, std::function<void()> then) {
    new FirstFrameWatch(window, std::move(then));
}

} // namespace lesnor
