#include "startup/ProcessEnd.h"

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define LESNOR_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LESNOR_LEAK_CHECK 1
#endif
#endif

#ifdef LESNOR_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace lesnor {

void endProcessNow(int status) {
    std::fflush(nullptr);
#ifdef LESNOR_LEAK_CHECK
    // Ends the process with the sanitizer's exit code when something leaked.
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

} // namespace lesnor
