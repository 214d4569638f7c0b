#pragma once

#include "playback/RecorderView.h"
#include "playback/VoiceRecorder.h"

#include <QTimer>
#include <functional>

class QWidget;

namespace lesnor {

class CaptionLabel;
class IRecorder;
struct Services;

// The recording cells of the lesson window's toolbar: `Label5`(3) records and stops,
// `Label5`(4) plays the recording back, `Label5`(5) saves a copy. Shows the
// VoiceRecorder's state on the three labels, tells failures through `notice` and asks
// for the copy's name with the desktop's save dialog (title "保存", filter "wav(*.wav)",
// starting in the learner's home folder; it asks before it replaces a file). While it
// records, the notice line shows the input's level and the seconds recorded.
class RecorderButtons final : private IRecorderView {
public:
    // Asks for a file name over `parent`; "" when cancelled.
    using SaveDialog = std::function<QString(QWidget* parent)>;

    RecorderButtons(Services& services, QWidget* window, CaptionLabel* record, CaptionLabel* playBack,
                    CaptionLabel* saveAs, std::function<void(const QString&)> notice);

    // The release on `Label5`(index), index 3, 4 or 5; other indices are ignored.
    void released(int index);

    // Replaces the save dialog, so tests never open a real one.
    void setSaveDialog(SaveDialog dialog) { saveDialog_ = std::move(dialog); }
    const VoiceRecorder& voiceRecorder() const { return recorder_; }

private:
    QString recordCaption() const override;
    void setRecordCaption(const QString& caption) override;
    void setPlayBackEnabled(bool enabled) override;
    void setSaveAsEnabled(bool enabled) override;
    QString askSaveName() override;
    void showNotice(const QString& text) override;

    void showLevel();

    IRecorder& input_;
    QTimer meter_;
    QWidget* window_;
    CaptionLabel* record_;
    CaptionLabel* playBack_;
    CaptionLabel* saveAs_;
    std::function<void(const QString&)> notice_;
    SaveDialog saveDialog_;
    VoiceRecorder recorder_;
};

} // namespace lesnor
