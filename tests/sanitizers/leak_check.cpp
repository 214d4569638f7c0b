// The sanitizer build's leak check sees our own leaks and nothing of the phonetic font's
// registration. "clean": the font is added and the check runs: nothing is reported.
// "leak": the same, with one block of ours lost first: the check reports it by name.
#include "platform/LeakCheck.h"
#include "widgets/PhoneticFont.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace {

int* volatile g_block = nullptr;

[[gnu::noinline]] void loseABlockOfOurOwn() {
    g_block = new int[16]{1};
    g_block = nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString font =
        qEnvironmentVariable("LESNOR_SOURCE_DIR") + QStringLiteral("/resources/fonts/DejaVuSans.ttf");
    if (!lesnor::addPhoneticFont(font)) {
        std::fprintf(stderr, "cannot add %s\n", qPrintable(font));
        return 2;
    }
    if (argc > 1 && qstrcmp(argv[1], "leak") == 0)
        loseABlockOfOurOwn();
    std::fflush(nullptr);
    lesnor::checkLeaksNow();
    std::_Exit(0);
}
