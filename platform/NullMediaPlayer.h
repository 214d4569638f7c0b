#pragma once

#include "platform/MediaPlayer.h"

namespace lesnor {

// A player that never has playable media: it keeps the address and is always stopped
// at position 0. Stands in where no real player can be built.
class NullMediaPlayer final : public IMediaPlayer {
public:
    void setUrl(const QString& path) override { url_ = path; }
    QString url() const override { return url_; }
    void close() override { url_.clear(); }
    void play() override {}
    void stop() override {}
    double currentPosition() const override { return 0.0; }
    void setCurrentPosition(double) override {}
    PlayState playState() const override { return Stopped; }

private:
    QString url_;
};

} // namespace lesnor
