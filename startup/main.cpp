#include "startup/StartUp.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (!lesnor::hasDisplay()) {
        std::fprintf(stderr, "lesnor: no display to open a window on (DISPLAY is not set); "
                             "start it on a desktop, or under a virtual one: xvfb-run -a build/lesnor\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lesnor"));
    return lesnor::StartUp(app);
}
