#include "playback/SentenceEnd.h"

#include "lessons/LenientNumber.h"

namespace lesnor {
namespace {

// Far enough past the end time that a player halted there reads strictly greater.
constexpr double stopMargin = 0.001;

} // namespace

double sentenceStopPosition(const QString& end) {
    return end.isEmpty() ? -1.0 : lenientNumber(end) + stopMargin;
}

double sentenceEndTime(const QString& end) {
    return end.isEmpty() ? -1.0 : lenientNumber(end);
}

bool pastSentenceEnd(const QString& end, const QString& positionText) {
    return !end.isEmpty() && lenientNumber(end) < lenientNumber(positionText);
}

} // namespace lesnor
