#pragma once

#include <QString>

namespace lesnor {

namespace answers {
struct Marking;
}

// What marking the learner's answers needs from the dictation window.
class IMarkingView {
public:
    virtual ~IMarkingView() = default;

    // Marks the typing box's text without changing a character of it. The marks go by
    // themselves at the learner's next change to the text.
    virtual void showMarks(const answers::Marking& marking) = 0;
    virtual void clearMarks() = 0;
    virtual bool marksShown() const = 0;
    // The line under the typing box and the place beside the buttons.
    virtual void setScoreLine(const QString& text) = 0;
    virtual void setPositionLine(const QString& text) = 0;
    // The lesson's summary, shown in the window until the learner moves on or closes it.
    virtual void showSummary(const QString& title, const QString& text) = 0;
    virtual void hideSummary() = 0;
    virtual bool summaryShown() const = 0;
};

} // namespace lesnor
