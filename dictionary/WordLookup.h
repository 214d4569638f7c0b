#pragma once

#include "dictionary/DictionaryFile.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace lesnor {

class ISpeech;

// The flags value the lookup hands to the voice with every headword.
inline constexpr int kSpeakFlags = 144;

// The candidates a lookup searches after the base itself, in the order of the 19
// inflection rules (books → book, studies → study, running → run, ...). Each rule
// works on the base, compares its ending exactly (case-sensitive) and is skipped when
// it does not apply or would remove more characters than the base has.
QStringList inflectionCandidates(const QString& base);

// The dictionary lookup: the base (the word without leading and trailing spaces, and
// only spaces), then its inflection candidates, the first one found wins. Nothing when
// no candidate is found or the found record has an empty headword (it could not be
// bounded). At most 20 searches.
std::optional<DictionaryEntry> lookUpWord(const DictionaryText& dictionary, const QString& word);

// Looks words up for a window: reads the dictionary file anew on every call (nothing is
// cached, so a changed file is seen at once), and has every headword found spoken.
class WordLookup {
public:
    WordLookup(ISpeech& speech, std::function<QString()> dictionaryPath);

    // Reads the file, looks the word up and, on success, speaks the headword (flags
    // 144) and returns the entry; otherwise says nothing and returns nothing. A missing
    // or unreadable file, an empty word or any byte salad finds nothing.
    std::optional<DictionaryEntry> schword(const QString& word);

    // schword for a word taken from a text: a possessive that is not a headword itself
    // ("grandfather's") is looked up once more without its "'s".
    std::optional<DictionaryEntry> lookUpPointedWord(const QString& word);

private:
    ISpeech& speech_;
    std::function<QString()> dictionaryPath_;
};

} // namespace lesnor
