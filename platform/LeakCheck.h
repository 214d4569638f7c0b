#pragma once

// The leak checker of the sanitizer build (`make test-asan`); in any other build these
// do nothing.
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

// While one lives, what this thread allocates is left out of the leak check. Only around
// one call into a library that holds what it allocates where the checker cannot see it,
// with the reason beside it: everything else stays checked.
class LeakCheckPause {
public:
    LeakCheckPause() {
#ifdef LESNOR_LEAK_CHECK
        __lsan_disable();
#endif
    }
    ~LeakCheckPause() {
#ifdef LESNOR_LEAK_CHECK
        __lsan_enable();
#endif
    }
    LeakCheckPause(const LeakCheckPause&) = delete;
    LeakCheckPause& operator=(const LeakCheckPause&) = delete;
};

// Runs the leak check a normal exit would run, now: the process ends with the checker's
// exit code when something leaked.
inline void checkLeaksNow() {
#ifdef LESNOR_LEAK_CHECK
    __lsan_do_leak_check();
#endif
}

} // namespace lesnor
