#include "widgets/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace lesnor::artwork {
namespace {

// Runs `draw` in a design space of `w` × `h` units mapped onto `r`.
template <class Draw> void inDesignSpace(QPainter& p, const QRectF& r, qreal w, qreal h, Draw draw) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / w, r.height() / h);
    draw();
    p.restore();
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPen pen(const QColor& color, qreal width = 1.0) {
    QPen p(color, width);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void accentBar(QPainter& p, const QRectF& r) {
    const qreal inset = qMax<qreal>(4, r.height() * 0.22);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(66, 124, 204));
    p.drawRoundedRect(QRectF(r.left() + 1, r.top() + inset, 2.5, r.height() - 2 * inset), 1.2, 1.2);
}

void stripLines(QPainter& p, const QRectF& r, const QColor& bottom) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(255, 255, 255, 200));
    p.drawLine(QPointF(r.left(), r.top()), QPointF(r.right(), r.top()));
    p.setPen(bottom);
    p.drawLine(QPointF(r.left(), r.bottom() - 1), QPointF(r.right(), r.bottom() - 1));
    p.setRenderHint(QPainter::Antialiasing, true);
}

void button(QPainter& p, const QRectF& r, bool pressed, qreal radius) {
    const QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
    if (pressed) {
        p.setBrush(vertical(b, QColor(186, 207, 238), QColor(214, 228, 248)));
        p.setPen(pen(QColor(90, 126, 180)));
    } else {
        p.setBrush(vertical(b, QColor(255, 255, 255), QColor(220, 232, 249)));
        p.setPen(pen(QColor(146, 172, 210)));
    }
    p.drawRoundedRect(b, radius, radius);
    p.setBrush(Qt::NoBrush);
    if (pressed) {
        p.setPen(pen(QColor(120, 152, 200, 150)));
        p.drawLine(QPointF(b.left() + radius, b.top() + 1.2), QPointF(b.right() - radius, b.top() + 1.2));
    } else {
        p.setPen(pen(QColor(255, 255, 255, 220)));
        p.drawRoundedRect(b.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
}

void readIcon(QPainter& p) {
    const QPolygonF cone{{QPointF(4, 11), QPointF(9, 11), QPointF(15, 5.5), QPointF(15, 24.5), QPointF(9, 19),
                          QPointF(4, 19)}};
    p.setBrush(vertical(QRectF(0, 5, 30, 20), QColor(84, 154, 238), QColor(32, 92, 184)));
    p.setPen(pen(QColor(24, 70, 150), 1.1));
    p.drawPolygon(cone);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(38, 108, 206), 2.0));
    for (qreal radius : {4.5, 8.5}) {
        const QRectF arc(15 - radius, 15 - radius, 2 * radius, 2 * radius);
        p.drawArc(arc, -50 * 16, 100 * 16);
    }
    p.setPen(pen(QColor(38, 108, 206, 150), 2.0));
    p.drawArc(QRectF(15 - 12.5, 15 - 12.5, 25, 25), -45 * 16, 90 * 16);
}

