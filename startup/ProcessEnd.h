#pragma once

namespace lesnor {

// Ends the process at once with `status`: the standard streams are flushed, no
// destructor, exit handler or further event runs. In the sanitizer build the leak check
// that would have run at a normal exit runs first, over everything the program still
// holds at that moment (`make test-asan`).
[[noreturn]] void endProcessNow(int status);

} // namespace lesnor
