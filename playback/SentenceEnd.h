#pragma once

#include <QString>

namespace lesnor {

// The end of a sentence, shared by both windows' polls. `end` is the stored end time
// text; "" (a lesson's last sentence) means the sentence plays to the end of the
// recording.

// Where the player is to halt by itself: just past the end time, so that the position
// it keeps there still trips the end test on the next sample; -1 (no stop) for "".
double sentenceStopPosition(const QString& end);

// The end time in seconds; -1 for "".
double sentenceEndTime(const QString& end);

// The end test: the sampled position text lies strictly above a non-empty end time.
bool pastSentenceEnd(const QString& end, const QString& positionText);

} // namespace lesnor
