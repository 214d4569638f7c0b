#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace lesnor {

// A stretch of a recording, decoded into memory as mono 16-bit samples.
struct DecodedClip {
    int rate = 0;
    std::vector<qint16> samples;
    bool ok() const { return rate > 0 && !samples.empty(); }
};

// Decodes part of a recording file (any format the system can read: the lessons' MP3s,
// WAV) into memory; nothing is written to disk. decode() blocks until done and may be
// called on any thread (callers keep it off the UI thread); an empty clip when the file
// cannot be read or the span holds no sound. `end` < 0 means to the end of the file.
class IClipDecoder {
public:
    virtual ~IClipDecoder() = default;
    virtual DecodedClip decode(const QString& path, double begin, double end) = 0;
};

} // namespace lesnor
