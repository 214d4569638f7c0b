#pragma once

class QApplication;

namespace lesnor {

// False when no window system is reachable (no DISPLAY or WAYLAND_DISPLAY and no
// explicit QT_QPA_PLATFORM): the program then says so instead of aborting in Qt.
bool hasDisplay();

// The program's entry: fixes the folders, installs the carried data files, adds the
// phonetic font, prepares the voice and opens the lesson window, then runs the event
// loop until ShutDown ends the process. Every step goes on when an earlier one failed.
int StartUp(QApplication& app);

} // namespace lesnor
