#include "platform/SetUpGate.h"

#include <condition_variable>
#include <mutex>

namespace lesnor {
namespace {

struct Gate {
    std::mutex mutex;
    std::condition_variable released;
    bool held = false;
};

Gate& gate() {
    static Gate g;
    return g;
}

} // namespace

void holdSetUp() {
    std::lock_guard lock(gate().mutex);
    gate().held = true;
}

void releaseSetUp() {
    {
        std::lock_guard lock(gate().mutex);
        if (!gate().held)
            return;
        gate().held = false;
    }
    gate().released.notify_all();
}

void awaitSetUpRelease() {
    std::unique_lock lock(gate().mutex);
    gate().released.wait(lock, [] { return !gate().held; });
}

} // namespace lesnor
