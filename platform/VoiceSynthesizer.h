#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

namespace lesnor {

// Speech as samples: mono, signed 16-bit, at `rate` per second.
struct SpeechAudio {
    std::vector<qint16> samples;
    int rate = 0;
};

// A text-to-speech engine that synthesises into a buffer: libflite with its "slt"
// voice when it can be set up, else libespeak-ng ("en-us"). Both are in-process and
// never touch a sound device. Not thread-safe: use one instance from one thread.
class VoiceSynthesizer {
public:
    // The first engine that starts; nullptr when none does.
    static std::unique_ptr<VoiceSynthesizer> open();
    virtual ~VoiceSynthesizer() = default;

    // "flite slt" or "espeak-ng en-us".
    virtual QString name() const = 0;
    // The text spoken; empty audio for an empty text or when the engine fails.
    virtual SpeechAudio synthesize(const QString& text) = 0;
    // synthesize() without the pause the engine puts before the first sound (10 ms of
    // it are kept).
    SpeechAudio speak(const QString& text);
};

} // namespace lesnor
