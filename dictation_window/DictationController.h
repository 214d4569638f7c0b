#pragma once

#include "lessons/Lesson.h"
#include "lessons/LessonLoader.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace lesnor {

class IDictationView;
class IFileOps;
class IMediaPlayer;

// The dictation exercise: one lesson's sentences played one at a time on the lesson
// window's player, the answer shown on request. What the learner types is never read,
// compared or scored.
//
// As in the lesson window, the poll `Timer1` samples the player's position into
// `Text1`; every change runs the end test of the current sentence, which stops the
// player and the poll. Before every play() the player is also given the sentence's
// exact stop position. There is no continuous reading and no highlighting here.
//
// Invariants:
// - `DictationIndex` is 0 after every load and stays within the lesson, except -1 after
//   "下一句" in a lesson without sentences (count - 1).
// - The buttons 6, 1, 2 and 3 are enabled after a load exactly when the lesson's
//   recording could be given to the player.
class DictationController : public QObject {
    Q_OBJECT
public:
    // Indexes of the buttons in `Label5`.
    enum Button { Previous = 6, Next = 1, Read = 2, Answer = 3, Exit = 4 };

    DictationController(IMediaPlayer& player, IFileOps& files, IDictationView& view,
                        QObject* parent = nullptr);
    // The copy of the last lesson's recording goes with it (unless the lesson window
    // still has it).
    ~DictationController() override;

    const Lesson& lesson() const { return lesson_; }
    qint16 DictationIndex() const { return DictationIndex_; }
    // The path of the loaded lesson's stored recording; "" when none is loaded.
    const QString& DictationAudioFile() const { return lesson_.LessonAudioFile; }
    // True when the loaded lesson's recording is in the player.
    bool playable() const { return playable_; }
    const QString& Text1() const { return Text1_; }
    bool pollActive() const { return Timer1_.isActive(); }
    const QTimer& Timer1() const { return Timer1_; }

    // A node of the tree was chosen. `lesson` is the lesson read from the database, its
    // recording's copy to be made at `copyPath`; an empty Lesson (no caption) for a book
    // node, which unloads. Either way the boxes are emptied, the poll stops and the
    // player is closed, given the new copy (or no media) and left stopped. A lesson
    // makes sentence 0 current with its translation shown. Returns what became of the
    // recording's copy.
    LessonAudio loadLesson(const Lesson& lesson, const QString& copyPath);

    // The buttons: step on or back (emptying both boxes) and play the sentence; replay
    // it; show its English text exactly as stored.
    void nextSentence();
    void previousSentence();
    void readSentence();
    void showAnswer();

    // One sample of the poll: the position goes into `Text1`; a change runs the end test.
    void tick();

signals:
    // Sentence `DictationIndex` has been started on the player.
    void sentencePlayed(int i);

private:
    void playCurrent();
    void showTranslation();

    IMediaPlayer& player_;
    IFileOps& files_;
    IDictationView& view_;
    Lesson lesson_;
    qint16 DictationIndex_ = 0;
    bool playable_ = false;
    QString Text1_ = QStringLiteral("Text1");
    QTimer Timer1_{this};
};

} // namespace lesnor
