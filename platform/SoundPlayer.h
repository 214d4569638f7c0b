#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace lesnor {

// Plays a sound file once, from its start, through the same output as the lessons
// (the recording's play back). Never blocks the caller while the sound plays.
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Stops whatever this player is playing and starts `path` from its beginning.
    // False when the file cannot be played (missing, not a sound); nothing plays then.
    virtual bool play(const QString& path) = 0;
    // The same for mono 16-bit samples held in memory (copied before it returns).
    virtual bool playSamples(const std::vector<qint16>& samples, int rate) = 0;
    virtual void stop() = 0;
    // True when the last play found no sound output and goes on unheard.
    virtual bool playsUnheard() const = 0;
};

} // namespace lesnor
