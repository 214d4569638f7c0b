#pragma once

#include <QString>
#include <functional>

namespace lesnor {

// The lesson player (`W1`). Every position is in seconds from the start of the media.
//
// Invariants every implementation keeps, and every caller relies on:
// - setUrl() opens the file but never starts it; "" leaves the player without media.
// - play() starts at the current position, also right after a seek made while stopped.
// - stop() stops and returns the position to 0; playState() is then Stopped.
// - setCurrentPosition() is complete when it returns: the next currentPosition() reads
//   the new position, and a following play() starts there without clipping the onset.
// - When the media has played to its end the player reports Stopped and position 0.
// - Right after play() the state is no longer Stopped.
// - currentPosition() is 0 while stopped and while there is no media.
class IMediaPlayer {
public:
    // The values a caller can test; the numbers follow the embedded player they replace.
    enum PlayState { Undefined = 0, Stopped = 1, Paused = 2, Playing = 3 };

    virtual ~IMediaPlayer() = default;

    virtual void setUrl(const QString& path) = 0;
    virtual QString url() const = 0;
    // Releases the media so its file can be replaced or deleted; url() becomes "".
    virtual void close() = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual double currentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;
    virtual PlayState playState() const = 0;

    // Optional exact stop: the next play() ends on its own at `seconds` (reported as
    // Paused there, position kept) instead of running on. A negative value clears it.
    // Players that cannot do this ignore it; the position poll still stops them.
    virtual void setStopPosition(double seconds) { (void)seconds; }

    // Speed of a play under way and the following ones, 0.5 to 1.0 (1.0 is the
    // recording's own); the voice keeps its pitch. Positions, seeks and the stop
    // position stay in seconds of the media, whatever the speed. Players that cannot
    // change speed ignore it.
    virtual void setRate(double rate) { (void)rate; }
    virtual double rate() const { return 1.0; }

    // Seconds from play() to the first sound of the position played (what the player
    // plays silenced before it), at the current speed. A caller that wants a gap of a
    // set length before a play starts the play this much earlier.
    virtual double startLatency() const { return 0.0; }

    // True when the player looked for a sound output and found none: it then plays
    // unheard (positions still move), and the learner should be told.
    virtual bool soundOutputMissing() const { return false; }

    // What is wrong with the sound output now: it stopped answering (Stalled), or it
    // went away and the next play connects again (Gone). The handler, called on the
    // caller's thread with its event loop, is told each time the answer changes.
    enum class Trouble { None, Stalled, Gone };
    virtual Trouble outputTrouble() const { return Trouble::None; }
    virtual void setTroubleHandler(std::function<void()> handler) { (void)handler; }
};

} // namespace lesnor
