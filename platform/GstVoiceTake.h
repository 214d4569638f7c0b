#pragma once

#include "platform/VoiceTake.h"

#include <memory>

namespace lesnor {

// IVoiceTake from the sound server's default source over GStreamer (`pulsesrc` into an
// `appsink`), as 16-bit mono at 44.1 kHz, like GstSoundCapture; the samples are appended
// by GStreamer's streaming thread under a lock.
class GstVoiceTake final : public IVoiceTake {
public:
    GstVoiceTake();
    ~GstVoiceTake() override;
    GstVoiceTake(const GstVoiceTake&) = delete;
    GstVoiceTake& operator=(const GstVoiceTake&) = delete;

    bool start() override;
    void stop() override;
    bool isRunning() const override;
    bool failed() const override;
    int rate() const override { return 44100; }
    std::vector<qint16> samplesFrom(size_t from) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
