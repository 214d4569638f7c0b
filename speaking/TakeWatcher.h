#pragma once

#include "speaking/AutoStop.h"
#include "speaking/VoiceAnalysis.h"

#include <QtGlobal>
#include <vector>

namespace lesnor {

class IVoiceTake;

// Follows a take while it records: each poll reads what came in since the last, in
// blocks of 10 ms, for the level meter, the seconds recorded and AutoStop's rules. The
// time is the take's own (samples counted), so a late poll changes nothing but when the
// answer comes. finish() stops the take and hands over its sound, up to where the rules
// ended it when they did.
class TakeWatcher {
public:
    TakeWatcher(IVoiceTake& take, double sentenceSeconds);

    struct Progress {
        double seconds = 0;    // recorded so far
        double levelDb = -120; // of the latest block
        AutoStop::Decision decision = AutoStop::Decision::Continue;
    };
    Progress poll();
    Sound finish();

private:
    IVoiceTake& take_;
    AutoStop stop_;
    std::vector<qint16> samples_;
    size_t fed_ = 0; // samples already fed to the rules, a whole number of blocks
    Progress last_;
};

} // namespace lesnor
