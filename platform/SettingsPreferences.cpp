#include "platform/SettingsPreferences.h"

namespace lesnor {

SettingsPreferences::SettingsPreferences()
    : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("lesnor"),
                QStringLiteral("lesnor")) {
    readable_ = settings_.status() == QSettings::NoError;
}

SettingsPreferences::SettingsPreferences(const QString& path)
    : settings_(path, QSettings::IniFormat) {
    readable_ = settings_.status() == QSettings::NoError;
}

QVariant SettingsPreferences::value(const QString& key) const {
    return readable_ ? settings_.value(key) : QVariant();
}

void SettingsPreferences::setValue(const QString& key, const QVariant& value) {
    if (!readable_) {
        // What could not be read is not kept: the choices start again from here.
        settings_.clear();
        readable_ = true;
    }
    settings_.setValue(key, value);
    settings_.sync();
}

} // namespace lesnor