void stopIcon(QPainter& p) {
    p.setBrush(vertical(QRectF(2, 2, 26, 26), QColor(244, 104, 88), QColor(198, 44, 38)));
    p.setPen(pen(QColor(160, 36, 30), 1.0));
    p.drawEllipse(QPointF(15, 15), 12.5, 12.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(QRectF(10.2, 10.2, 9.6, 9.6), 1.6, 1.6);
}

void dictationIcon(QPainter& p) {
    const QRectF sheet(4.5, 2.5, 16, 23);
    p.setBrush(vertical(sheet, QColor(255, 255, 255), QColor(236, 242, 250)));
    p.setPen(pen(QColor(112, 134, 168), 1.0));
    p.drawRoundedRect(sheet, 1.5, 1.5);
    p.setPen(pen(QColor(128, 168, 222), 1.2));
    for (qreal y : {8.0, 12.0, 16.0, 20.0})
        p.drawLine(QPointF(7.5, y), QPointF(y < 15 ? 17.5 : 12.5, y));
    p.save();
    p.translate(20, 14.5);
    p.rotate(40);
    p.setPen(pen(QColor(150, 96, 20), 0.9));
    p.setBrush(vertical(QRectF(-2.4, -9, 4.8, 14), QColor(255, 196, 72), QColor(236, 150, 30)));
    p.drawRect(QRectF(-2.4, -8.5, 4.8, 13.5));
    p.setBrush(QColor(238, 120, 132));
    p.drawRoundedRect(QRectF(-2.4, -12, 4.8, 3.5), 1, 1);
    p.setBrush(QColor(250, 226, 188));
    p.drawPolygon(QPolygonF{{QPointF(-2.4, 5), QPointF(2.4, 5), QPointF(0, 10.5)}});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawPolygon(QPolygonF{{QPointF(-0.8, 8.6), QPointF(0.8, 8.6), QPointF(0, 10.5)}});
    p.restore();
}

void helpIcon(QPainter& p) {
    p.setBrush(vertical(QRectF(2, 2, 26, 26), QColor(92, 164, 242), QColor(34, 96, 192)));
    p.setPen(pen(QColor(26, 78, 160), 1.0));
    p.drawEllipse(QPointF(15, 15), 12.5, 12.5);
    // The question mark as strokes, so it needs no particular font.
    QPainterPath hook;
    hook.moveTo(10.8, 11.6);
    hook.cubicTo(10.8, 8.2, 13.2, 6.9, 15.2, 6.9);
    hook.cubicTo(17.9, 6.9, 19.6, 8.6, 19.6, 10.8);
    hook.cubicTo(19.6, 13.4, 17.4, 14.2, 16.1, 15.3);
    hook.cubicTo(15.2, 16.1, 15.0, 16.9, 15.0, 18.4);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(255, 255, 255), 2.8));
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(15, 22.4), 1.8, 1.8);
}

void homeIcon(QPainter& p) {
    p.setPen(pen(QColor(130, 60, 40), 1.0));
    p.setBrush(QColor(176, 84, 60));
    p.drawRect(QRectF(19.5, 5.5, 3.5, 6));
    p.setBrush(vertical(QRectF(6, 13, 18, 14), QColor(255, 250, 236), QColor(236, 226, 200)));
    p.setPen(pen(QColor(146, 124, 92), 1.0));
    p.drawRect(QRectF(6.5, 13.5, 17, 13));
    p.setBrush(QColor(92, 142, 206));
    p.setPen(pen(QColor(52, 94, 160), 0.9));
    p.drawRoundedRect(QRectF(12.7, 18, 4.6, 8.5), 0.8, 0.8);
    p.setBrush(vertical(QRectF(2, 3, 26, 13), QColor(236, 104, 76), QColor(196, 62, 42)));
    p.setPen(pen(QColor(150, 46, 30), 1.1));
    p.drawPolygon(QPolygonF{{QPointF(2.5, 15.5), QPointF(15, 3.5), QPointF(27.5, 15.5), QPointF(24.5, 15.5),
                             QPointF(15, 6.8), QPointF(5.5, 15.5)}});
}

void bookImage(QPainter& p) {
    p.setPen(pen(QColor(150, 160, 178), 0.8));
    p.setBrush(QColor(252, 252, 252));
    p.drawRoundedRect(QRectF(4.5, 3.5, 10, 11.5), 1, 1);
    p.setPen(pen(QColor(26, 74, 150), 0.9));
    p.setBrush(vertical(QRectF(2, 1, 11, 13), QColor(78, 140, 222), QColor(38, 92, 176)));
    p.drawRoundedRect(QRectF(2.5, 1.5, 10.5, 12), 1.2, 1.2);
    p.setPen(pen(QColor(255, 255, 255, 110), 1.0));
    p.drawLine(QPointF(4.3, 2.6), QPointF(4.3, 12.6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 225));
    p.drawRoundedRect(QRectF(6, 4, 5, 2.6), 0.6, 0.6);
}

