#pragma once

#include "answers/AnswerComparison.h"

namespace lesnor {

class IPreferences;

// The dictation window's remembered choices: the comparison options and whether the
// translation shows. A value missing or not a yes/no reads as the default (every
// tolerance on, the translation shown).
answers::Options loadAnswerOptions(const IPreferences& preferences);
void saveAnswerOptions(IPreferences& preferences, const answers::Options& options);
bool loadTranslationShown(const IPreferences& preferences);
void saveTranslationShown(IPreferences& preferences, bool shown);

} // namespace lesnor
