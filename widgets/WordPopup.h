#pragma once

#include "dictionary/WordLookup.h"
#include "widgets/PopupLayout.h"

#include <QObject>
#include <QPoint>
#include <functional>

class QAbstractScrollArea;

namespace lesnor {

class CaptionLabel;
class PictureBox;

// A window's word pop-up: holding the acting mouse button on a word of a watched text
// box shows that word's dictionary entry beside the pointer and speaks the headword;
// releasing the button hides it. The lesson text acts on the right button (its left
// button selects sentences), the sentence box and the word list on the left one.
//
// On a press: the pop-up moves (PopupLayout::place, whether or not a word is found),
// the word under the pointer is taken (RichWordOver for the lesson text, GetWord for
// the others), looked up (WordLookup, which speaks it) and, when found, the labels are
// filled and the pop-up shown. When nothing is found it stays hidden and its labels keep
// their texts. The acting button's press and release are the pop-up's: the box does not
// also select text with them. Watched boxes open no context menu.
class WordPopup : public QObject {
    Q_OBJECT
public:
    // The pop-up's frame (Picture8) and its labels: headword (Label11), "[" (Label12),
    // phonetic (Label15), "]" (Label13), meaning (Label16). The frame's parent is the
    // area the pop-up lives in; the window's outer size bounds it.
    struct Parts {
        PictureBox* frame;
        CaptionLabel* headword;
        CaptionLabel* open;
        CaptionLabel* phonetic;
        CaptionLabel* close;
        CaptionLabel* meaning;
    };

    WordPopup(QWidget* window, Parts parts, WordLookup lookup, QObject* parent = nullptr);

    // The pop-up's frame and labels, hidden, inside `container`, with the look both
    // windows give them. The phonetic label takes the face `phoneticFamily` when one is
    // given.
    static Parts makeParts(QWidget* container, const QString& phoneticFamily = QString());

    // Puts the labels at their design places in the frame, each as tall as its face
    // needs, so that no glyph is cut: the headword on top, then "[", the phonetic and
    // "]" on one row from left to right, the meaning below. Both windows' pop-ups are
    // laid out by this; show() runs it again for the entry's texts.
    static void layOutParts(const Parts& parts);

    // Looks words up in `box` (a QTextEdit or QPlainTextEdit) on presses of the button
    // that acts for `source` (the right one in the lesson text, else the left one), or
    // of `button` when given.
    void watch(QAbstractScrollArea* box, PopupLayout::Source source);
    void watch(QAbstractScrollArea* box, PopupLayout::Source source, Qt::MouseButton button);

    // Words the learner is not to see yet (the lesson text as blanks): `hidden` tells,
    // for a box and the character pressed on, whether the word there is one; a press on
    // it shows nothing, speaks nothing and reports nothing looked up.
    void setHiddenWords(std::function<bool(PopupLayout::Source source, int character)> hidden) {
        hidden_ = std::move(hidden);
    }

    // A press of the acting button at `point` of the box's viewport, and its release.
    void press(QAbstractScrollArea* box, PopupLayout::Source source, QPoint point);
    void release();

signals:
    // A found entry is on screen (after the pop-up was filled and shown).
    void entryShown(const QString& headword);
    // The same moment, for whoever keeps the words looked up: the entry, the word as it
    // stands in the text, the box and the character that was pressed on.
    void lookedUp(const lesnor::DictionaryEntry& entry, const QString& word,
                  lesnor::PopupLayout::Source source, int character);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(const DictionaryEntry& entry, const TwipRect& placed);
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;
    void setTwipGeometry(QWidget* widget, const TwipRect& rect) const;

    QWidget* window_;
    Parts parts_;
    WordLookup lookup_;
    struct Watched {
        QAbstractScrollArea* box;
        PopupLayout::Source source;
        Qt::MouseButton button;
    };
    QList<Watched> watched_;
    std::function<bool(PopupLayout::Source, int)> hidden_;
};

} // namespace lesnor
