#pragma once

#include <QString>

namespace lesnor {

// What a recording running now hears: the level of its latest sound in dB of full scale
// and the seconds recorded so far; `recording` is false when nothing records.
struct InputLevel {
    bool recording = false;
    double levelDb = -120;
    double seconds = 0;
};

// Capture from the default sound input into one pending recording, which the recorder's
// command interpreter (playback/RecorderCommands) drives.
//
// Invariants every implementation keeps:
// - start() drops any earlier recording and begins a new, empty one; it returns false
//   (and holds no recording) when no input can be had: no device, no sound server.
// - Capture runs off the calling thread; the caller is never blocked while it runs.
// - stop() ends the capture and keeps what was captured; it returns false when the
//   capture failed on the way (the input vanished), and the recording is then dropped.
// - saveAs() writes the kept recording as a WAV file, replacing `path` as a whole (a
//   reader sees the old file or the new one); false when there is nothing kept or the
//   file cannot be written, and the kept recording stays for another try.
// - discard() ends any capture and drops the recording; it never writes a file.
class ISoundCapture {
public:
    virtual ~ISoundCapture() = default;
    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual bool saveAs(const QString& path) = 0;
    virtual void discard() = 0;
    virtual bool isCapturing() const = 0;
    // While capturing, for a level meter; any thread's capture may be read at any time.
    virtual InputLevel inputLevel() const { return {}; }
};

} // namespace lesnor
