#pragma once

#include <QString>

namespace lesnor {

// What voice recording needs from the lesson window: the three recording cells of the
// sentence toolbar, a way to ask for a file name and the notice line.
class IRecorderView {
public:
    virtual ~IRecorderView() = default;
    // The caption of `Label5`(3); it holds the recorder's state.
    virtual QString recordCaption() const = 0;
    virtual void setRecordCaption(const QString& caption) = 0;
    // `Label5`(4) "回  放" and `Label5`(5) "另存为".
    virtual void setPlayBackEnabled(bool enabled) = 0;
    virtual void setSaveAsEnabled(bool enabled) = 0;
    // Asks the learner for the name to keep a copy under; "" when they cancel.
    virtual QString askSaveName() = 0;
    // Tells the learner, without a modal box, that something they asked for failed.
    virtual void showNotice(const QString& text) = 0;
};

} // namespace lesnor
