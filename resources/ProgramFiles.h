#pragma once

#include <QString>

namespace lesnor {

// The folder the program's own files (the "语音库" recordings and help.htm) are read
// from, ending in "/", for an executable in `executableFolder`:
// - the executable's own folder when it holds them (a build folder, a portable copy);
// - else `<prefix>/share/lesnor/` when the executable lies in `<prefix>/bin` of an
//   installation that has that folder;
// - else the executable's own folder (the lessons then have no recordings).
// Found from the executable's location only, never from a fixed path.
QString findProgramFolder(const QString& executableFolder);

} // namespace lesnor
