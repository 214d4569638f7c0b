#include "startup/ProcessEnd.h"

#include "platform/LeakCheck.h"

#include <cstdio>
#include <cstdlib>

namespace lesnor {

void endProcessNow(int status) {
    std::fflush(nullptr);
    checkLeaksNow();
    std::_Exit(status);
}

} // namespace lesnor
