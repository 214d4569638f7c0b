#include "playback/VoiceRecorder.h"

#include "platform/FileOps.h"
#include "platform/Recorder.h"
#include "platform/SoundPlayer.h"
#include "playback/RecorderView.h"

#include <QFileInfo>
#include <utility>

namespace lesnor {
namespace {

const QString kCannotRecord = QStringLiteral("无法录音：没有找到可用的麦克风");
const QString kNotSaved = QStringLiteral("这次录音没有成功，请再录一次");
const QString kCannotPlay = QStringLiteral("无法回放录音");
const QString kPlaysUnheard = QStringLiteral("未找到声音设备，回放将无声");
// Room a recording needs to be worth starting: about ten seconds.
constexpr qint64 kRecordingRoom = 1 << 20;

QString cannotCopy(const QString& target) {
    return QStringLiteral("录音没有另存到 %1").arg(target);
}

} // namespace

QString saveAsTarget(const QString& chosen) {
    qsizetype start = 0;
    while (start < chosen.size() && chosen.at(start) == QLatin1Char(' '))
        ++start;
    const QString name = chosen.mid(start);
    if (name.trimmed().isEmpty())
        return QString();
    if (name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        return name;
    return name + QLatin1String(".wav");
}

VoiceRecorder::VoiceRecorder(IRecorder& recorder, ISoundPlayer& player, IFileOps& files, IRecorderView& view,
                             QString recordingPath)
    : recorder_(recorder)
    , player_(player)
    , files_(files)
    , view_(view)
    , recordingPath_(std::move(recordingPath)) {
    // The output a play back found is known only once it sounds.
    player_.setOutcomeHandler([this](ISoundPlayer::PlayOutcome outcome) {
        if (!std::exchange(playBackPending_, false))
            return; // another window's play
        if (outcome == ISoundPlayer::PlayOutcome::Failed)
            view_.showNotice(kCannotPlay);
        else if (outcome == ISoundPlayer::PlayOutcome::Unheard)
            view_.showNotice(kPlaysUnheard);
    });
}

void VoiceRecorder::recordButtonReleased() {
    if (view_.recordCaption() == recorder::idleCaption)
        start();
    else
        stop();
}

void VoiceRecorder::start() {
    view_.setRecordCaption(recorder::recordingCaption);
    view_.setPlayBackEnabled(false);
    view_.setSaveAsEnabled(false);
    // The play back would be heard in the new recording.
    player_.stop();
    recorder_.sendString(recorder::closeAll);
    const bool running = recorder_.sendString(recorder::open) == IRecorder::Ok &&
                         recorder_.sendString(recorder::record) == IRecorder::Ok;
    if (!running) {
        recorder_.sendString(recorder::closeAll);
        view_.setRecordCaption(recorder::idleCaption);
        showRecordingKept(kept_);
        // Without room for its file a recording fails too: say so, not "no microphone".
        const IFileOps::WriteProblem problem = files_.writeProblem(folder(), kRecordingRoom);
        view_.showNotice(problem == IFileOps::WriteProblem::None
                             ? kCannotRecord
                             : QStringLiteral("无法录音：") + describe(problem));
    }
}

void VoiceRecorder::stop() {
    showRecordingKept(true);
    view_.setRecordCaption(recorder::idleCaption);
    const bool stopped = recorder_.sendString(recorder::stop) == IRecorder::Ok;
    const bool saved = recorder_.sendString(recorder::savePrefix + recordingPath_) == IRecorder::Ok;
    if (stopped && saved) {
        kept_ = true;
        return;
    }
    // The file of the last good recording (if any) is still in place.
    showRecordingKept(kept_);
    const IFileOps::WriteProblem problem = files_.writeProblem(folder(), kRecordingRoom);
    view_.showNotice(problem == IFileOps::WriteProblem::None
                         ? kNotSaved
                         : QStringLiteral("录音没有保存：") + describe(problem));
}

QString VoiceRecorder::folder() const {
    return QFileInfo(recordingPath_).path();
}

void VoiceRecorder::showRecordingKept(bool kept) {
    view_.setPlayBackEnabled(kept);
    view_.setSaveAsEnabled(kept);
}

void VoiceRecorder::playBack() {
    playBackPending_ = true;
    if (!player_.play(recordingPath_)) {
        playBackPending_ = false;
        view_.showNotice(kCannotPlay);
    }
}

void VoiceRecorder::saveAs() {
    const QString target = saveAsTarget(view_.askSaveName());
    if (target.isEmpty())
        return;
    if (!files_.copyFile(recordingPath_, target))
        view_.showNotice(cannotCopy(target));
}

} // namespace lesnor
