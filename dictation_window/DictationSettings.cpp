#include "dictation_window/DictationSettings.h"

#include "platform/Preferences.h"

namespace lesnor {
namespace {

struct Flag {
    const char* key;
    bool answers::Options::*member;
};
constexpr Flag kFlags[] = {
    {"dictation/ignoreCase", &answers::Options::ignoreCase},
    {"dictation/ignorePunctuation", &answers::Options::ignorePunctuation},
    {"dictation/sameQuotes", &answers::Options::sameQuotes},
    {"dictation/contractions", &answers::Options::contractions},
};
const char* const kTranslationShown = "dictation/translationShown";

bool flag(const IPreferences& preferences, const char* key, bool fallback) {
    const QVariant v = preferences.value(QLatin1String(key));
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    const QString text = v.toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return fallback;
}

} // namespace

answers::Options loadAnswerOptions(const IPreferences& preferences) {
    answers::Options options;
    for (const Flag& f : kFlags)
        options.*f.member = flag(preferences, f.key, options.*f.member);
    return options;
}

void saveAnswerOptions(IPreferences& preferences, const answers::Options& options) {
    for (const Flag& f : kFlags)
        preferences.setValue(QLatin1String(f.key), options.*f.member);
}

bool loadTranslationShown(const IPreferences& preferences) {
    return flag(preferences, kTranslationShown, true);
}

void saveTranslationShown(IPreferences& preferences, bool shown) {
    preferences.setValue(QLatin1String(kTranslationShown), shown);
}

} // namespace lesnor
