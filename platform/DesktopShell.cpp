#include "platform/DesktopShell.h"

#include <QDesktopServices>
#include <QUrl>

namespace lesnor {

bool DesktopShell::openUrl(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace lesnor
