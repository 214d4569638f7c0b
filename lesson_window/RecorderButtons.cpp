#include "lesson_window/RecorderButtons.h"

#include "platform/DataFolder.h"
#include "platform/Recorder.h"
#include "platform/RunningCopies.h"
#include "platform/Services.h"
#include "playback/LevelText.h"
#include "resources/Installation.h"
#include "widgets/Controls.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>

namespace lesnor {
namespace {

constexpr int kMeterMs = 100;

// The file list's "type" column, named from each name's suffix: Qt's own reads the start
// of every file in the folder on the window's thread to tell its type.
class TypeBySuffix final : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir())
            return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

// The desktop's own dialog where there is one. It asks before replacing a file, and a
// name typed without a suffix is checked with ".wav" added. A name with another suffix
// gets ".wav" added afterwards (saveAsTarget): that name is asked about here; a "no"
// opens the dialog again.
QString askWithFileDialog(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("保存"), QDir::homePath(), QStringLiteral("wav(*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    static TypeBySuffix types;
    dialog.setIconProvider(&types);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return QString();
        const QString chosen = dialog.selectedFiles().value(0);
        const QString target = saveAsTarget(chosen);
        if (target == chosen || !QFileInfo::exists(target) ||
            QMessageBox::warning(
                parent, QStringLiteral("保存"),
                QStringLiteral("%1 已存在。\n要替换它吗？").arg(QFileInfo(target).fileName()),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
            return chosen;
    }
}

} // namespace

RecorderButtons::RecorderButtons(Services& services, QWidget* window, CaptionLabel* record,
                                 CaptionLabel* playBack, CaptionLabel* saveAs,
                                 std::function<void(const QString&)> notice)
    : input_(services.recorder)
    , window_(window)
    , record_(record)
    , playBack_(playBack)
    , saveAs_(saveAs)
    , notice_(std::move(notice))
    , saveDialog_(askWithFileDialog)
    , recorder_(services.recorder, services.sound, services.files, *this,
                dataPath(DataFolder(), recordingName())) {
    meter_.setInterval(kMeterMs);
    QObject::connect(&meter_, &QTimer::timeout, [this] { showLevel(); });
}

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
    if (caption == recorder::recordingCaption)
        meter_.start();
    else
        meter_.stop();
}

void RecorderButtons::showLevel() {
    const InputLevel level = input_.inputLevel();
    if (level.recording)
        showNotice(levelLine(QStringLiteral("● 录音中"), level.levelDb, level.seconds));
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
