#pragma once

#include "platform/MediaPlayer.h"

#include <QHash>
#include <QStringList>
#include <functional>

namespace lesnor::test {

// A player on a virtual clock: nothing moves until advance() is called, so playback
// tests run instantly and always alike. Keeps every contract of IMediaPlayer: seek is
// complete at once, stop returns to 0, the end of the media reports Stopped at 0, and a
// stop position (when set) halts the play exactly there with the position kept. The
// position moves by the clock's time × rate(): at 0.5 a second of media takes two.
class FakeMediaPlayer final : public IMediaPlayer {
public:
    // Duration of media opened from `path`; media without a duration is 60 s long.
    void setDuration(const QString& path, double seconds) { durations_[path] = seconds; }
    // Moves the virtual clock; a playing player's position moves with it, at the rate.
    void advance(double seconds);

    void setUrl(const QString& path) override;
    QString url() const override { return url_; }
    void close() override;
    void play() override;
    void stop() override;
    double currentPosition() const override { return position_; }
    void setCurrentPosition(double seconds) override;
    PlayState playState() const override { return state_; }
    void setStopPosition(double seconds) override {
        calls << QStringLiteral("stopAt ") + QString::number(seconds);
        stopAt_ = seconds;
    }

    bool soundOutputMissing() const override { return outputMissing; }
    // The rate stays across setUrl() and close(), as a real player's does.
    void setRate(double rate) override {
        calls << QStringLiteral("rate ") + QString::number(rate);
        if (!fixedRate)
            rate_ = rate;
    }
    double rate() const override { return rate_; }
    double startLatency() const override { return latency; }
    Trouble outputTrouble() const override { return trouble_; }
    void setTroubleHandler(std::function<void()> handler) override { onTrouble_ = std::move(handler); }
    // The output's trouble changes: the handler is told, as the real player's watchdog does.
    void setTrouble(Trouble trouble) {
        trouble_ = trouble;
        if (onTrouble_)
            onTrouble_();
    }

    double stopPosition() const { return stopAt_; }
    double duration() const { return url_.isEmpty() ? 0.0 : duration_; }
    // Every call made, in order ("setUrl <path>", "play", "stop", "seek 2.73", "close",
    // "stopAt 2.431", "rate 0.8").
    QStringList calls;
    // What soundOutputMissing() answers.
    bool outputMissing = false;
    // A player that cannot change its speed: setRate() is ignored.
    bool fixedRate = false;
    // What startLatency() answers.
    double latency = 0.0;

private:
    Trouble trouble_ = Trouble::None;
    std::function<void()> onTrouble_;
    QHash<QString, double> durations_;
    QString url_;
    double duration_ = 0.0;
    double position_ = 0.0;
    double stopAt_ = -1.0;
    double rate_ = 1.0;
    PlayState state_ = Undefined;
};

} // namespace lesnor::test