void lessonImage(QPainter& p) {
    const QPolygonF page{
        {QPointF(3.5, 1.5), QPointF(9.8, 1.5), QPointF(13, 4.7), QPointF(13, 14.5), QPointF(3.5, 14.5)}};
    p.setPen(pen(QColor(116, 132, 160), 0.9));
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(page);
    p.setBrush(QColor(214, 224, 240));
    p.drawPolygon(QPolygonF{{QPointF(9.8, 1.5), QPointF(9.8, 4.7), QPointF(13, 4.7)}});
    p.setPen(pen(QColor(86, 142, 214), 1.0));
    for (qreal y : {7.0, 9.5, 12.0})
        p.drawLine(QPointF(5.6, y), QPointF(y < 11 ? 10.9 : 9.0, y));
}

QIcon iconOf(void (*draw)(QPainter&)) {
    QIcon icon;
    for (qreal ratio : {1.0, 2.0, 3.0}) {
        QPixmap pixmap(QSize(16, 16) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

Picture titleStrip(bool accent) {
    return Picture(accent ? QStringLiteral("title-strip") : QStringLiteral("title-strip-plain"),
                   [accent](QPainter& p, const QRectF& r) {
                       p.fillRect(r, vertical(r, QColor(253, 254, 255), QColor(216, 229, 247)));
                       stripLines(p, r, QColor(168, 192, 226));
                       if (accent)
                           accentBar(p, r);
                   });
}

Picture toolbarStrip() {
    return Picture(QStringLiteral("toolbar-strip"), [](QPainter& p, const QRectF& r) {
        p.fillRect(r, vertical(r, QColor(255, 255, 255, 170), QColor(255, 255, 255, 0)));
        stripLines(p, r, QColor(176, 198, 228));
    });
}

Picture buttonNormal() {
    return Picture(QStringLiteral("button-normal"),
                   [](QPainter& p, const QRectF& r) { button(p, r, false, 3); });
}

Picture buttonPressed() {
    return Picture(QStringLiteral("button-pressed"),
                   [](QPainter& p, const QRectF& r) { button(p, r, true, 3); });
}

Picture toggleButton() {
    return Picture(QStringLiteral("toggle-button"),
                   [](QPainter& p, const QRectF& r) { button(p, r.adjusted(2, 3, -2, -3), false, 5); });
}

Picture divider() {
    return Picture(QStringLiteral("divider"), [](QPainter& p, const QRectF& r) {
        const qreal x = qRound(r.center().x()) + 0.5;
        QLinearGradient dark(r.topLeft(), r.bottomLeft());
        dark.setColorAt(0, QColor(128, 158, 202, 0));
        dark.setColorAt(0.5, QColor(128, 158, 202, 255));
        dark.setColorAt(1, QColor(128, 158, 202, 0));
        QLinearGradient light(r.topLeft(), r.bottomLeft());
        light.setColorAt(0, QColor(255, 255, 255, 0));
        light.setColorAt(0.5, QColor(255, 255, 255, 230));
        light.setColorAt(1, QColor(255, 255, 255, 0));
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QBrush(dark), 1));
        p.drawLine(QPointF(x, r.top() + 2), QPointF(x, r.bottom() - 2));
        p.setPen(QPen(QBrush(light), 1));
        p.drawLine(QPointF(x + 1, r.top() + 2), QPointF(x + 1, r.bottom() - 2));
    });
}

Picture commandIcon(int index) {
    static void (*const draws[])(QPainter&) = {readIcon, stopIcon, dictationIcon, helpIcon, homeIcon};
    static const char* const names[] = {"icon-read", "icon-stop", "icon-dictation", "icon-help", "icon-home"};
    if (index < 1 || index > 5)
        return {};
    auto draw = draws[index - 1];
    return Picture(QLatin1String(names[index - 1]),
                   [draw](QPainter& p, const QRectF& r) { inDesignSpace(p, r, 30, 30, [&] { draw(p); }); });
}

QList<QIcon> treeImages() {
    return {iconOf(bookImage), iconOf(lessonImage)};
}

} // namespace lesnor::artwork
