#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace lesnor {

// Plays a sound file once, from its start, through the same output as the lessons
// (the recording's play back). Never blocks the caller while the sound plays.
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Stops whatever this player is playing and starts `path` from its beginning.
    // False when the file cannot be played (missing, not a sound); nothing plays then.
    // May return before the sound is heard (see setOutcomeHandler()).
    virtual bool play(const QString& path) = 0;
    // The same for mono 16-bit samples held in memory (copied before it returns).
    virtual bool playSamples(const std::vector<qint16>& samples, int rate) = 0;
    virtual void stop() = 0;
    // True when the last play found no sound output and goes on unheard (as far as
    // known: the output of a play just started may not be known yet).
    virtual bool playsUnheard() const = 0;
    // What a play found once its output is known: heard, unheard (no sound output), or
    // not playable after all. Told on the caller's thread, for the latest play only.
    enum class PlayOutcome { Heard, Unheard, Failed };
    virtual void setOutcomeHandler(std::function<void(PlayOutcome)> handler) = 0;
};

} // namespace lesnor
