#pragma once

#include "platform/VoiceTake.h"

namespace lesnor::test {

// A take whose microphone is the test: feed() is what came in since the last call.
class FakeVoiceTake final : public IVoiceTake {
public:
    bool available = true;
    int startCount = 0;

    bool start() override {
        ++startCount;
        samples_.clear();
        running_ = available;
        return available;
    }
    void stop() override { running_ = false; }
    bool isRunning() const override { return running_; }
    bool failed() const override { return false; }
    int rate() const override { return 16000; }
    std::vector<qint16> samplesFrom(size_t from) const override {
        return from < samples_.size() ? std::vector<qint16>(samples_.begin() + long(from), samples_.end())
                                      : std::vector<qint16>();
    }
    void feed(double seconds, qint16 amplitude) {
        for (int i = 0; i < int(seconds * rate()); ++i)
            samples_.push_back(i % 2 ? amplitude : qint16(-amplitude));
    }

private:
    std::vector<qint16> samples_;
    bool running_ = false;
};

} // namespace lesnor::test
