#include "speaking/AutoStop.h"

#include <algorithm>

namespace lesnor {
namespace {
constexpr double kLoudDb = -50;
constexpr double kAboveFloorDb = 12;
} // namespace

AutoStop::AutoStop(double sentenceSeconds)
    : limit_(3.0 * std::max(0.0, sentenceSeconds) + 2.0) {}

AutoStop::Decision AutoStop::feed(double blockEndSeconds, double blockSeconds, double levelDb) {
    floorDb_ = floorKnown_ ? std::min(floorDb_, levelDb) : levelDb;
    floorKnown_ = true;
    if (levelDb > std::max(kLoudDb, floorDb_ + kAboveFloorDb)) {
        speechSeconds_ += blockSeconds;
        lastSpeechEnd_ = blockEndSeconds;
    }
    if (blockEndSeconds >= limit_)
        return Decision::TimeLimit;
    if (speechHeard() && blockEndSeconds - lastSpeechEnd_ >= kSilenceSeconds)
        return Decision::SilenceAfterSpeech;
    return Decision::Continue;
}

} // namespace lesnor
