#pragma once

#include "lessons/Lesson.h"
#include "playback/LessonView.h"

#include <QSet>
#include <functional>

namespace lesnor {

// What "先听后看" needs from the lesson window beyond ILessonView.
class IListenFirstView {
public:
    virtual ~IListenFirstView() = default;
    // Shows [start, start + length) of `r1` as a blank of its own width underlined in
    // `colour`, the letters unseen; colourLessonText() shows it as text again.
    virtual void maskLessonText(int start, int length, ILessonView::TextColour colour) = 0;
    virtual void setWordListHidden(bool hidden) = 0;
    // Around many masks at once: the text is laid out once, at the end.
    virtual void beginTextChanges() {}
    virtual void endTextChanges() {}
};

// "先听后看": while on, every sentence of the lesson text is a row of blanks (each word
// a blank of its own width, so nothing moves when it is revealed), and the sentence box
// and the translation of a hidden sentence are blank too, as is the word list. Revealed
// sentences stay revealed for the lesson; a new lesson starts all hidden.
//
// It stands between SentenceController and the window (it is the controller's
// ILessonView): what the controller shows passes through, masked where the sentence it
// belongs to (`current`, the controller's SentenceIndex) is hidden. It keeps what was
// last shown, so a reveal or a change of mode shows it again at once.
class ListenFirst final : public ILessonView {
public:
    ListenFirst(ILessonView& window, IListenFirstView& masks);

    void setCurrentSentence(std::function<int()> current) { current_ = std::move(current); }

    // The window shows `lesson`'s text anew (all teal, nothing highlighted).
    void lessonLoaded(const Lesson& lesson);
    void setOn(bool on);
    bool isOn() const { return on_; }
    bool hidden(int i) const { return on_ && i >= 0 && i < lesson_.count() && !revealed_.contains(i); }
    // Whether the character at `position` of the lesson text belongs to a hidden sentence.
    bool hidesLessonText(int position) const { return hidden(lesson_.sentenceAtDocumentPosition(position)); }
    // Whether any character of [from, to) of the lesson text belongs to a hidden sentence.
    bool hidesAnyOf(int from, int to) const;
    // Whether the sentence box shows the current sentence as blanks.
    bool hidesSentenceBox() const { return hidden(current()); }
    // Reveals sentence i (nothing for one outside the lesson or already shown).
    void reveal(int i);

    // A line of blanks as long as `text`: every character but spaces an underscore.
    static QString blanks(const QString& text);

    // ILessonView, passed to the window.
    void colourLessonText(int start, int length, TextColour colour) override;
    void setLessonCaret(int position) override { window_.setLessonCaret(position); }
    void setSentenceText(const QString& text) override;
    void setCaption(Caption label, const QString& text) override;
    bool translationShown() const override { return window_.translationShown(); }
    void setReadCommandEnabled(bool enabled) override { window_.setReadCommandEnabled(enabled); }
    void setStopCommandEnabled(bool enabled) override { window_.setStopCommandEnabled(enabled); }
    void setToolbarButtonEnabled(int index, bool enabled) override {
        window_.setToolbarButtonEnabled(index, enabled);
    }
    void setPositionText(const QString& text) override { window_.setPositionText(text); }

private:
    int current() const { return current_ ? current_() : -1; }
    // Sentence i painted masked or plain, in the colour it has now.
    void paint(int i);
    // Every sentence not revealed, in one change of the text.
    void paintAll();
    void showTexts();

    ILessonView& window_;
    IListenFirstView& masks_;
    std::function<int()> current_;
    Lesson lesson_;
    QSet<int> revealed_;
    bool on_ = false;
    // The sentence coloured red last; -1 when none is.
    int red_ = -1;
    // What the controller showed last, unmasked.
    QString sentenceText_;
    QString label10_;
};

} // namespace lesnor
