#include "platform/SilentSpeech.h"

namespace lesnor {

void SilentSpeech::Register(const QString& site, const QString& app) {
    (void)site;
    (void)app;
}

void SilentSpeech::Speak(const QString& text, int flags) {
    (void)text;
    (void)flags;
}

} // namespace lesnor
