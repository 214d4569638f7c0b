#pragma once

#include <QString>

namespace lesnor {

// The tool tip (Chinese) of the dictation window's button `index`
// (DictationController::Button): what it does, and its keys where it has them; "" for
// any other index.
QString dictationButtonTip(int index);

} // namespace lesnor
