#include "dictation_window/DictationTips.h"

#include "dictation_window/DictationController.h"

namespace lesnor {

QString dictationButtonTip(int index) {
    struct Tip {
        int button;
        const char* text;
    };
    static constexpr Tip tips[] = {
        {DictationController::Previous, "换到上一句并朗读它"},
        {DictationController::Next, "换到下一句并朗读它"},
        {DictationController::Read, "再听一遍当前这一句"},
        {DictationController::Answer, "在“核对答案”框中显示这一句的英文"},
        {DictationController::Exit, "关闭听写窗口，回到课文窗口"},
    };
    for (const Tip& tip : tips)
        if (tip.button == index)
            return QString::fromUtf8(tip.text);
    return {};
}

} // namespace lesnor
