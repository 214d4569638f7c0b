#pragma once

#include <QString>

namespace lesnor {

// The one program-wide text-to-speech voice. Register() and the speed are set once at
// start-up; the word lookup calls Speak(). Speak() returns at once: the voice plays
// asynchronously and a new Speak() replaces what is still sounding.
class ISpeech {
public:
    virtual ~ISpeech() = default;
    virtual void Register(const QString& site, const QString& app) = 0;
    virtual void setSpeed(int wordsPerMinute) = 0;
    virtual int speed() const = 0;
    virtual void Speak(const QString& text, int flags) = 0;
};

} // namespace lesnor
