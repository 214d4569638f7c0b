#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

namespace lesnor {

class DictationLauncher;
class Form1;
class Form2;
class IClipDecoder;
class IMediaPlayer;
class ISoundPlayer;
class IVoiceTake;
class SpeakingSession;
class SpeakingWindow;

// Connects speak and compare to the windows: "跟读对比" (S) in the lesson window and
// Ctrl+S in the dictation window start a SpeakingSession on their current sentence (a
// second press, or the lesson window's Esc, ends it), its notices go to the asking
// window's notice line, and the one "发音对比" window shows the comparisons and plays
// what its keys ask for; each new attempt plays model then attempt once shown.
class SpeakingLink : public QObject {
    Q_OBJECT
public:
    SpeakingLink(Form1& lessonWindow, DictationLauncher& dictation, IMediaPlayer& player, IVoiceTake& take,
                 IClipDecoder& decoder, ISoundPlayer& sound, QObject* parent = nullptr);
    ~SpeakingLink() override;

    SpeakingWindow& window() const { return *window_; }
    SpeakingSession& session() const { return *session_; }

private:
    void lessonWindowAsks();
    void dictationAsks(Form2* window);

    Form1& form1_;
    std::unique_ptr<SpeakingWindow> window_;
    SpeakingSession* session_ = nullptr;
};

} // namespace lesnor
