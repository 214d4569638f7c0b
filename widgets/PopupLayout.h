#pragma once

#include "widgets/FormLayout.h"

#include <QString>

namespace lesnor {

struct DictionaryEntry;

// The word pop-up's arithmetic, in twips: where it goes on a press and how its labels
// are placed for an entry. The window measures text and moves widgets; the rules live
// here. Design places inside the pop-up: headword (80, 0), "[" (60, 240), phonetic
// (165, 240), "]" after the phonetic, meaning (75, 480) 2160 wide and 420 high.
class PopupLayout {
public:
    // The labels' design places inside the pop-up: headword, "[", phonetic, "]".
    static constexpr TwipRect kHeadwordPlace{80, 0, 2200, 225};
    static constexpr TwipRect kOpenPlace{60, 240, 60, 180};
    static constexpr TwipRect kPhoneticPlace{165, 240, 900, 195};
    static constexpr TwipRect kClosePlace{1085, 240, 60, 180};

    static constexpr double kWidth = 2355;
    static constexpr double kHeight = 975;
    static constexpr double kPhoneticLeft = 165;
    static constexpr double kMeaningLeft = 75;
    static constexpr double kMeaningTop = 480;
    static constexpr double kMeaningWidth = 2160;
    static constexpr double kMeaningHeight = 420;
    // A long meaning grows the pop-up downward, up to this height.
    static constexpr double kMaxHeight = 3600;

    // The box the press was in: the lesson text (right button), the sentence box or
    // the word list (left button).
    enum class Source { LessonText, SentenceBox, WordList };

    // Where the pop-up goes for a press at (x, y) in the box `box` (its place in the
    // pop-up's container), with the window's outer size `window`; width and height are
    // the design size. 150 below and right of the pointer; the word list keeps it above
    // window height - 1800, the other two boxes keep its left edge from passing window
    // width - the pop-up's width (then 200 further in). Strict tests: at equality the
    // place stays.
    static TwipRect place(Source source, const TwipRect& box, double x, double y, TwipSize window);

    // How a found entry fills the pop-up.
    struct Fill {
        QString headword;
        QString phonetic; // the transcription in Unicode phonetic symbols
        QString meaning;
        bool bracketsShown = false; // only around a non-empty transcription
        double closeBracketLeft = 0;
        TwipRect popup; // the pop-up's place, grown for a long meaning
        double meaningHeight = kMeaningHeight;
    };

    // `placed` is the pop-up's place from place(); `phoneticWidth` the width the
    // phonetic label takes for the transcription; `meaningTextHeight` the height the
    // meaning needs, wrapped to the meaning's width; `containerHeight` the height of the
    // area the pop-up lives in. A meaning taller than the design box grows the pop-up
    // (up to kMaxHeight); a grown pop-up moves up as far as needed to end inside the
    // container, never above its top. "]" stands 20 after the phonetic label's end.
    static Fill fill(const DictionaryEntry& entry, const TwipRect& placed, double phoneticWidth,
                     double meaningTextHeight, double containerHeight);
};

} // namespace lesnor
