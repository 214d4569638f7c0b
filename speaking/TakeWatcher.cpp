#include "speaking/TakeWatcher.h"

#include "platform/VoiceTake.h"

#include <algorithm>

namespace lesnor {

TakeWatcher::TakeWatcher(IVoiceTake& take, double sentenceSeconds)
    : take_(take)
    , stop_(sentenceSeconds) {}

TakeWatcher::Progress TakeWatcher::poll() {
    const std::vector<qint16> fresh = take_.samplesFrom(samples_.size());
    samples_.insert(samples_.end(), fresh.begin(), fresh.end());
    const int rate = take_.rate();
    const size_t block = size_t(std::max(1, rate / 100));
    while (last_.decision == AutoStop::Decision::Continue && fed_ + block <= samples_.size()) {
        double sum = 0;
        for (size_t i = fed_; i < fed_ + block; ++i)
            sum += double(samples_[i]) * samples_[i];
        fed_ += block;
        last_.levelDb = levelDb(sum / double(block) / (32768.0 * 32768.0));
        last_.seconds = double(fed_) / rate;
        last_.decision = stop_.feed(last_.seconds, double(block) / rate, last_.levelDb);
    }
    return last_;
}

Sound TakeWatcher::finish() {
    take_.stop();
    poll();
    // What came in after the rules ended the take (a late poll) is not part of it.
    if (last_.decision != AutoStop::Decision::Continue)
        samples_.resize(fed_);
    return soundFromPcm16(samples_.data(), samples_.size(), take_.rate());
}

} // namespace lesnor
