#include "resources/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>

namespace lesnor {
namespace {

QString withSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool holdsProgramFiles(const QString& folder) {
    return QFileInfo(folder + QStringLiteral("语音库")).isDir() ||
           QFileInfo(folder + QStringLiteral("help.htm")).isFile();
}

} // namespace

QString findProgramFolder(const QString& executableFolder) {
    const QString own = withSlash(QDir::cleanPath(executableFolder));
    if (holdsProgramFiles(own))
        return own;
    const QString shared = withSlash(QDir::cleanPath(own + QStringLiteral("../share/lesnor")));
    if (holdsProgramFiles(shared))
        return shared;
    return own;
}

} // namespace lesnor
