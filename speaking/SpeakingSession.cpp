#include "speaking/SpeakingSession.h"

#include "lessons/LenientNumber.h"
#include "lessons/Lesson.h"
#include "platform/MediaPlayer.h"
#include "platform/SoundPlayer.h"
#include "platform/VoiceTake.h"
#include "playback/LevelText.h"
#include "playback/SentenceEnd.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace lesnor {
namespace {

// A sentence without an end time is taken as this long for the time limit.
constexpr double kUnknownSentenceSeconds = 8.0;
constexpr double kGapSeconds = 0.5;

QString keyOf(const QString& recording, const ModelSentence& s) {
    return QStringLiteral("%1|%2|%3").arg(recording).arg(s.begin, 0, 'f', 3).arg(s.end, 0, 'f', 3);
}

} // namespace

ModelSentence ModelSentence::of(const Lesson& lesson, int index) {
    if (index < 0 || index >= lesson.count())
        return {};
    return {Lesson::at(lesson.List1, index), lenientNumber(Lesson::at(lesson.List3, index)),
            sentenceEndTime(Lesson::at(lesson.List4, index))};
}

SpeakingSession::SpeakingSession(IMediaPlayer& player, IVoiceTake& take, IClipDecoder& decoder,
                                 ISoundPlayer& sound, ISpeakingView& view, QObject* parent)
    : QObject(parent)
    , player_(player)
    , take_(take)
    , decoder_(decoder)
    , sound_(sound)
    , view_(view) {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &SpeakingSession::poll);
}

SpeakingSession::~SpeakingSession() {
    if (phase_ == Phase::Recording)
        take_.stop();
    // The decoder is the caller's: it is not used after the session has gone.
    if (decoding_.valid())
        decoding_.wait();
}

QString SpeakingSession::listenText() {
    return QStringLiteral("请听原句，听完请跟读");
}

QString SpeakingSession::repeatText(double levelDb, double seconds) {
    return levelLine(QStringLiteral("请跟读…"), levelDb, seconds);
}

QString SpeakingSession::noMicrophoneText() {
    return QStringLiteral("无法录音：没有找到麦克风，或声音服务没有运行");
}

QString SpeakingSession::takeFailedText() {
    return QStringLiteral("录音中断：声音输入出了问题，请再试一次");
}

QString SpeakingSession::modelMissingText() {
    return QStringLiteral("无法读取这一句的原声，不能对比");
}

QString SpeakingSession::noSentenceText() {
    return QStringLiteral("请先选一个句子，再跟读对比");
}

void SpeakingSession::setPhase(Phase phase) {
    if (phase == Phase::Idle)
        timer_.stop();
    else if (!timer_.isActive())
        timer_.start();
    if (phase_ == phase)
        return;
    phase_ = phase;
    emit phaseChanged(phase);
}

void SpeakingSession::say(const QString& text) {
    if (notice_ && text != said_)
        notice_(text);
    said_ = text;
}

void SpeakingSession::start(const ModelSentence& sentence, Notice notice) {
    if (phase_ != Phase::Idle) {
        stop();
        return;
    }
    notice_ = std::move(notice);
    said_.clear();
    if (!sentence.valid()) {
        say(noSentenceText());
        return;
    }
    recording_ = player_.url();
    if (recording_.isEmpty()) {
        say(modelMissingText());
        return;
    }
    sentence_ = sentence;
    started_ = true;
    const QString key = keyOf(recording_, sentence_);
    if (key != shownKey_ && key != decodingKey_) {
        auto promise = std::make_shared<std::promise<DecodedClip>>();
        decoding_ = promise->get_future();
        decodingKey_ = key;
        std::thread([promise, &decoder = decoder_, path = recording_, s = sentence_] {
            promise->set_value(decoder.decode(path, s.begin, s.end));
        }).detach();
    }
    player_.setStopPosition(sentence_.end >= 0 ? sentence_.end : -1.0);
    player_.setCurrentPosition(sentence_.begin);
    player_.play();
    setPhase(Phase::Listening);
    say(listenText());
}

void SpeakingSession::again() {
    if (started_)
        start(sentence_, notice_);
}

void SpeakingSession::stop() {
    switch (phase_) {
    case Phase::Listening:
        player_.stop();
        player_.setStopPosition(-1);
        setPhase(Phase::Idle);
        say(QStringLiteral("已停止跟读"));
        break;
    case Phase::Recording:
        endRecording();
        break;
    default:
        break;
    }
}

