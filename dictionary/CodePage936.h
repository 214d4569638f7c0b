#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace lesnor {

// Text to code page 936 (GBK) bytes; nothing when a character has no code there. (The
// converter itself substitutes such characters silently, so every conversion is
// checked by converting back.)
std::optional<QByteArray> toCodePage936(QStringView text);

// Code page 936 bytes to text; invalid bytes become replacement characters.
QString fromCodePage936(QByteArrayView bytes);

} // namespace lesnor
