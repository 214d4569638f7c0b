// The sanitizer build's leak check, with the suite's suppressions, sees our own leaks:
// "clean": the phonetic font is added (fontconfig's reports are suppressed) and the check
// runs: nothing is reported. "leak": the same, with one block of ours lost first: the
// check reports it by name.
#include "widgets/PhoneticFont.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/lsan_interface.h>

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
    __lsan_do_leak_check();
    std::_Exit(0);
}
