#include "widgets/Links.h"

#include "platform/FileOps.h"

#include <QDir>
#include <QUrl>

namespace lesnor {

QString helpPageAddress(const QString& programFolder, const IFileOps& files) {
    if (!programFolder.isEmpty()) {
        const QString local = QDir(programFolder).filePath(links::helpFileName);
        if (files.isPlainFile(local))
            return QUrl::fromLocalFile(local).toString();
    }
    return links::onlineHelpPage;
}

} // namespace lesnor
