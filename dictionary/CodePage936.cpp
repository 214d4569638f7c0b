#include "dictionary/CodePage936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace lesnor {

std::optional<QByteArray> toCodePage936(QStringView text) {
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || fromCodePage936(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString fromCodePage936(QByteArrayView bytes) {
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

} // namespace lesnor
