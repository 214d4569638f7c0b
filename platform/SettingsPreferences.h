#pragma once

#include "platform/Preferences.h"

#include <QSettings>

namespace lesnor {

// The preferences in the user's configuration folder (QSettings, INI format:
// ~/.config/lesnor/lesnor.ini), or in the file given. QSettings replaces the file whole
// on every sync, so a kill never leaves half a file. A file it cannot parse reads as
// empty, so every choice takes its default; the first choice stored replaces it.
class SettingsPreferences final : public IPreferences {
public:
    SettingsPreferences();
    explicit SettingsPreferences(const QString& path);

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;

private:
    QSettings settings_;
    bool readable_ = true;
};

} // namespace lesnor
