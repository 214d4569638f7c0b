#include "drill/ListenFirst.h"

namespace lesnor {

ListenFirst::ListenFirst(ILessonView& window, IListenFirstView& masks)
    : window_(window)
    , masks_(masks) {}

QString ListenFirst::blanks(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (!c.isSpace())
            c = QLatin1Char('_');
    }
    return out;
}

void ListenFirst::lessonLoaded(const Lesson& lesson) {
    lesson_ = lesson;
    revealed_.clear();
    red_ = -1;
    sentenceText_.clear();
    label10_.clear();
    if (on_)
        paintAll();
}

void ListenFirst::paintAll() {
    masks_.beginTextChanges();
    for (int i = 0; i < lesson_.count(); ++i) {
        if (!revealed_.contains(i))
            paint(i);
    }
    masks_.endTextChanges();
}

void ListenFirst::setOn(bool on) {
    if (on == on_)
        return;
    on_ = on;
    masks_.setWordListHidden(on_);
    paintAll();
    showTexts();
}

bool ListenFirst::hidesAnyOf(int from, int to) const {
    for (int i = 0; on_ && i < lesson_.count(); ++i) {
        const int start = lesson_.documentStart(i);
        if (start < to && from < start + int(lesson_.List1.at(i).size()) && hidden(i))
            return true;
    }
    return false;
}

void ListenFirst::reveal(int i) {
    if (!hidden(i))
        return;
    revealed_.insert(i);
    paint(i);
    showTexts();
}

void ListenFirst::paint(int i) {
    const TextColour colour = i == red_ ? TextColour::Red : TextColour::Teal;
    const int start = lesson_.documentStart(i);
    const QString& text = lesson_.List1.at(i);
    if (!hidden(i)) {
        window_.colourLessonText(start, int(text.size()), colour);
        return;
    }
    // Each word its own blank: the spaces between stay plain.
    for (int at = 0; at < text.size();) {
        if (text.at(at).isSpace()) {
            ++at;
            continue;
        }
        int end = at;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        masks_.maskLessonText(start + at, end - at, colour);
        at = end;
    }
}

void ListenFirst::colourLessonText(int start, int length, TextColour colour) {
    const int i = lesson_.sentenceAtDocumentPosition(start);
    if (colour == TextColour::Red)
        red_ = i;
    else if (i == red_)
        red_ = -1;
    if (hidden(i) && start == lesson_.documentStart(i) && length == lesson_.List1.at(i).size())
        paint(i);
    else
        window_.colourLessonText(start, length, colour);
}

void ListenFirst::setSentenceText(const QString& text) {
    sentenceText_ = text;
    window_.setSentenceText(hidden(current()) ? blanks(text) : text);
}

void ListenFirst::setCaption(Caption label, const QString& text) {
    const bool masked = hidden(current());
    if (label == Caption::Label10)
        label10_ = text;
    window_.setCaption(label, masked && label != Caption::Label9 ? QString() : text);
}

// Only while a sentence is current: otherwise the window's own texts (the hint) stay.
void ListenFirst::showTexts() {
    if (current() < 0)
        return;
    const bool masked = hidden(current());
    window_.setSentenceText(masked ? blanks(sentenceText_) : sentenceText_);
    window_.setCaption(Caption::Label10, masked ? QString() : label10_);
    window_.setCaption(Caption::Label8, masked || !translationShown() ? QString() : label10_);
}

} // namespace lesnor
