#pragma once

#include <QtGlobal>
#include <vector>

namespace lesnor {

// A recording held in memory, readable while it runs (speak and compare's attempts: a
// level meter and the rules that end it need the sound as it comes in; nothing of it is
// written to disk).
// - start() drops any earlier take and begins a new one; false (and nothing running)
//   when no input can be had: no sound server, no device, or only the monitor of an
//   output (no microphone).
// - Capture runs off the calling thread; samplesFrom() may be called at any time.
// - stop() ends the capture and keeps what came in; failed() says whether the input
//   failed on the way.
class IVoiceTake {
public:
    virtual ~IVoiceTake() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    virtual bool failed() const = 0;
    virtual int rate() const = 0;
    // Mono 16-bit samples captured since start(), from index `from` on.
    virtual std::vector<qint16> samplesFrom(size_t from) const = 0;
};

} // namespace lesnor
