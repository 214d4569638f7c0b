#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace lesnor {

// Integer PCM in a RIFF WAVE file: the canonical 44-byte header ("RIFF", "WAVE", a
// 16-byte "fmt " chunk, then "data").
struct WavFormat {
    int rate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int bytesPerFrame() const { return channels * bitsPerSample / 8; }
};

constexpr qint64 kWavHeaderBytes = 44;
// The largest data chunk a WAV header can describe (its RIFF size is 32 bits).
constexpr qint64 kWavMaxDataBytes = 0xFFFFFFFFLL - (kWavHeaderBytes - 8);

// The header for `dataBytes` of sound data in `format`; sizes filled in. `dataBytes` must
// not exceed kWavMaxDataBytes.
QByteArray wavHeader(const WavFormat& format, qint64 dataBytes);

// What a WAV file's header says: its format and where its sound data lies. Walks the
// chunks, so files with extra chunks are read as well.
struct WavInfo {
    WavFormat format;
    qint64 riffSize = 0;   // the RIFF chunk's size field
    qint64 dataOffset = 0; // first byte of the sound data
    qint64 dataBytes = 0;  // the data chunk's size field
    double seconds() const {
        return format.bytesPerFrame() > 0 && format.rate > 0
                   ? double(dataBytes / format.bytesPerFrame()) / format.rate
                   : 0.0;
    }
};

// False for anything but integer PCM WAV (or a header cut short).
bool readWavInfo(const QByteArray& file, WavInfo& out);

} // namespace lesnor
