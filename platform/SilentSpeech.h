#pragma once

#include "platform/Speech.h"

namespace lesnor {

// A voice that keeps its settings and says nothing. Used where no speech engine can
// be started, so the rest of the program runs unchanged.
class SilentSpeech final : public ISpeech {
public:
    void Register(const QString& site, const QString& app) override;
    void setSpeed(int wordsPerMinute) override { speed_ = wordsPerMinute; }
    int speed() const override { return speed_; }
    void Speak(const QString& text, int flags) override;

private:
    int speed_ = 0;
};

} // namespace lesnor
