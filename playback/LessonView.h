#pragma once

#include <QString>

namespace lesnor {

// What sentence playback needs from the lesson window. Text positions are positions in
// the lesson text `r1` as Lesson::documentStart() counts them: sentence i occupies
// [documentStart(i), documentStart(i) + List1[i].size()).
class ILessonView {
public:
    enum class TextColour {
        Teal, // RGB(0,128,128): the lesson text
        Red,  // RGB(255,0,0): the current sentence
    };
    enum class Caption {
        Label8,  // the translation line under the lesson text
        Label9,  // hidden: the text of the sentence highlighted last
        Label10, // hidden: the translation of the current sentence
    };

    virtual ~ILessonView() = default;

    // Colours [start, start + length) of `r1`; the caret and the selection stay as they are.
    virtual void colourLessonText(int start, int length, TextColour colour) = 0;
    // Puts `r1`'s insertion point at `position`, nothing selected, and scrolls it into view.
    virtual void setLessonCaret(int position) = 0;
    // The sentence box `r2`.
    virtual void setSentenceText(const QString& text) = 0;
    virtual void setCaption(Caption label, const QString& text) = 0;
    // True while the translation is shown: `Label14` reads "隐 藏".
    virtual bool translationShown() const = 0;
    // The command bar's read cell (`Image1`(1) with `Label6`(1)) and stop cell
    // (`Image1`(2) with `Label6`(2)); icon and caption always change together.
    virtual void setReadCommandEnabled(bool enabled) = 0;
    virtual void setStopCommandEnabled(bool enabled) = 0;
    // `Label5`(index) of the sentence toolbar.
    virtual void setToolbarButtonEnabled(int index, bool enabled) = 0;
    // Mirror of the last sampled position (`Text1`); nothing reads it back.
    virtual void setPositionText(const QString& text) { (void)text; }
};

} // namespace lesnor
