#include "lesson_window/RecorderButtons.h"

#include "platform/DataFolder.h"
#include "platform/Services.h"
#include "resources/Installation.h"
#include "widgets/Controls.h"

#include <QDir>
#include <QFileDialog>

namespace lesnor {
namespace {

// The desktop's own dialog where there is one. Like the dialog it replaces, it neither
// asks before replacing a file nor checks the name: the ".wav" is added afterwards.
QString askWithFileDialog(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("保存"), QDir::homePath(),
                                        QStringLiteral("wav(*.wav)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace

RecorderButtons::RecorderButtons(Services& services, QWidget* window, CaptionLabel* record,
                                 CaptionLabel* playBack, CaptionLabel* saveAs,
                                 std::function<void(const QString&)> notice)
    : window_(window)
    , record_(record)
    , playBack_(playBack)
    , saveAs_(saveAs)
    , notice_(std::move(notice))
    , saveDialog_(askWithFileDialog)
    , recorder_(services.recorder, services.sound, services.files, *this,
                dataPath(DataFolder(), files::recording)) {}

void RecorderButtons::released(int index) {
    switch (index) {
    case 3:
        recorder_.recordButtonReleased();
        break;
    case 4:
        recorder_.playBack();
        break;
    case 5:
        recorder_.saveAs();
        break;
    default:
        break;
    }
}

QString RecorderButtons::recordCaption() const {
    return record_->text();
}

void RecorderButtons::setRecordCaption(const QString& caption) {
    record_->setText(caption);
}

void RecorderButtons::setPlayBackEnabled(bool enabled) {
    playBack_->setEnabled(enabled);
}

void RecorderButtons::setSaveAsEnabled(bool enabled) {
    saveAs_->setEnabled(enabled);
}

QString RecorderButtons::askSaveName() {
    return saveDialog_ ? saveDialog_(window_) : QString();
}

void RecorderButtons::showNotice(const QString& text) {
    if (notice_)
        notice_(text);
}

} // namespace lesnor
