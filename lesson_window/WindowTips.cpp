#include "lesson_window/WindowTips.h"

#include <QStringList>
#include <iterator>

namespace lesnor {
namespace {

// "text（key）", keys parted by "、".
QString withKeys(const char* text, const QList<QKeySequence>& list) {
    QStringList shown;
    for (const QKeySequence& key : list)
        shown << key.toString(QKeySequence::NativeText);
    return QStringLiteral("%1（%2）").arg(QString::fromUtf8(text), shown.join(QStringLiteral("、")));
}

QString withKey(const char* text, const QKeySequence& key) {
    return withKeys(text, {key});
}

QString fromTable(const QString* table, int size, int index) {
    return index >= 0 && index < size ? table[index] : QString();
}

} // namespace

QString commandTip(int index) {
    const QString tips[] = {
        QString(),
        withKey("从第一句开始连续朗读整篇课文", keys::readLesson) + QStringLiteral("；") +
            withKey("从当前这一句读起", keys::readOn),
        withKey("停止连续朗读或单句循环", keys::stop) + QStringLiteral("；") +
            withKey("暂停、继续朗读", keys::holdReading),
        QStringLiteral("打开听写练习窗口"),
        withKey("打开使用帮助", keys::help),
        QStringLiteral("在浏览器中打开 Lesnor 项目主页"),
    };
    return fromTable(tips, int(std::size(tips)), index);
}

QString toolbarTip(int index) {
    const QString tips[] = {
        withKeys("移到上一句并显示它（不发声）", keys::previousSentence),
        withKeys("移到下一句并显示它（不发声）", keys::nextSentence),
        withKey("朗读当前这一句", keys::readSentence),
        QStringLiteral("录下自己的朗读；再按一次（停止录音）结束"),
        QStringLiteral("播放自己的录音"),
        QStringLiteral("把自己的录音另存为 WAV 文件"),
    };
    return fromTable(tips, int(std::size(tips)), index);
}

} // namespace lesnor
