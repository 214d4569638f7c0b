#pragma once

#include "platform/SoundPlayer.h"

#include <memory>

namespace lesnor {

struct SoundSource;

// Plays a WAV file once over GStreamer, into the sound server the lessons play into,
// else straight into the sound card (ALSA), else into a silent sink paced by the clock
// (also when Output::Silent or the environment variable LESNOR_AUDIO_SINK=fake asks for
// it), exactly as the lesson player chooses; playsUnheard() then tells it. play() returns once the sound is
// ready and started (the file is opened and its first buffer is at the output); the sound then plays on
// GStreamer's threads. Each play builds a fresh stream, so a new play never waits behind an old one. A
// finished sound releases its stream at the next call or, with an event loop, within 100 ms.
class GstSoundPlayer final : public ISoundPlayer {
public:
    enum class Output {
        Automatic, // the sound server when one answers, else ALSA, else the silent sink
        Silent,    // always the silent sink
    };

    explicit GstSoundPlayer(Output output = Output::Automatic);
    ~GstSoundPlayer() override;
    GstSoundPlayer(const GstSoundPlayer&) = delete;
    GstSoundPlayer& operator=(const GstSoundPlayer&) = delete;

    bool play(const QString& path) override;
    bool playSamples(const std::vector<qint16>& samples, int rate) override;
    void stop() override;

    // True from play() until the sound has ended or stop().
    bool isPlaying() const;
    // True when the last play went to the silent sink.
    bool isSilent() const;
    bool playsUnheard() const override;
    // The last play's sink: "pulsesink", "alsasink" or "fakesink"; "" before any.
    QString outputName() const;

private:
    struct Impl;
    bool start(const SoundSource& source);
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
