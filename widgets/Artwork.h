#pragma once

#include "widgets/Controls.h"

#include <QIcon>
#include <QList>

namespace lesnor {

// The lesson window's own artwork, drawn with vector strokes at whatever size and
// pixel ratio it is shown, so it is sharp on high-density screens too.
namespace artwork {

// The window's colours.
inline const QColor windowBack{236, 237, 239};
inline const QColor commandBarBack{203, 222, 245};
inline const QColor toolbarBack{228, 239, 252};
inline const QColor popupBack{255, 255, 192};
inline const QColor panelFrame{158, 182, 214};
inline const QColor titleText{28, 58, 104};

// Title strip of a panel; the accent mark sits left of titles that leave room for it.
Picture titleStrip(bool accent = true);
// The sentence toolbar's strip, laid over its back colour.
Picture toolbarStrip();
// A toolbar button frame, released and pressed.
Picture buttonNormal();
Picture buttonPressed();
// The translation show/hide button.
Picture toggleButton();
// The divider between the command groups of the top band.
Picture divider();
// The command bar icons: 1 read, 2 stop, 3 dictation, 4 help, 5 home page.
Picture commandIcon(int index);

// The tree's image list: image 1 marks a book, image 2 a lesson.
QList<QIcon> treeImages();

} // namespace artwork
} // namespace lesnor
