#pragma once

#include "platform/SoundCapture.h"
#include "playback/WavFile.h"

#include <memory>

namespace lesnor {

// Capture from the sound server's default source over GStreamer (`pulsesrc`), as 16-bit
// mono PCM at 44.1 kHz, into a private temporary file; saveAs() writes it out as a WAV
// file. Keeps every invariant of ISoundCapture; in particular:
//
// - start() returns once the pipeline is running (tens of milliseconds with a server);
//   without a server it fails within milliseconds ("Connection refused"). The samples
//   are written by GStreamer's streaming thread; the caller's thread only starts and
//   stops the pipeline.
// - stop() ends the capture with an end of stream, so everything the source had
//   delivered is in the recording; it waits for that (bounded, 1 s). A capture that
//   reported an error, or delivered no sound at all (a server without any input keeps
//   the source waiting), is a failure and is dropped.
// - saveAs() writes the WAV header (sizes from the data written) and the samples through
//   a temporary file in the target's folder renamed over the target.
class GstSoundCapture final : public ISoundCapture {
public:
    static constexpr WavFormat format() { return {44100, 1, 16}; }

    GstSoundCapture();
    ~GstSoundCapture() override;
    GstSoundCapture(const GstSoundCapture&) = delete;
    GstSoundCapture& operator=(const GstSoundCapture&) = delete;

    bool start() override;
    bool stop() override;
    bool saveAs(const QString& path) override;
    void discard() override;
    bool isCapturing() const override;

    // Milliseconds from the last start() until the first captured sound reached the
    // recording; negative while none has. For measurements.
    double firstSoundDelayMs() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
