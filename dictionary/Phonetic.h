#pragma once

#include <QString>

namespace lesnor {

// The dictionary's phonetic notation is plain ASCII: digits and a few marks stand for
// the phonetic symbols ("0" ɔ, "1" ɑ, "2" ə, "3" ʌ, "4" θ, "5" ð, "6" ʃ, "7" ʒ, "8" ŋ,
// "9" æ, "/" ɛ, "'" primary stress, "," secondary stress or a separator between
// alternatives, ":" length); lower-case letters are themselves.

// The display text for the phonetic font: 14 replacements in a fixed order, each over
// the result of the one before ("0"→"C", "1"→"B", "2"→"E", "3"→"Q", "4"→"W", "5"→"T",
// "6"→"F", "7"→"V", "8"→"N", "9"→"A", "/"→"Z", "'"→"5", ","→"/", " " removed). The
// order makes every character convert once: "'" becomes "5" only after the file's own
// "5" became "T".
QString convertPhonetic(const QString& field);

// The same field in Unicode phonetic symbols, for drawing with any face that has them
// and for copying. Spaces between the words of a phrase stay; a "," followed by a
// space or "-" separates alternatives and stays a ",", any other "," is the secondary
// stress mark ˌ. Characters without a meaning in the notation pass unchanged.
QString phoneticToIpa(const QString& field);

} // namespace lesnor
