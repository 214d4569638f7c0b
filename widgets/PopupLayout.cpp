#include "widgets/PopupLayout.h"

#include "dictionary/DictionaryFile.h"

#include <algorithm>

namespace lesnor {

TwipRect PopupLayout::place(Source source, const TwipRect& box, double x, double y, TwipSize window) {
    TwipRect popup{0, 0, kWidth, kHeight};
    popup.top = box.top + y + 150;
    if (source == Source::WordList && popup.top > window.height - 1800)
        popup.top = window.height - 1800;
    popup.left = box.left + x + 150;
    if (source != Source::WordList && popup.left > window.width - kWidth)
        popup.left = window.width - kWidth - 200;
    return popup;
}

PopupLayout::Fill PopupLayout::fill(const DictionaryEntry& entry, const TwipRect& placed,
                                    double phoneticWidth, double meaningTextHeight, double containerHeight) {
    Fill f;
    f.headword = entry.headword;
    f.phonetic = entry.phoneticIpa();
    f.meaning = entry.meaning;
    f.bracketsShown = !entry.phonetic.isEmpty();
    f.closeBracketLeft = kPhoneticLeft + phoneticWidth + 20;
    f.popup = placed;
    const double spare = kHeight - kMeaningTop - kMeaningHeight;
    f.meaningHeight = std::clamp(meaningTextHeight, kMeaningHeight, kMaxHeight - kMeaningTop - spare);
    f.popup.height = std::max(kHeight, kMeaningTop + f.meaningHeight + spare);
    if (f.popup.height > kHeight && f.popup.top + f.popup.height > containerHeight)
        f.popup.top = std::max(0.0, containerHeight - f.popup.height);
    return f;
}

} // namespace lesnor
