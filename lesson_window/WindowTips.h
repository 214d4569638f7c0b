#pragma once

#include <QKeySequence>
#include <QList>
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
// The practice menu's keys (letters without a modifier are commands, whichever control
// has the focus). Each list's first key is the one shown.
inline const QList<QKeySequence> previousSentence{QKeySequence(Qt::CTRL | Qt::Key_Left),
                                                  QKeySequence(Qt::ALT | Qt::Key_Left)};
inline const QList<QKeySequence> nextSentence{QKeySequence(Qt::CTRL | Qt::Key_Right),
                                              QKeySequence(Qt::ALT | Qt::Key_Right)};
inline const QKeySequence readSentence{Qt::Key_R};        // 朗 读
inline const QKeySequence readLesson{Qt::Key_F5};         // 朗读
inline const QKeySequence readOn{Qt::SHIFT | Qt::Key_F5}; // from the current sentence
inline const QKeySequence holdReading{Qt::Key_Space};
inline const QKeySequence stop{Qt::Key_Escape};
inline const QKeySequence loop{Qt::Key_L};
inline const QKeySequence slower{Qt::Key_BracketLeft};
inline const QKeySequence faster{Qt::Key_BracketRight};
inline const QKeySequence normalSpeed{Qt::Key_Backspace};
inline const QKeySequence pauseToRepeat{Qt::Key_P};
inline const QKeySequence listenFirst{Qt::Key_H};
inline const QKeySequence reveal{Qt::Key_V};
inline const QKeySequence speak{Qt::Key_S}; // 跟读对比
inline const QList<QKeySequence> largerText{QKeySequence(Qt::CTRL | Qt::Key_Equal),
                                            QKeySequence(Qt::CTRL | Qt::Key_Plus)};
inline const QKeySequence smallerText{Qt::CTRL | Qt::Key_Minus};
inline const QKeySequence normalText{Qt::CTRL | Qt::Key_0};
} // namespace keys

// The tool tips (Chinese) of the command bar's cells `Picture7`(1..5) and of the
// sentence toolbar's buttons `Picture4`(0..5): what the button does, and its key where
// it has one. "" outside those ranges.
QString commandTip(int index);
QString toolbarTip(int index);

} // namespace lesnor
