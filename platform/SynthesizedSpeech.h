#pragma once

#include "platform/Speech.h"

#include <QString>
#include <memory>

namespace lesnor {

// The program's voice: a VoiceSynthesizer (flite "slt", else espeak-ng) renders the
// text into a buffer and GStreamer plays it (appsrc into the sound server), like every
// other sound of the program.
//
// - Speak() never waits: it hands the text to the voice's own thread and returns. That
//   thread synthesises and plays; a new Speak() replaces a text not yet played and
//   stops one still sounding.
// - The engine is set up on that thread as soon as the object exists, or once a held
//   set-up is released (SetUpGate.h), with one short warm-up synthesis, so the first
//   lookup does not pay for it.
// - The output is the sound server, else the sound card through ALSA. Without either
//   (the sink fails within milliseconds), or with LESNOR_AUDIO_SINK=fake or
//   Output::Silent, nothing is heard and nothing blocks.
// - Without any engine, Speak() does nothing.
// - The speed setting is kept; single headwords are spoken at the engine's own rate.
class SynthesizedSpeech final : public ISpeech {
public:
    enum class Output {
        Automatic, // the sound server when one answers, else nothing
        Silent,    // synthesise only
    };

    explicit SynthesizedSpeech(Output output = Output::Automatic);
    ~SynthesizedSpeech() override;
    SynthesizedSpeech(const SynthesizedSpeech&) = delete;
    SynthesizedSpeech& operator=(const SynthesizedSpeech&) = delete;

    void Register(const QString& site, const QString& app) override;
    void setSpeed(int wordsPerMinute) override;
    int speed() const override;
    void Speak(const QString& text, int flags) override;

    // Wait (bounded by `timeoutMs`) for the engine's set-up; for tools, tests and
    // benchmarks. The engine's name ("" when none started) and the set-up time in ms.
    bool waitUntilStarted(int timeoutMs) const;
    QString engineName() const;
    double startUpMs() const;
    // Wait (bounded) until every text handed in so far is synthesised and playing or
    // dropped. The number of texts that reached the sound server so far.
    bool waitUntilIdle(int timeoutMs) const;
    int played() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