void SpeakingSession::poll() {
    switch (phase_) {
    case Phase::Listening: {
        const bool pastEnd = sentence_.end >= 0 && player_.currentPosition() >= sentence_.end;
        if (player_.playState() == IMediaPlayer::Playing && !pastEnd)
            return;
        if (player_.playState() == IMediaPlayer::Playing)
            player_.stop();
        player_.setStopPosition(-1);
        beginRecording();
        break;
    }
    case Phase::Recording: {
        const TakeWatcher::Progress p = watcher_->poll();
        view_.showRecording(p.levelDb, p.seconds);
        say(repeatText(p.levelDb, p.seconds));
        if (p.decision != AutoStop::Decision::Continue || !take_.isRunning() || take_.failed())
            endRecording();
        break;
    }
    case Phase::Comparing:
        compare();
        break;
    case Phase::Idle:
        break;
    }
}

void SpeakingSession::beginRecording() {
    if (!take_.start()) {
        say(noMicrophoneText());
        view_.showNotice(noMicrophoneText());
        setPhase(Phase::Idle);
        return;
    }
    const double length = sentence_.end >= 0 ? sentence_.end - sentence_.begin : kUnknownSentenceSeconds;
    // At a slower speed the learner says it more slowly too.
    watcher_ = std::make_unique<TakeWatcher>(take_, length / std::clamp(player_.rate(), 0.5, 1.0));
    view_.showRecording(-120, 0);
    setPhase(Phase::Recording);
    say(repeatText(-120, 0));
}

void SpeakingSession::endRecording() {
    attempt_ = watcher_->finish();
    watcher_.reset();
    if (take_.failed() || attempt_.samples.empty()) {
        say(takeFailedText());
        view_.showNotice(takeFailedText());
        if (attempt_.samples.empty()) {
            setPhase(Phase::Idle);
            return;
        }
    }
    setPhase(Phase::Comparing);
    compare();
}

void SpeakingSession::compare() {
    const QString key = keyOf(recording_, sentence_);
    if (key != shownKey_) {
        if (decoding_.valid() && decodingKey_ == key) {
            if (decoding_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                return; // the next poll looks again
            const DecodedClip clip = decoding_.get();
            decodingKey_.clear();
            if (clip.ok()) {
                model_ = soundFromPcm16(clip.samples.data(), clip.samples.size(), clip.rate);
                view_.setSentence(sentence_.text, model_);
                shownKey_ = key;
            }
        }
        if (key != shownKey_) {
            say(modelMissingText());
            view_.showNotice(modelMissingText());
            setPhase(Phase::Idle);
            return;
        }
    }
    view_.addAttempt(attempt_);
    view_.present();
    say(QStringLiteral("已录下，正在对比"));
    setPhase(Phase::Idle);
}

bool SpeakingSession::playModel() {
    return !model_.samples.empty() && sound_.playSamples(pcm16Of(model_), model_.rate);
}

bool SpeakingSession::playAttempt(const Sound& attempt) {
    return !attempt.samples.empty() && sound_.playSamples(pcm16Of(attempt), attempt.rate);
}

bool SpeakingSession::playBoth(const Sound& attempt) {
    if (model_.samples.empty())
        return playAttempt(attempt);
    const Sound both = oneAfterAnother(model_, attempt, kGapSeconds);
    return sound_.playSamples(pcm16Of(both), both.rate);
}

Sound oneAfterAnother(const Sound& first, const Sound& second, double gapSeconds) {
    Sound out = first;
    if (out.rate <= 0)
        return second;
    out.samples.resize(out.samples.size() + size_t(std::max(0.0, gapSeconds) * out.rate), 0.0f);
    if (second.rate == out.rate || second.rate <= 0 || second.samples.empty()) {
        out.samples.insert(out.samples.end(), second.samples.begin(), second.samples.end());
        return out;
    }
    const double step = double(second.rate) / out.rate;
    const size_t count = size_t(double(second.samples.size()) / step);
    for (size_t i = 0; i < count; ++i) {
        const double at = double(i) * step;
        const size_t j = size_t(at);
        const double f = at - double(j);
        const float a = second.samples[j];
        const float b = j + 1 < second.samples.size() ? second.samples[j + 1] : a;
        out.samples.push_back(float(a + (b - a) * f));
    }
    return out;
}

std::vector<qint16> pcm16Of(const Sound& sound) {
    std::vector<qint16> out(sound.samples.size());
    std::transform(sound.samples.begin(), sound.samples.end(), out.begin(), [](float v) {
        return qint16(std::lround(std::clamp(v, -1.0f, 32767.0f / 32768.0f) * 32768.0f));
    });
    return out;
}

} // namespace lesnor
