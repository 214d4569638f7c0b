#include "dictation_window/DictationLauncher.h"

#include "dictation_window/Form2.h"
#include "lesson_window/Form1.h"
#include "platform/MediaPlayer.h"
#include "playback/SentenceController.h"

#include <utility>

namespace lesnor {

DictationLauncher::DictationLauncher(Form1& lessonWindow, Services& services, QObject* parent)
    : QObject(parent)
    , form1_(lessonWindow)
    , services_(services) {
    connect(&form1_, &Form1::dictationRequested, this, &DictationLauncher::open);
}

Form2* DictationLauncher::window() const {
    return form2_;
}

void DictationLauncher::open() {
    if (form2_) {
        form2_->raise();
        form2_->activateWindow();
        return;
    }
    form1_.controller().endPlayback();
    lessonWindowUrl_ = services_.player.url();
    form2_ = new Form2(services_);
    connect(form2_, &Form2::leftWithSummary, this, [this](const QString& text) { summary_ = text; });
    connect(form2_, &Form2::closed, this, &DictationLauncher::dictationClosed);
    form2_->Form_Load();
    emit opened(form2_);
    form2_->show();
    form2_->activateWindow();
    form1_.hide();
}

// Runs while the dictation window closes, before it is hidden: the lesson window is
// visible again by then.
void DictationLauncher::dictationClosed() {
    IMediaPlayer& player = services_.player;
    if (player.url() != lessonWindowUrl_) {
        player.close();
        player.setUrl(lessonWindowUrl_);
    }
    player.stop();
    form1_.watchOutputTrouble();
    form1_.show();
    form1_.activateWindow();
    // What the learner did there, on the lesson window's notice line.
    if (!summary_.isEmpty())
        form1_.showNotice(std::exchange(summary_, QString()));
}

} // namespace lesnor
