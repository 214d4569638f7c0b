#pragma once

#include <QByteArray>
#include <QString>

namespace lesnor {

// Builds the carried dictionary file from two lists of records, one record a line in
// the record form "$headword[phonetic]meaning":
//   base       code page 936, the bulk of the dictionary;
//   additions  UTF-8, the project's own records; blank lines and lines starting with
//              "#" are comments.
// The order rule (lookups take the first record whose headword matches, case ignored):
// the built file holds every headword once. An addition whose headword is in the base
// (case ignored) takes that record's place, so an addition corrects an entry; other
// additions follow the base records in their own order. A base headword that repeats
// keeps its first record. A headword given twice among the additions, a line that is
// no record (no "$" first, no "[" and "]" after the headword, a "$" inside, an empty
// headword) or text outside code page 936 is an error: the result is empty and
// `error` names the file's line.
//
// The result: all records on one line, the end marker "$", CR LF and two NUL bytes.
QByteArray buildDictionary(const QByteArray& base, const QByteArray& additions, QString* error);

} // namespace lesnor
