#include "playback/PollSchedule.h"

#include <algorithm>
#include <cmath>

namespace lesnor {

int PollSchedule::nextDelay(bool playing, double position, double endTime) {
    if (!playing)
        return -1;
    if (endTime < 0.0 || !std::isfinite(endTime) || !std::isfinite(position))
        return coarseMs;
    const double untilLead = (endTime - position) * 1000.0 - fineLeadMs;
    if (untilLead >= coarseMs)
        return coarseMs;
    return std::max(1, int(std::floor(untilLead)));
}

} // namespace lesnor
