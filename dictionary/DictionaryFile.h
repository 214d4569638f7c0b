#pragma once

#include <QByteArray>
#include <QString>

namespace lesnor {

// One dictionary entry as the pop-up shows it.
struct DictionaryEntry {
    QString headword;      // as stored, in its own letter case
    QString phonetic;      // the display text for the phonetic font (convertPhonetic)
    QString meaning;       // everything after the record's first "]", unchanged
    QString phoneticField; // the transcription as stored, in the file's ASCII notation

    // The transcription in Unicode phonetic symbols (phoneticToIpa).
    QString phoneticIpa() const;
};

// The record stream of a dictionary file ("mswrd.wd", code page 936): every record on
// one line, each "$" headword "[" phonetic "]" meaning, then a lone "$" as end marker,
// CR LF and two NUL bytes. Only the line is kept: the bytes up to the first CR or LF.
//
// Records are found on the bytes: "$" (0x24) is never part of a two-byte character, so
// every "$" byte starts a record, and a key compared byte for byte from there compares
// whole characters. ASCII letters compare without regard to case; other characters
// exactly (code page 936 has no case pairs among the characters headwords use).
class DictionaryText {
public:
    DictionaryText() = default;
    explicit DictionaryText(QByteArray bytes);

    // The file read anew. A missing or unreadable file gives an empty text (`readable`,
    // when given, tells which).
    static DictionaryText read(const QString& path, bool* readable = nullptr);

    bool isEmpty() const { return line_.isEmpty(); }
    const QByteArray& line() const { return line_; }

    // The byte offset of the "$" of the first record whose headword equals `candidate`
    // (case ignored as above), that is the first match of "$" + candidate + "["; -1 when
    // there is none. An empty candidate matches only a record with an empty headword.
    qsizetype find(const QString& candidate) const;

    // The record starting at `offset` (a "$"), bounded by the next "$". A record without
    // a following "$" (a file without its end marker) cannot be bounded: an empty entry.
    // Without a "]" after its "[" the phonetic is empty and the meaning is the rest.
    DictionaryEntry split(qsizetype offset) const;

private:
    QByteArray line_;
};

} // namespace lesnor
