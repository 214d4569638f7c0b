#pragma once

#include "widgets/FormLayout.h"

#include <QFont>
#include <QString>
#include <functional>

class QWidget;

namespace lesnor {

class CaptionLabel;
class Picture;
class PictureBox;

// What both windows build their controls with, so they look and behave alike.

// Element `index` of a control array: indexedName("Label5", 3) is "Label5(3)".
QString indexedName(const char* array, int index);

QFont arialFont(double points, bool bold = false);
// The windows' own text face: a Chinese face first, so Chinese and Latin captions
// share one design; fontconfig substitutes what is missing.
QFont windowFont();

// Twips per pixel of the screen `w` is on (1440 / logical DPI).
double twipsPerPixelX(const QWidget& w);
double twipsPerPixelY(const QWidget& w);

// Puts `w` at `rect` (twips, relative to its container). Edges are rounded so that
// neighbours stay flush. A caption label grows around its design box when its text
// would otherwise be cut (the design sizes assume a 12-pixel face); an auto-sized one
// takes its text's width.
void placeInTwips(QWidget& w, const TwipRect& rect);

// A panel heading's caption: bold, in the title colour.
void styleAsTitle(CaptionLabel& label);

// A picture button: `caption` inside `frame`. A press with any mouse button shows
// `pressed` in the frame; the release shows `normal` again, then runs `action`. A
// disabled caption takes no mouse events, so the action never needs to check.
void wirePictureButton(CaptionLabel& caption, PictureBox& frame, const Picture& normal,
                       const Picture& pressed, std::function<void()> action);

// The translation toggle of both windows: "隐 藏" while the translation shows, "显 示"
// while it is hidden. A click hides the translation in `line`, or shows `translation`
// there again.
QString translationToggleCaption(bool shown);
bool translationShown(const CaptionLabel& toggle);
void toggleTranslation(CaptionLabel& toggle, CaptionLabel& line, const QString& translation);

// Runs `then` once, on the event loop's next turn after `window` has painted its first
// frame: what the learner does not need to see the window (setting up sound and voice,
// asking whether an output was found) waits until the window is up.
void afterFirstFrame(QWidget& window, std::function<void()> then);

} // namespace lesnor
