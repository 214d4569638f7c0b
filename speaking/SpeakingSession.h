#pragma once

#include "platform/ClipDecoder.h"
#include "speaking/TakeWatcher.h"
#include "speaking/VoiceAnalysis.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <future>
#include <memory>

namespace lesnor {

class IMediaPlayer;
class ISoundPlayer;
class IVoiceTake;
struct Lesson;

// The sentence the learner says after the model: its text and its span in the lesson's
// recording (seconds; `end` < 0 runs to the recording's end).
struct ModelSentence {
    QString text;
    double begin = 0;
    double end = -1;

    bool valid() const { return !text.trimmed().isEmpty(); }
    // Sentence `index` of `lesson`; invalid outside the lesson.
    static ModelSentence of(const Lesson& lesson, int index);
};

// The window "发音对比" as the session sees it.
class ISpeakingView {
public:
    virtual ~ISpeakingView() = default;
    // A new sentence: its text and the model's sound; earlier attempts are forgotten.
    virtual void setSentence(const QString& text, Sound model) = 0;
    // A finished attempt, to be analysed, kept and shown.
    virtual void addAttempt(Sound attempt) = 0;
    virtual void showRecording(double levelDb, double seconds) = 0;
    virtual void showNotice(const QString& text) = 0;
    // Shown and raised (not modal).
    virtual void present() = 0;
};

// Speak and compare, from the key press to the comparison: the sentence plays on the
// lesson player (at the speed chosen there), recording starts as soon as it ends, and
// stops by itself (AutoStop's rules) or on stop(); the model's span of the recording is
// decoded off the UI thread meanwhile; then the view gets the sentence (when it is a new
// one) and the attempt, and is shown. Every step that fails is said on the asking
// window's notice line and in the view: no microphone or sound server, a take that broke
// off, a model that cannot be read. A poll (every kPollMs, or poll() from a test) moves
// it on; nothing in it waits.
class SpeakingSession : public QObject {
    Q_OBJECT
public:
    enum class Phase { Idle, Listening, Recording, Comparing };
    static constexpr int kPollMs = 20;
    using Notice = std::function<void(const QString&)>;

    SpeakingSession(IMediaPlayer& player, IVoiceTake& take, IClipDecoder& decoder, ISoundPlayer& sound,
                    ISpeakingView& view, QObject* parent = nullptr);
    ~SpeakingSession() override;

    // Plays `sentence` from the player's current recording, then records the learner;
    // `notice` is the asking window's notice line. While a session runs, ends it instead
    // (what the same key does a second time).
    void start(const ModelSentence& sentence, Notice notice);
    // The same sentence once more ("再试一次"); nothing before a first start().
    void again();
    // Ends what runs now: the model's play is cut short (no recording follows), a
    // recording ends and is compared. Nothing while idle.
    void stop();
    void poll();
    Phase phase() const { return phase_; }

    // The model, an attempt, or both one after the other (a short gap between), from
    // memory through the sound player; false when there is nothing to play or no output.
    bool playModel();
    bool playAttempt(const Sound& attempt);
    bool playBoth(const Sound& attempt);

    // What the learner reads.
    static QString listenText();
    static QString repeatText(double levelDb, double seconds);
    static QString noMicrophoneText();
    static QString takeFailedText();
    static QString modelMissingText();
    static QString noSentenceText();

signals:
    void phaseChanged(Phase phase);

private:
    void setPhase(Phase phase);
    void say(const QString& text);
    void beginRecording();
    void endRecording();
    void compare();

    IMediaPlayer& player_;
    IVoiceTake& take_;
    IClipDecoder& decoder_;
    ISoundPlayer& sound_;
    ISpeakingView& view_;
    QTimer timer_;
    Phase phase_ = Phase::Idle;
    Notice notice_;
    QString said_; // the last notice, not said again while it holds
    ModelSentence sentence_;
    QString recording_; // the player's file the model comes from
    bool started_ = false;
    // The model: decoding, or decoded (`model_` for the view's sentence `shownKey_`).
    std::future<DecodedClip> decoding_;
    QString decodingKey_;
    QString shownKey_;
    Sound model_;
    std::unique_ptr<TakeWatcher> watcher_;
    Sound attempt_;
};

// `second` after `first`, `gapSeconds` of silence between, at `first`'s rate (`second`
// resampled linearly when its rate differs).
Sound oneAfterAnother(const Sound& first, const Sound& second, double gapSeconds);
std::vector<qint16> pcm16Of(const Sound& sound);

} // namespace lesnor
