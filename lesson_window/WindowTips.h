#pragma once

#include <QKeySequence>
#include <QString>

namespace lesnor {

// The lesson window's keys, beside the menus' own mnemonics (Alt+F "文件(F)", Alt+H
// "帮助(H)"): the one place they are written down, for the menus and the tool tips.
namespace keys {
inline const QKeySequence help{Qt::Key_F1};           // 在线帮助
inline const QKeySequence quit{Qt::CTRL | Qt::Key_Q}; // 退出
inline const QKeySequence menuBar{Qt::Key_F10};       // opens the first menu

// The learner's record: "继续上次的课文(&R)" in "文件(&F)", "生词本" in "练习(&P)".
inline const QKeySequence resume{Qt::CTRL | Qt::SHIFT | Qt::Key_R};
inline const QKeySequence notebook{Qt::CTRL | Qt::Key_B};
} // namespace keys

// The tool tips (Chinese) of the command bar's cells `Picture7`(1..5) and of the
// sentence toolbar's buttons `Picture4`(0..5): what the button does, and its key where
// it has one. "" outside those ranges.
QString commandTip(int index);
QString toolbarTip(int index);

} // namespace lesnor
