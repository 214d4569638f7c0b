#include "FakeMediaPlayer.h"

namespace lesnor::test {

void FakeMediaPlayer::advance(double seconds) {
    if (state_ != Playing)
        return;
    const double target = position_ + seconds * rate_;
    if (stopAt_ >= 0.0 && target >= stopAt_ && position_ < stopAt_) {
        position_ = stopAt_;
        state_ = Paused;
        return;
    }
    if (target >= duration_) {
        position_ = 0.0;
        state_ = Stopped;
        return;
    }
    position_ = target;
}

void FakeMediaPlayer::setUrl(const QString& path) {
    calls << QStringLiteral("setUrl ") + path;
    url_ = path;
    duration_ = path.isEmpty() ? 0.0 : durations_.value(path, 60.0);
    position_ = 0.0;
    stopAt_ = -1.0;
    state_ = path.isEmpty() ? Undefined : Stopped;
}

void FakeMediaPlayer::close() {
    calls << QStringLiteral("close");
    url_.clear();
    duration_ = 0.0;
    position_ = 0.0;
    state_ = Undefined;
}

void FakeMediaPlayer::play() {
    calls << QStringLiteral("play");
    if (url_.isEmpty())
        return;
    state_ = Playing;
}

void FakeMediaPlayer::stop() {
    calls << QStringLiteral("stop");
    position_ = 0.0;
    if (!url_.isEmpty())
        state_ = Stopped;
}

void FakeMediaPlayer::setCurrentPosition(double seconds) {
    calls << QStringLiteral("seek ") + QString::number(seconds);
    if (url_.isEmpty())
        return;
    position_ = qBound(0.0, seconds, duration_);
}

} // namespace lesnor::test
