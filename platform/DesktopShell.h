#pragma once

#include "platform/Shell.h"

namespace lesnor {

// Opens addresses with the desktop's default handler (xdg-open and friends).
class DesktopShell final : public IShell {
public:
    bool openUrl(const QString& address) override;
};

} // namespace lesnor
