#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace lesnor {

// A key of the dictation window and the button (DictationController::Button) it presses.
struct DictationKey {
    QKeySequence key;
    int button;
};

// The dictation window's keys, the one place they are written down: Ctrl+Enter answer,
// Ctrl+R or F5 read again, Alt+→ / Alt+← next / previous sentence.
const QList<DictationKey>& dictationKeys();

// The tool tip (Chinese) of the dictation window's button `index`
// (DictationController::Button): what it does, and its keys where it has them
// ("答案…（Ctrl+Enter）"); "" for any other index.
QString dictationButtonTip(int index);

} // namespace lesnor
