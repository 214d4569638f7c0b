#pragma once

#include "platform/SoundCapture.h"
#include "platform/WavFile.h"

#include <memory>

namespace lesnor {

class PrivateFolder;

// Capture from the sound server's default source over GStreamer (`pulsesrc`), as 16-bit
// mono PCM at 44.1 kHz, into a scratch file without a name (in the private data folder
// once setPrivateFolder() gave it; nothing is left behind by a killed run); saveAs()
// writes it out as a WAV file. Keeps every invariant of ISoundCapture; in particular:
//
// - start() returns once the pipeline is running (tens of milliseconds with a server);
//   without a server it fails within milliseconds ("Connection refused"), and it fails
//   when the server's default input is the monitor of an output (what a server offers
//   when there is no microphone: it would record the lesson, not the learner). The samples
//   are written by GStreamer's streaming thread; the caller's thread only starts and
//   stops the pipeline.
// - The recording spans the time from start() to stop(), sample for sample: the input
//   takes tens of milliseconds to deliver its first sound (measured: 50-90 ms with
//   PipeWire), and that start-up time is silence at the head of the recording; stop()
//   lets the capture run on until it has reached the moment of the call (a buffer, about
//   10 ms; bounded, 250 ms) and the recording ends there. Each frame's time is taken
//   from the arrival of the first buffer less its length.
// - stop() then ends the capture with an end of stream, so everything the source had
//   delivered is in the file (bounded, 1 s). A capture that reported an error, or
//   delivered no sound at all (a server without any input keeps the source waiting), is
//   a failure and is dropped.
// - saveAs() writes the WAV header (sizes from the data written) and the samples through
//   a temporary file in the target's folder renamed over the target; inside the private
//   folder through its descriptor, so a link planted under the target's name is replaced,
//   never written through.
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
    InputLevel inputLevel() const override;

    // The private data folder the scratch files go to and whose files are written
    // through its descriptor; nullptr (the default) uses the temp folder and paths.
    void setPrivateFolder(PrivateFolder* folder);

    // For measurements, in milliseconds since the last start(), negative while nothing
    // has been captured: when the first captured frame reached the recording, and when
    // it was heard (its buffer's arrival less the buffer's length).
    double firstBufferMs() const;
    double captureStartMs() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
