#include "lesson_window/WindowTips.h"

#include <iterator>

namespace lesnor {
namespace {

QString withKey(const char* text, const QKeySequence& key) {
    return QStringLiteral("%1（%2）").arg(QString::fromUtf8(text), key.toString(QKeySequence::NativeText));
}

QString fromTable(const char* const* table, int size, int index) {
    return index >= 0 && index < size ? QString::fromUtf8(table[index]) : QString();
}

} // namespace

QString commandTip(int index) {
    if (index == 4)
        return withKey("打开使用帮助", keys::help);
    static const char* const tips[] = {
        "", "从第一句开始连续朗读整篇课文",   "停止连续朗读", "打开听写练习窗口",
        "", "在浏览器中打开 Lesnor 项目主页",
    };
    return fromTable(tips, int(std::size(tips)), index);
}

QString toolbarTip(int index) {
    static const char* const tips[] = {
        "移到上一句并显示它（不发声）",
        "移到下一句并显示它（不发声）",
        "朗读当前这一句",
        "录下自己的朗读；再按一次（停止录音）结束",
        "播放自己的录音",
        "把自己的录音另存为 WAV 文件",
    };
    return fromTable(tips, int(std::size(tips)), index);
}

} // namespace lesnor
