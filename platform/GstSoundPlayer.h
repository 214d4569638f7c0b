#pragma once

#include "platform/SoundPlayer.h"

#include <memory>

namespace lesnor {

struct SoundJob;

// Plays a WAV file once over GStreamer, into the sound server the lessons play into,
// else straight into the sound card (ALSA), else into a silent sink paced by the clock
// (also when Output::Silent or the environment variable LESNOR_AUDIO_SINK=fake asks for
// it), exactly as the lesson player chooses. Nothing here waits for GStreamer or the sound server: play()
// checks the file is a WAV file (else false) and hands the sound to the player's thread, which builds a
// fresh stream, connects it to the output, starts it and releases it at its end (within 100 ms). A
// request that comes while the thread is busy replaces any still waiting, so only the latest plays. The
// outcome handler is told on the caller's thread which output the play found (PlayOutcome), and
// playsUnheard() answers from the latest play whose output is known.
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

    void setOutcomeHandler(std::function<void(PlayOutcome)> handler) override;

    // True from play() until the sound has ended (or failed) or stop().
    bool isPlaying() const;
    // True when the last play went to the silent sink. Waits (3 s at most) for the
    // latest play's choice.
    bool isSilent() const;
    bool playsUnheard() const override;
    // The last play's sink: "pulsesink", "alsasink" or "fakesink"; "" before any. Waits
    // as isSilent() does.
    QString outputName() const;

private:
    struct Impl;
    bool queue(SoundJob job);
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
