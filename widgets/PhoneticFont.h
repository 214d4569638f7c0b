#pragma once

#include <QString>

namespace lesnor {

// Adds the carried phonetic font from `path` to the program's fonts; the pop-ups' phonetic
// labels then use it. False when the file cannot be added.
bool addPhoneticFont(const QString& path);

// The family name of the carried phonetic font once it is added ("" before).
const char* phoneticFontFamilyName();

} // namespace lesnor
