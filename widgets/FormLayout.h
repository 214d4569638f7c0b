#pragma once

#include <QList>
#include <QString>

namespace lesnor {

// A place in twips (1/1440 inch): left, top, width and height relative to the client
// area of the container (the window's client area starts below the menu bar).
struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

struct TwipSize {
    double width = 0;
    double height = 0;

    friend bool operator==(const TwipSize&, const TwipSize&) = default;
};

// One control of the lesson window at its design place. `parent` is the container
// ("" for the window itself); the order of the design table is the stacking order,
// bottom first.
struct ControlPlace {
    QString name; // the control's objectName, e.g. "Picture7(1)"
    QString parent;
    TwipRect rect;
};

// The places of every control of the lesson window, and the resize rule that keeps the
// right-hand and bottom panels attached to the window's edges.
class FormLayout {
public:
    // The window's outer size (frame, caption and menu bar included) at design time,
    // and the smallest outer size the resize rule lets the window have.
    static constexpr TwipSize designOuterSize{12840, 9780};
    static constexpr TwipSize minimumOuterSize{7500, 7400};

    // Every control at its design place.
    static FormLayout design();

    const QList<ControlPlace>& controls() const { return controls_; }
    bool contains(const QString& name) const;
    // The place of `name`; an empty rect for a name that is not in the table.
    TwipRect rect(const QString& name) const;
    void setRect(const QString& name, const TwipRect& rect);

private:
    int indexOf(const QString& name) const;
    QList<ControlPlace> controls_;
};

struct ResizeResult {
    FormLayout layout;
    // The window's outer size after the rule: grown to the minimum when it was smaller
    // and the window could be sized, otherwise the size it came with.
    TwipSize outer;
    // True when the rule asks the window to take a new outer size.
    bool windowResized = false;
};

// The resize rule of the lesson window, for an outer size `outer` in twips. The
// statements run in their fixed order against `current` and see each other's effects:
// the minimum size first (only when `windowSizable`: a maximised or minimised window
// cannot be given a size, and then keeps the one it has), then the panels. A computed
// width or height below zero is not applied: that control keeps its size in `current`,
// and every other statement still runs. Controls the rule does not name keep their
// places. At the design outer size the result is the design layout except for five
// places (Label1 width, Label7 height, Label2 and Label3 top, r3 height).
ResizeResult resizeForm1(const FormLayout& current, TwipSize outer, bool windowSizable = true);

// The outer size the window lays itself out for. A sizable window uses its own size. A
// window that cannot be sized (maximised, or squeezed by a bare X server that ignores the
// minimum) on a screen smaller than the minimum is laid out at its real size, so that
// it ends at the screen's edge and every panel stays on screen: the lesson text gives up
// height first. Below `smallestLayout` it is laid out as if it had that size (the
// lesson text is then one line high, the toolbar's buttons at their narrowest).
inline constexpr TwipSize smallestLayout{8100, 5700};
TwipSize layoutOuterSize(TwipSize outer, bool windowSizable);

// On a window that cannot be sized and is smaller than the design minimum (a small
// screen, a large scale factor), what the resize rule would push off the window is
// brought back: the sentence toolbar's six buttons are narrowed and moved closer when
// the toolbar is narrower than they are, and the word list keeps `kSmallWordList` of
// height, the catalogue tree above it giving up its height. Any other layout gets the
// design places of these controls back.
inline constexpr double kSmallWordList = 1200;
void fitSmallWindow(FormLayout& layout, TwipSize outer, bool windowSizable);

} // namespace lesnor
