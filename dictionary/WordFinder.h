#pragma once

#include <QString>

namespace lesnor {

// Finding the word at a character of a text box, on the box's plain text and the
// index (from 0) of the character under the pointer (-1: none). Positions are plain
// integers: texts of any length work.

// The lesson text's finder: the run of word characters ("0"-"9", "a"-"z", "A"-"Z",
// "_") around the character at `index`. Anything else ends a word: apostrophe, hyphen,
// punctuation, blanks, every character outside ASCII. Empty when the character under
// the pointer is no word character.
QString RichWordOver(const QString& text, int index);

// The plain boxes' finder: works on the text as code page 936 bytes, between the
// delimiter bytes of IsDelimiter; the word is the run of non-delimiter bytes holding
// the character at `index` (a one-character word included). Leading and trailing
// characters that are neither letters nor digits ("!", ";", quotes, brackets, "/") are
// then trimmed, since no headword begins or ends with one: "Hello!" gives Hello. Empty
// when the pointer is over a delimiter or nothing is left.
QString GetWord(const QString& text, int index);

// The word list's finder: GetWord on the English part of the line under the pointer
// only, the part before its " /" (a line is "excuse /v.原谅"). The part-of-speech mark
// and the gloss look nothing up: "/a." is no word "a".
QString WordListWord(const QString& text, int index);

// True for the six delimiter bytes "," " " "." "?" CR LF. All are below 0x40, so none
// can be the second byte of a two-byte character.
bool IsDelimiter(char byte);

// Line `line` (from 0) of a plain text whose lines end in LF or CR LF, without its
// line break; empty past the last line.
QString GetLineText(const QString& text, int line);

} // namespace lesnor
