#include "widgets/Controls.h"

#include "widgets/TextFit.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace lesnor {
namespace {

bool releasedInside(const QWidget* w, const QMouseEvent* event) {
    return event->button() == Qt::LeftButton && w->rect().contains(event->position().toPoint());
}

} // namespace

Picture::Picture(QString name, Painter paint)
    : name_(std::move(name))
    , paint_(std::move(paint)) {}

void Picture::paint(QPainter& painter, const QRectF& rect) const {
    if (!paint_)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paint_(painter, rect);
    painter.restore();
}

QPixmap Picture::toPixmap(QSize size, qreal ratio) const {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

PictureBox::PictureBox(const QString& name, QWidget* parent)
    : QWidget(parent) {
    setObjectName(name);
}

void PictureBox::setBackColor(const QColor& color) {
    backColor_ = color;
    update();
}

void PictureBox::setPicture(const Picture& picture) {
    picture_ = picture;
    update();
}

void PictureBox::setBorderStyle(int style) {
    if (borderStyle_ == style)
        return;
    borderStyle_ = style;
    update();
}

void PictureBox::setHoverLook(bool on) {
    if (hoverLook_ == on)
        return;
    hoverLook_ = on;
    update();
}

void PictureBox::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    if (hoverLook_)
        update();
    QWidget::enterEvent(event);
}

void PictureBox::leaveEvent(QEvent* event) {
    hovered_ = false;
    if (hoverLook_)
        update();
    QWidget::leaveEvent(event);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF r = rect();
    if (backColor_.isValid())
        painter.fillRect(r, backColor_);
    picture_.paint(painter, r);
    if (hoverLookShown()) {
        // Lit and raised a little: a light wash, a light edge above and left.
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QRect e = rect().adjusted(0, 0, -1, -1);
        painter.fillRect(rect(), QColor(255, 255, 255, 90));
        painter.setPen(QColor(120, 160, 215));
        painter.drawRect(e);
    }
    if (borderStyle_ == 1) {
        // A single sunken edge: shadow above and left, light below and right.
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QRect e = rect().adjusted(0, 0, -1, -1);
        painter.fillRect(rect(), QColor(120, 150, 195, 40));
        painter.setPen(QColor(96, 124, 168));
        painter.drawLine(e.topLeft(), e.topRight());
        painter.drawLine(e.topLeft(), e.bottomLeft());
        painter.setPen(QColor(255, 255, 255));
        painter.drawLine(e.bottomLeft(), e.bottomRight());
        painter.drawLine(e.topRight(), e.bottomRight());
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mouseDown(event->button());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    emit mouseUp(event->button());
    if (releasedInside(this, event))
        emit clicked();
}

CaptionLabel::CaptionLabel(const QString& name, const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
    setObjectName(name);
}

void CaptionLabel::setBackColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
    setAutoFillBackground(true);
}

void CaptionLabel::setForeColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, color);
    p.setColor(QPalette::Inactive, QPalette::WindowText, color);
    setPalette(p);
}

void CaptionLabel::setText(const QString& text) {
    QLabel::setText(text);
    if (autoSize_)
        resize(captionWidth(), height());
}

int CaptionLabel::captionWidth() const {
    return text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + 2;
}

double CaptionLabel::shownPointSize() const {
    if (shrinkToFit_ <= 0 || !wordWrap())
        return font().pointSizeF();
    return fittingPointSize(font(), text(), contentsRect(), shrinkToFit_);
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    const double shown = shownPointSize();
    if (shown == font().pointSizeF()) {
        QLabel::paintEvent(event);
        return;
    }
    QFont f = font();
    f.setPointSizeF(shown);
    QPainter p(this);
    p.setFont(f);
    style()->drawItemText(&p, contentsRect(), int(alignment()) | Qt::TextWordWrap, palette(), isEnabled(),
                          text(), foregroundRole());
}

void CaptionLabel::setLinkLook(bool on) {
    linkLook_ = on;
    setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!on)
        setUnderline(false);
}

void CaptionLabel::setUnderline(bool on) {
    QFont f = font();
    if (f.underline() == on)
        return;
    f.setUnderline(on);
    setFont(f);
}

void CaptionLabel::enterEvent(QEnterEvent* event) {
    if (linkLook_)
        setUnderline(true);
    QLabel::enterEvent(event);
}

void CaptionLabel::leaveEvent(QEvent* event) {
    if (linkLook_)
        setUnderline(false);
    QLabel::leaveEvent(event);
}

void CaptionLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    QLabel::changeEvent(event);
}

void CaptionLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mouseDown(event->button());
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    emit mouseUp(event->button());
    if (releasedInside(this, event))
        emit clicked();
}

ImageBox::ImageBox(const QString& name, const Picture& picture, QWidget* parent)
    : QWidget(parent)
    , picture_(picture) {
    setObjectName(name);
}

void ImageBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
        update();
    }
    QWidget::changeEvent(event);
}

void ImageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isEnabled()) {
        picture_.paint(painter, rect());
        return;
    }
    // Disabled: the same picture in faded grey.
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        picture_.paint(p, rect());
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            const int g = qGray(px);
            const int fadedAlpha = a * 45 / 100;
            const int fadedGray = a ? g * fadedAlpha / a : 0;
            line[x] = qRgba(fadedGray, fadedGray, fadedGray, fadedAlpha);
        }
    }
    painter.drawImage(QPointF(0, 0), image);
}

void ImageBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mouseDown(event->button());
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    emit mouseUp(event->button());
}

LessonTextBox::LessonTextBox(QWidget* parent)
    : QTextEdit(parent) {}

void LessonTextBox::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    emit mouseUp(event->button());
}

ShapeBox::ShapeBox(const QString& name, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , color_(color) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace lesnor
