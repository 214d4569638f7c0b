#pragma once

#include <QString>

namespace lesnor {

// Opens a web address or local page with the user's default handler.
class IShell {
public:
    virtual ~IShell() = default;
    virtual bool openUrl(const QString& address) = 0;
};

} // namespace lesnor
