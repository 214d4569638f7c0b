#pragma once

#include <QString>

namespace lesnor {

class IFileOps;
class IRecorder;
class IRecorderView;
class ISoundPlayer;

// The recorder's captions and command strings, byte for byte.
namespace recorder {
inline const QString idleCaption = QStringLiteral("● 录音");
inline const QString recordingCaption = QStringLiteral("停止录音");
inline const QString closeAll = QStringLiteral("close   all");
inline const QString open = QStringLiteral("open   new     type   WAVEAudio   alias   MyWav2");
inline const QString record = QStringLiteral("record   MyWav2");
inline const QString stop = QStringLiteral("stop   MyWav2   ");
inline const QString savePrefix = QStringLiteral("save   MyWav2     ");
} // namespace recorder

// The name a copy is saved under: the chosen name without leading blanks, with ".wav"
// appended unless it already ends in ".wav" (any case). "" for a name of blanks only.
QString saveAsTarget(const QString& chosen);

// Voice recording behind the toolbar's cells 3 to 5. One recording at a time lives in
// `recordingPath`; each new one replaces it when it is saved.
//
// States (the caption of `Label5`(3); the enabled flags of `Label5`(4) and (5)):
//   no recording yet   "● 录音"    off, off
//   recording          "停止录音"  off, off
//   recording kept     "● 录音"    on, on
// Start: the play back stops, "close   all" ends the recorder of an earlier recording,
// then open and record. Stop: stop, then save to `recordingPath`. A start or a save that
// fails is told through the notice line; the cells then show the state of the last good
// recording (and never claim a failed one exists). The file of the last good recording
// is kept until a new one is saved over it.
class VoiceRecorder {
public:
    VoiceRecorder(IRecorder& recorder, ISoundPlayer& player, IFileOps& files, IRecorderView& view,
                  QString recordingPath);

    // Release on `Label5`(3), (4), (5).
    void recordButtonReleased();
    void playBack();
    void saveAs();

    const QString& recordingPath() const { return recordingPath_; }

private:
    void start();
    void stop();
    void showRecordingKept(bool kept);
    // The folder the recording is written in.
    QString folder() const;

    IRecorder& recorder_;
    ISoundPlayer& player_;
    IFileOps& files_;
    IRecorderView& view_;
    QString recordingPath_;
    bool playBackPending_ = false; // a play back whose outcome is still to come
    bool kept_ = false;            // a good recording is in recordingPath_
};

} // namespace lesnor
