#pragma once

#include "platform/Shell.h"

namespace lesnor {

// Opens addresses with the desktop's default handler. Where xdg-open is installed it
// does the opening, so a missing browser or handler is seen: xdg-open then ends with a
// failure status at once. One that is still running after a moment (some handlers
// stay in the foreground while the page is open) counts as opened and is left running.
// Without xdg-open, Qt's own way (which can only tell that nothing could be started).
class DesktopShell final : public IShell {
public:
    bool openUrl(const QString& address) override;

    // How long openUrl() waits for xdg-open's verdict.
    static constexpr int verdictWaitMs = 1500;
};

} // namespace lesnor
