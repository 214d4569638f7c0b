#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <QTextEdit>
#include <QWidget>
#include <functional>

class QPainter;
class QPixmap;

namespace lesnor {

// A picture that a picture box or an icon shows. It is drawn afresh at the size and
// pixel ratio of wherever it appears, so it stays crisp on every screen. Two pictures
// are equal when they are the same artwork (same name).
class Picture {
public:
    using Painter = std::function<void(QPainter&, const QRectF&)>;

    Picture() = default;
    Picture(QString name, Painter paint);

    bool isNull() const { return !paint_; }
    const QString& name() const { return name_; }
    void paint(QPainter& painter, const QRectF& rect) const;
    // The picture as a pixmap of `size` device-independent pixels at `ratio`.
    QPixmap toPixmap(QSize size, qreal ratio) const;

    friend bool operator==(const Picture& a, const Picture& b) { return a.name_ == b.name_; }

private:
    QString name_;
    Painter paint_;
};

// A picture box: a back colour, an optional picture stretched over it, and a border
// style (0 none, 1 a single sunken border, which the command bar uses as its pressed
// look). Reports the mouse like the other clickable controls of the window.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(const QString& name, QWidget* parent);

    void setBackColor(const QColor& color);
    QColor backColor() const { return backColor_; }
    void setPicture(const Picture& picture);
    const Picture& picture() const { return picture_; }
    void setBorderStyle(int style);
    int borderStyle() const { return borderStyle_; }
    // With the hover look on, the box lights up while the pointer is over it (and not
    // pressed): the feedback of a button that can be used.
    void setHoverLook(bool on);
    bool hoverLookShown() const { return hoverLook_ && hovered_ && borderStyle_ == 0; }

signals:
    void mouseDown(Qt::MouseButton button);
    // Goes to the control that had the press, wherever the pointer is at release.
    void mouseUp(Qt::MouseButton button);
    // A left-button press and release on the control.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor backColor_;
    Picture picture_;
    int borderStyle_ = 0;
    bool hoverLook_ = false;
    bool hovered_ = false;
};

// A label that reports its mouse. While disabled it takes no mouse events at all: they
// reach the control beneath it instead.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    CaptionLabel(const QString& name, const QString& caption, QWidget* parent);

    // Opaque labels fill their rectangle with `color`; transparent ones (the default)
    // let their container show through.
    void setBackColor(const QColor& color);
    void setForeColor(const QColor& color);
    // An auto-sized label's width follows its caption, also when setText() changes it;
    // others keep their design width (growing only when their text would be cut).
    void setAutoSize(bool on) { autoSize_ = on; }
    bool autoSize() const { return autoSize_; }
    // The caption; hides QLabel::setText so that an auto-sized label follows it.
    void setText(const QString& text);
    // The width an auto-sized label takes for its caption (0 for an empty one).
    int captionWidth() const;
    // A link: underlined while the pointer is over it, with the pointing-hand cursor.
    void setLinkLook(bool on);
    // A word-wrapped caption that would be cut at its font is drawn at the largest size
    // that fits (half points, not below `smallestPoints`); font() stays the one asked for.
    // 0 (the default) draws it as it is.
    void setShrinkToFit(double smallestPoints) { shrinkToFit_ = smallestPoints; }
    // The size the caption is drawn at.
    double shownPointSize() const;

signals:
    void mouseDown(Qt::MouseButton button);
    void mouseUp(Qt::MouseButton button);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setUnderline(bool on);

    bool autoSize_ = false;
    double shrinkToFit_ = 0;
    bool linkLook_ = false;
};

// An image control: shows a picture, greyed while disabled; while disabled it takes no
// mouse events.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    ImageBox(const QString& name, const Picture& picture, QWidget* parent);
    const Picture& picture() const { return picture_; }

signals:
    void mouseDown(Qt::MouseButton button);
    void mouseUp(Qt::MouseButton button);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Picture picture_;
};

// The lesson text box. Reports every mouse release after its own handling, so the
// caret already stands where the click put it.
class LessonTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit LessonTextBox(QWidget* parent);

signals:
    void mouseUp(Qt::MouseButton button);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A rectangle outline framing a panel. Never takes the mouse.
class ShapeBox : public QWidget {
    Q_OBJECT
public:
    ShapeBox(const QString& name, const QColor& color, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

} // namespace lesnor
