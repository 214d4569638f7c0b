#include "dictionary/WordLookup.h"

#include "platform/Speech.h"

#include <array>

namespace lesnor {
namespace {

struct InflectionRule {
    const char* ending;
    int removed;
    const char* appended;
};

// Tried in this order; several rules share an ending ("ing": jumping, making, running).
constexpr std::array<InflectionRule, 19> kRules{{
    {"s", 1, ""},     // books → book
    {"d", 1, ""},     // liked → like
    {"es", 2, ""},    // boxes → box
    {"ed", 2, ""},    // walked → walk
    {"ies", 3, "y"},  // studies → study
    {"ied", 3, "y"},  // cried → cry
    {"ves", 3, "f"},  // halves → half
    {"er", 2, ""},    // taller → tall
    {"r", 1, ""},     // larger → large
    {"ier", 3, "y"},  // happier → happy
    {"est", 3, ""},   // tallest → tall
    {"st", 2, ""},    // largest → large
    {"iest", 4, "y"}, // happiest → happy
    {"ing", 3, ""},   // jumping → jump
    {"ing", 3, "e"},  // making → make
    {"ing", 4, ""},   // running → run
    {"er", 3, ""},    // fatter → fat
    {"est", 4, ""},   // hottest → hot
    {"ed", 3, ""},    // dropped → drop
}};

QString baseOf(const QString& word) {
    qsizetype from = 0;
    qsizetype to = word.size();
    while (from < to && word.at(from) == u' ')
        ++from;
    while (to > from && word.at(to - 1) == u' ')
        --to;
    return word.mid(from, to - from);
}

} // namespace

QStringList inflectionCandidates(const QString& base) {
    QStringList candidates;
    for (const InflectionRule& rule : kRules) {
        if (!base.endsWith(QLatin1String(rule.ending), Qt::CaseSensitive) || rule.removed > base.size())
            continue;
        candidates.append(base.left(base.size() - rule.removed) + QLatin1String(rule.appended));
    }
    return candidates;
}

std::optional<DictionaryEntry> lookUpWord(const DictionaryText& dictionary, const QString& word) {
    if (dictionary.isEmpty())
        return std::nullopt;
    const QString base = baseOf(word);
    qsizetype found = dictionary.find(base);
    if (found < 0) {
        for (const QString& candidate : inflectionCandidates(base)) {
            found = dictionary.find(candidate);
            if (found >= 0)
                break;
        }
    }
    if (found < 0)
        return std::nullopt;
    DictionaryEntry entry = dictionary.split(found);
    if (entry.headword.isEmpty())
        return std::nullopt;
    return entry;
}

WordLookup::WordLookup(ISpeech& speech, std::function<QString()> dictionaryPath)
    : speech_(speech)
    , dictionaryPath_(std::move(dictionaryPath)) {}

std::optional<DictionaryEntry> WordLookup::schword(const QString& word) {
    const DictionaryText dictionary = DictionaryText::read(dictionaryPath_());
    std::optional<DictionaryEntry> entry = lookUpWord(dictionary, word);
    if (entry)
        speech_.Speak(entry->headword, kSpeakFlags);
    return entry;
}

std::optional<DictionaryEntry> WordLookup::lookUpPointedWord(const QString& word) {
    std::optional<DictionaryEntry> entry = schword(word);
    if (entry)
        return entry;
    if (word.size() > 2 && word.endsWith(QLatin1String("'s"), Qt::CaseInsensitive))
        return schword(word.chopped(2));
    return std::nullopt;
}

} // namespace lesnor
