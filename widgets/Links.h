#pragma once

#include <QString>

namespace lesnor {

class IFileOps;

// The project's web site: the one place its addresses are written down.
namespace links {
inline const QString homePage = QStringLiteral("https://lesnor.org/");
inline const QString onlineHelpPage = QStringLiteral("https://lesnor.org/help.htm");
inline const QString helpFileName = QStringLiteral("help.htm");
// What the windows' notice line says when the desktop could not open a page.
inline const QString notOpened = QStringLiteral("无法打开网页：没有找到可用的浏览器");
} // namespace links

// The help page to open. The program ships its help as "help.htm" beside the
// executable, so help works offline and always matches the installed version: that
// local copy is opened (as a file URL) whenever it is there; without it, the same page
// on the web site.
QString helpPageAddress(const QString& programFolder, const IFileOps& files);

} // namespace lesnor
