#pragma once

#include <QString>

namespace lesnor {

// What the dictation exercise needs from the dictation window.
class IDictationView {
public:
    virtual ~IDictationView() = default;

    // The typing box `r1` (only ever emptied: what the learner types is never read) and
    // the answer box `r2`.
    virtual void clearTyping() = 0;
    virtual void setAnswer(const QString& text) = 0;
    // `Label10` holds the current sentence's translation, `Label8` is the visible line.
    virtual void setLabel10(const QString& text) = 0;
    virtual void setLabel8(const QString& text) = 0;
    // True while the translation is shown: `Label14` reads "隐 藏".
    virtual bool translationShown() const = 0;
    // Puts the toggle back to "隐 藏" (translation shown).
    virtual void resetTranslationToggle() = 0;
    // `Label5`(index) for 6 "上一句", 1 "下一句", 2 "朗  读", 3 "答  案".
    virtual void setButtonEnabled(int index, bool enabled) = 0;
    // Mirror of the last sampled position (`Text1`); nothing reads it back.
    virtual void setPositionText(const QString& text) { (void)text; }
};

} // namespace lesnor
