#pragma once

#include "lessons/Lesson.h"
#include "playback/ReadingSteps.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace lesnor {

class ILessonView;
class IMediaPlayer;

// Plays the lesson recording sentence by sentence and keeps the lesson window's
// highlight in step with it.
//
// There are no media events: the poll `Timer1` samples the player's position into the
// text `Text1`, and every change of that text runs the end test (the current sentence
// stops at the first sample strictly above its end time) and, while reading the whole
// lesson, the end-of-lesson test. Between two sentences of continuous reading the player
// rests for one second on a single-shot timer; the window stays responsive meanwhile, and
// the stop command or a lesson load cancels the pending next sentence.
//
// Invariants:
// - `SentenceIndex` is -1 or the index of the current sentence; `ContinuousRead` is true
//   exactly while the whole lesson is being read.
// - At most one range of `r1` is red: the current sentence's own character range, so a
//   sentence repeated verbatim lights up where it stands.
// - Every play() is preceded by setStopPosition(): just past the sentence's end time, or
//   cleared for a sentence without one (it plays to the end of the recording).
class SentenceController : public QObject {
    Q_OBJECT
public:
    static constexpr int pauseMilliseconds = 1000;

    SentenceController(IMediaPlayer& player, ILessonView& view, QObject* parent = nullptr);

    const Lesson& lesson() const { return lesson_; }
    qint16 SentenceIndex() const { return SentenceIndex_; }
    bool ContinuousRead() const { return ContinuousRead_; }
    // The last sampled position as text; "0" before the first sample.
    const QString& Text1() const { return Text1_; }
    bool pollActive() const { return Timer1_.isActive(); }
    // The poll timer itself, a child of this object named "Timer1". It runs only while
    // the player plays, at the intervals of PollSchedule.
    const QTimer& Timer1() const { return Timer1_; }
    bool pausePending() const { return pause_.isActive(); }
    // The rest before the next play (between sentences, or before a repeat).
    const QTimer& pauseTimer() const { return pause_; }

    // What follows each sentence's end (none: one play alone, one second's rest between
    // the sentences of the reading). Not owned; must outlive this controller or be unset.
    // With steps that replay a sentence played alone, the stop cell is enabled while it
    // repeats, and the stop command (endPlayback()) ends the repeats.
    void setReadingSteps(const IReadingSteps* steps) { steps_ = steps; }
    // How many times the current sentence has started in a row (0 before any).
    int plays() const { return plays_; }

    // A lesson has been put into the window (or the window emptied): nothing is current,
    // nothing reads, the poll is off, a pending next sentence is dropped, the stop cell
    // is disabled and "上一句"/"下一句" are enabled. The read cell is the window's to set.
    void lessonLoaded(const Lesson& lesson);

    // The operations the window's handlers share. ClearHighlight() returns the range the
    // last highlight coloured to teal; HighlightSentence(i) colours sentence i's own range
    // red (callers clear first), puts the caret just after it and shows its texts, which
    // are "" for an index outside the lesson. PlaySentence(i) also starts it playing.
    void ClearHighlight();
    void HighlightSentence(int i);
    void PlaySentence(int i);
    void ResetReading();

    // Command bar: read the whole lesson from sentence 0; stop that reading.
    void readLesson();
    void stopReading();
    // Reads the lesson on from sentence `i` (the first for an index outside it), as
    // readLesson() does from the first. Does nothing while the lesson is being read.
    void readLessonFrom(int i);
    // Holds the whole-lesson reading where it is: the sound stops, the highlight and the
    // reading state stay; resumeReading() plays the held sentence again from its start
    // and reads on. Both do nothing when there is nothing to hold or resume.
    void holdReading();
    void resumeReading();
    bool readingHeld() const { return held_; }
    // Ends whatever plays now, before another window takes the player over: continuous
    // reading as the stop command does; a single sentence as its own end would (it stays
    // current), with its pending repeats; the poll is off either way.
    void endPlayback();

    // Sentence toolbar `Label5`(0), (1) and (2): step back, step on (neither plays), and
    // read the current sentence. All three do nothing during continuous reading. A step
    // ends the repeats of the sentence played before.
    void previousSentence();
    void nextSentence();
    void readSentence();

    // A left-button click in `r1` left the caret at `documentPosition`: the sentence
    // whose paragraph holds it plays. Ignored during continuous reading and on the empty
    // lines between and below the sentences.
    void sentenceClicked(int documentPosition);

    // Makes sentence i current as a step to it does, without playing it: highlighted,
    // its texts shown, the caret after it in view. Ignored during continuous reading and
    // for an index outside the lesson.
    void showSentence(int i);

    // One sample of the poll: the player's position goes into `Text1`; a change runs the
    // end test and the end-of-lesson test.
    void tick();
    // Ends the pause between two sentences now (what the pause timer does when it
    // fires): the next sentence plays. Does nothing when no pause is pending.
    void endPause();

signals:
    // Sentence i (within the lesson) has become the highlighted one.
    void sentenceShown(int i);
    // Sentence i has been started on the player.
    void sentencePlayed(int i);

private:
    void Text1Changed();
    // The current sentence has ended: what the steps say follows.
    void sentenceEnded();
    void nextAfterPause();
    // What the steps say follows the current sentence's `plays`-th play.
    IReadingSteps::After after(int plays, bool continuous) const;
    // A sentence played alone that will repeat enables the stop cell; endRepeats() gives
    // it back to its plain rule (only the reading enables it).
    void startRepeats();
    void endRepeats();
    // A step to another sentence: what was pending for the last one is dropped.
    void endStep();
    // Poll on, stop position, seek to the start time, play.
    void startSentence(int i);
    void startPoll(int i);
    // The stop position and the seek to sentence i's start.
    void cueSentence(int i);
    // `r2`, `Label9`, `Label10` and `Label8` for sentence i ("" outside the lists).
    void showSentenceTexts(int i);

    IMediaPlayer& player_;
    ILessonView& view_;
    Lesson lesson_;
    qint16 SentenceIndex_ = -1;
    bool ContinuousRead_ = false;
    QString Text1_ = QStringLiteral("0");
    // Children of this object, so the window that owns it finds them by name.
    QTimer Timer1_{this};
    QTimer pause_{this};
    const IReadingSteps* steps_ = nullptr;
    int plays_ = 0;
    // The pending pause replays the current sentence instead of moving on.
    bool replayPending_ = false;
    // The sentence played may repeat; a step to another sentence ends that.
    bool repeatable_ = false;
    // The stop cell is enabled for the repeats of a sentence played alone.
    bool repeating_ = false;
    bool held_ = false;
    // The range of `r1` coloured red by the last highlight; length -1 when none is.
    int highlightStart_ = 0;
    int highlightLength_ = -1;
};

} // namespace lesnor
