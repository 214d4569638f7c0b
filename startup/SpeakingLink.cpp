#include "startup/SpeakingLink.h"

#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "lesson_window/Form1.h"
#include "playback/SentenceController.h"
#include "speaking/SpeakingSession.h"
#include "speaking_window/SpeakingWindow.h"

namespace lesnor {

SpeakingLink::SpeakingLink(Form1& lessonWindow, DictationLauncher& dictation, IMediaPlayer& player,
                           IVoiceTake& take, IClipDecoder& decoder, ISoundPlayer& sound, QObject* parent)
    : QObject(parent)
    , form1_(lessonWindow)
    , window_(std::make_unique<SpeakingWindow>()) {
    session_ = new SpeakingSession(player, take, decoder, sound, *window_, this);
    SpeakingSession& s = *session_;
    SpeakingWindow& w = *window_;
    connect(&form1_, &Form1::speakRequested, this, &SpeakingLink::lessonWindowAsks);
    connect(&form1_, &Form1::practiceStopped, &s, &SpeakingSession::stop);
    connect(&dictation, &DictationLauncher::opened, this,
            [this](Form2* f) { connect(f, &Form2::speakRequested, this, [this, f] { dictationAsks(f); }); });
    connect(&w, &SpeakingWindow::tryAgainRequested, &s, &SpeakingSession::again);
    connect(&w, &SpeakingWindow::playModelRequested, &s, &SpeakingSession::playModel);
    const auto attempt = [&s, &w](bool both) {
        if (const Sound* a = w.shownAttempt())
            both ? s.playBoth(*a) : s.playAttempt(*a);
    };
    connect(&w, &SpeakingWindow::playAttemptRequested, &s, [attempt] { attempt(false); });
    connect(&w, &SpeakingWindow::playBothRequested, &s, [attempt] { attempt(true); });
    connect(&w, &SpeakingWindow::attemptShown, &s, [attempt] { attempt(true); });
}

SpeakingLink::~SpeakingLink() = default;

void SpeakingLink::lessonWindowAsks() {
    if (session_->phase() == SpeakingSession::Phase::Idle)
        form1_.controller().endPlayback();
    session_->start(ModelSentence::of(form1_.lesson(), form1_.SentenceIndex()),
                    [this](const QString& text) { form1_.showNotice(text); });
}

void SpeakingLink::dictationAsks(Form2* window) {
    const DictationController& c = window->controller();
    session_->start(ModelSentence::of(c.lesson(), c.DictationIndex()),
                    [w = QPointer<Form2>(window)](const QString& text) {
                        if (w)
                            w->showNotice(text);
                    });
}

} // namespace lesnor
