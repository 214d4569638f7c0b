#pragma once

#include <QList>
#include <QString>

namespace lesnor::answers {

// How tolerant the comparison is. Whatever these say, full-width letters, digits,
// blanks and punctuation (as a Chinese input method types them) count as their ASCII
// twins, and a run of blanks counts as one.
struct Options {
    bool ignoreCase = true;
    bool ignorePunctuation = true;
    bool sameQuotes = true;   // ’ ‘ ` count as ', “ ” as "
    bool contractions = true; // "isn't" = "is not", "I'm" = "I am", "cannot" = "can not"
    bool operator==(const Options&) const = default;
};

enum class Verdict { Right, Slip, Wrong, Extra, Missing };

// A word of the typed text and how it compares (never Missing).
struct TypedWord {
    int start = 0; // in the typed text
    int length = 0;
    Verdict verdict = Verdict::Right;
    QList<int> wrongLetters; // a Slip's letters at fault, as positions in the typed text
};

// A word of the sentence that nothing typed stands for, and the place in the typed text
// where it belongs (after the typed word before it; 0 when none comes before).
struct MissingWord {
    int at = 0;
    QString text;
};

// A word of the sentence as stored (edge punctuation left off) and how it was typed
// (never Extra).
struct SentenceWord {
    QString text;
    Verdict verdict = Verdict::Right;
};

// The typed text marked against the sentence.
struct Marking {
    QList<TypedWord> typed;     // in typed order
    QList<MissingWord> missing; // in sentence order
    QList<SentenceWord> sentence;
    int right = 0;
    int slips = 0;
    int extra = 0; // typed words that stand for nothing in the sentence

    int words() const { return int(sentence.size()); }
    // (right + slips / 2) / (words + extra): extra words cost as much as missing ones,
    // so typing everything one can think of does not score. 1 when both are 0.
    double score() const;
    // "7/8 词正确 · 1 处拼写 · 得分 94%"; "" for a sentence without words.
    QString scoreLine() const;
};

// Aligns the typed words with the sentence's words (an edit distance over words: a gap
// costs 1, a slip 0.5, any other substitution 1 to 1.5 by how unlike the two are), then
// finds the wrong letters inside each slip (an edit distance over letters, a swap of two
// neighbours counting one). A slip is a word within one edit of the sentence's word of
// 3 to 9 letters, two of a longer one, or one differing only in case or punctuation.
// Typed words beyond four times the sentence's (plus 100) are extra without alignment,
// which bounds the work for any paste.
Marking compareAnswer(const QString& typed, const QString& sentence, const Options& options = {});

} // namespace lesnor::answers
