#pragma once

#include "platform/ClipDecoder.h"

namespace lesnor {

// IClipDecoder over GStreamer: `filesrc ! decodebin ! audioconvert ! audioresample` into
// an `appsink` at 44.1 kHz mono, a seek to the span's start, the samples outside the
// span cut off by their time stamps. Each call builds its own pipeline, so calls on
// several threads at once are safe; a decoder that stops delivering is given up after 5 s.
class GstClipDecoder final : public IClipDecoder {
public:
    static constexpr int kRate = 44100;
    DecodedClip decode(const QString& path, double begin, double end) override;
};

} // namespace lesnor
