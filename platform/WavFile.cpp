#include "platform/WavFile.h"

#include <QtEndian>

namespace lesnor {
namespace {

void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

quint32 get32(const QByteArray& in, qint64 at) {
    return qFromLittleEndian<quint32>(in.constData() + at);
}

quint16 get16(const QByteArray& in, qint64 at) {
    return qFromLittleEndian<quint16>(in.constData() + at);
}

} // namespace

QByteArray wavHeader(const WavFormat& format, qint64 dataBytes) {
    QByteArray out;
    out.reserve(int(kWavHeaderBytes));
    out.append("RIFF", 4);
    put32(out, quint32(dataBytes + kWavHeaderBytes - 8));
    out.append("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // integer PCM
    put16(out, quint16(format.channels));
    put32(out, quint32(format.rate));
    put32(out, quint32(format.rate * format.bytesPerFrame()));
    put16(out, quint16(format.bytesPerFrame()));
    put16(out, quint16(format.bitsPerSample));
    out.append("data", 4);
    put32(out, quint32(dataBytes));
    return out;
}

bool readWavInfo(const QByteArray& file, WavInfo& out) {
    out = WavInfo{};
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return false;
    out.riffSize = get32(file, 4);
    bool haveFormat = false;
    qint64 at = 12;
    while (at + 8 <= file.size()) {
        const QByteArray id = file.mid(at, 4);
        const qint64 size = get32(file, at + 4);
        const qint64 body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > file.size() || get16(file, body) != 1)
                return false;
            out.format.channels = get16(file, body + 2);
            out.format.rate = int(get32(file, body + 4));
            out.format.bitsPerSample = get16(file, body + 14);
            haveFormat = true;
        } else if (id == "data") {
            out.dataOffset = body;
            out.dataBytes = size;
            return haveFormat && out.format.bytesPerFrame() > 0;
        }
        at = body + size + (size & 1);
    }
    return false;
}

} // namespace lesnor
