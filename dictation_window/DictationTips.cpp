#include "dictation_window/DictationTips.h"

#include "dictation_window/DictationController.h"

#include <QStringList>

namespace lesnor {
namespace {

// As a learner reads it on the keyboard: "Enter" for Return, arrows for Left and Right.
QString keyText(const QKeySequence& key) {
    QString text = key.toString(QKeySequence::NativeText);
    text.replace(QLatin1String("Return"), QLatin1String("Enter"));
    text.replace(QLatin1String("Right"), QStringLiteral("→"));
    text.replace(QLatin1String("Left"), QStringLiteral("←"));
    return text;
}

} // namespace

const QList<DictationKey>& dictationKeys() {
    static const QList<DictationKey> keys = {
        {QKeySequence(Qt::CTRL | Qt::Key_Return), DictationController::Answer},
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), DictationController::Answer},
        {QKeySequence(Qt::CTRL | Qt::Key_R), DictationController::Read},
        {QKeySequence(Qt::Key_F5), DictationController::Read},
        {QKeySequence(Qt::ALT | Qt::Key_Right), DictationController::Next},
        {QKeySequence(Qt::ALT | Qt::Key_Left), DictationController::Previous},
    };
    return keys;
}

QString dictationButtonTip(int index) {
    struct Tip {
        int button;
        const char* text;
    };
    static constexpr Tip tips[] = {
        {DictationController::Previous, "换到上一句并朗读它"},
        {DictationController::Next, "换到下一句并朗读它"},
        {DictationController::Read, "再听一遍当前这一句"},
        {DictationController::Answer, "显示这一句的英文，并在输入框中标出写错、漏写和多写的词"},
        {DictationController::Exit, "关闭听写窗口，回到课文窗口"},
    };
    for (const Tip& tip : tips) {
        if (tip.button != index)
            continue;
        QStringList shown;
        for (const DictationKey& k : dictationKeys())
            if (k.button == index && !shown.contains(keyText(k.key)))
                shown << keyText(k.key);
        const QString text = QString::fromUtf8(tip.text);
        return shown.isEmpty() ? text
                               : QStringLiteral("%1（%2）").arg(text, shown.join(QStringLiteral(" 或 ")));
    }
    return {};
}

} // namespace lesnor
