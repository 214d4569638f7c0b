#pragma once

namespace lesnor {

// When the position poll of a playing sentence samples next. Both windows' polls follow
// it, so neither costs anything while nothing plays.
//
// The player's position moves only while it plays: a sample taken while it is not
// playing (stopped, held at a stop position, without media) reads the position that
// stays until the next call on the player, so that sample is the poll's last, and
// every position change the player can make is still seen. While it plays, the next
// sample comes in time for the end test: every `coarseMs` far from the end time, then
// timed to land `fineLeadMs` before it, then every millisecond. The exact stop comes
// from the player's stop position; the fine samples only keep the end test's reading
// close behind it.
struct PollSchedule {
    static constexpr int coarseMs = 40;
    static constexpr int fineLeadMs = 8;

    // Milliseconds to the next sample, or -1 for no more samples. `endTime` is the
    // sentence's end in seconds, negative when it has none (it plays to the end of the
    // recording, which the player reports as stopped at 0).
    static int nextDelay(bool playing, double position, double endTime);
};

} // namespace lesnor
