#pragma once

#include "platform/ClipDecoder.h"

#include <QStringList>
#include <cmath>

namespace lesnor::test {

// Decodes every span to `clip` (a 1 s, 200 Hz tone at 16 kHz unless a test sets another;
// empty: the recording cannot be read) and logs "<path> <begin> <end>".
class FakeClipDecoder final : public IClipDecoder {
public:
    FakeClipDecoder() {
        clip.rate = 16000;
        for (int i = 0; i < clip.rate; ++i)
            clip.samples.push_back(qint16(8000 * std::sin(2 * M_PI * 200 * i / clip.rate)));
    }
    DecodedClip decode(const QString& path, double begin, double end) override {
        calls << QStringLiteral("%1 %2 %3").arg(path).arg(begin).arg(end);
        return clip;
    }
    DecodedClip clip;
    QStringList calls;
};

} // namespace lesnor::test
