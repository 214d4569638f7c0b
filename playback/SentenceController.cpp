#include "playback/SentenceController.h"

#include "lessons/LenientNumber.h"
#include "platform/MediaPlayer.h"
#include "playback/LessonView.h"
#include "playback/PollSchedule.h"
#include "playback/ReadingSteps.h"
#include "playback/SentenceEnd.h"

#include <cmath>
#include <limits>

namespace lesnor {

namespace {

constexpr int lowestIndex = std::numeric_limits<qint16>::min();
constexpr int highestIndex = std::numeric_limits<qint16>::max();

// Sentence i's length in the recording; 0 for one without an end time.
double sentenceSeconds(const Lesson& lesson, int i) {
    const double end = sentenceEndTime(Lesson::at(lesson.List4, i));
    return end < 0.0 ? 0.0 : qMax(0.0, end - lenientNumber(Lesson::at(lesson.List3, i)));
}

} // namespace

SentenceController::SentenceController(IMediaPlayer& player, ILessonView& view, QObject* parent)
    : QObject(parent)
    , player_(player)
    , view_(view) {
    Timer1_.setObjectName(QStringLiteral("Timer1"));
    Timer1_.setInterval(1);
    Timer1_.setTimerType(Qt::PreciseTimer);
    connect(&Timer1_, &QTimer::timeout, this, &SentenceController::tick);
    pause_.setSingleShot(true);
    pause_.setInterval(pauseMilliseconds);
    pause_.setTimerType(Qt::PreciseTimer);
    connect(&pause_, &QTimer::timeout, this, &SentenceController::nextAfterPause);
}

void SentenceController::lessonLoaded(const Lesson& lesson) {
    pause_.stop();
    Timer1_.stop();
    lesson_ = lesson;
    SentenceIndex_ = -1;
    ContinuousRead_ = false;
    plays_ = 0;
    replayPending_ = repeatable_ = repeating_ = held_ = false;
    // The text that held the old highlight is gone with the old lesson.
    highlightLength_ = -1;
    view_.setStopCommandEnabled(false);
    view_.setToolbarButtonEnabled(0, true);
    view_.setToolbarButtonEnabled(1, true);
}

void SentenceController::ClearHighlight() {
    if (highlightLength_ < 0)
        return;
    view_.colourLessonText(highlightStart_, highlightLength_, ILessonView::TextColour::Teal);
    view_.setLessonCaret(highlightStart_);
    highlightLength_ = -1;
}

void SentenceController::HighlightSentence(int i) {
    if (i >= 0 && i < lesson_.count()) {
        const int start = lesson_.documentStart(i);
        const int length = int(lesson_.List1.at(i).size());
        view_.colourLessonText(start, length, ILessonView::TextColour::Red);
        view_.setLessonCaret(start + length);
        highlightStart_ = start;
        highlightLength_ = length;
    }
    showSentenceTexts(i);
    if (i >= 0 && i < lesson_.count())
        emit sentenceShown(i);
}

void SentenceController::showSentenceTexts(int i) {
    const QString english = Lesson::at(lesson_.List1, i);
    const QString chinese = Lesson::at(lesson_.List2, i);
    view_.setSentenceText(english);
    view_.setCaption(ILessonView::Caption::Label9, english);
    view_.setCaption(ILessonView::Caption::Label10, chinese);
    view_.setCaption(ILessonView::Caption::Label8, view_.translationShown() ? chinese : QString());
}

void SentenceController::PlaySentence(int i) {
    // A sentence chosen now supersedes one waiting for the end of a pause.
    pause_.stop();
    replayPending_ = false;
    ClearHighlight();
    SentenceIndex_ = qint16(i);
    HighlightSentence(i);
    plays_ = 0;
    repeatable_ = true;
    startSentence(i);
}

IReadingSteps::After SentenceController::after(int plays, bool continuous) const {
    if (!steps_)
        return {};
    return steps_->afterSentence(SentenceIndex_, plays, sentenceSeconds(lesson_, SentenceIndex_), continuous);
}

void SentenceController::startRepeats() {
    if (after(1, false).replay) {
        repeating_ = true;
        view_.setStopCommandEnabled(true);
    } else {
        endRepeats();
    }
}

void SentenceController::endRepeats() {
    if (!repeating_)
        return;
    repeating_ = false;
    view_.setStopCommandEnabled(false);
}

void SentenceController::startSentence(int i) {
    ++plays_;
    startPoll(i);
    cueSentence(i);
    player_.play();
    emit sentencePlayed(i);
}

// At least one sample follows every play, also one that could not start.
void SentenceController::startPoll(int i) {
    Timer1_.start(PollSchedule::nextDelay(true, lenientNumber(Lesson::at(lesson_.List3, i)),
                                          sentenceEndTime(Lesson::at(lesson_.List4, i))));
}

void SentenceController::cueSentence(int i) {
    const QString end = Lesson::at(lesson_.List4, i);
    player_.setStopPosition(sentenceStopPosition(end));
    player_.setCurrentPosition(lenientNumber(Lesson::at(lesson_.List3, i)));
}

void SentenceController::ResetReading() {
    ClearHighlight();
    SentenceIndex_ = -1;
    ContinuousRead_ = false;
    replayPending_ = repeating_ = held_ = false;
    view_.setStopCommandEnabled(false);
    view_.setReadCommandEnabled(true);
    view_.setSentenceText(QString());
    view_.setCaption(ILessonView::Caption::Label8, QString());
    view_.setCaption(ILessonView::Caption::Label10, QString());
}

void SentenceController::readLesson() {
    PlaySentence(0);
    ContinuousRead_ = true;
    view_.setStopCommandEnabled(true);
    view_.setReadCommandEnabled(false);
}

void SentenceController::readLessonFrom(int i) {
    if (ContinuousRead_)
        return;
    PlaySentence(i >= 0 && i < lesson_.count() ? i : 0);
    ContinuousRead_ = true;
    view_.setStopCommandEnabled(true);
    view_.setReadCommandEnabled(false);
}

void SentenceController::holdReading() {
    if (!ContinuousRead_ || held_)
        return;
    pause_.stop();
    replayPending_ = false;
    player_.stop();
    Timer1_.stop();
    held_ = true;
}

void SentenceController::resumeReading() {
    if (!held_)
        return;
    held_ = false;
    plays_ = 0;
    startSentence(SentenceIndex_);
}

void SentenceController::stopReading() {
    pause_.stop();
    player_.stop();
    Timer1_.stop();
    ResetReading();
}

void SentenceController::endPlayback() {
    if (ContinuousRead_) {
        stopReading();
        return;
    }
    pause_.stop();
    replayPending_ = false;
    if (Timer1_.isActive())
        player_.stop();
    Timer1_.stop();
    endRepeats();
}

void SentenceController::endStep() {
    pause_.stop();
    replayPending_ = repeatable_ = false;
    endRepeats();
}

void SentenceController::previousSentence() {
    if (ContinuousRead_)
        return;
    endStep();
    if (SentenceIndex_ > lowestIndex)
        --SentenceIndex_;
    if (SentenceIndex_ < 0) {
        SentenceIndex_ = 0;
        view_.setToolbarButtonEnabled(0, false);
    }
    view_.setToolbarButtonEnabled(1, true);
    ClearHighlight();
    HighlightSentence(SentenceIndex_);
}

void SentenceController::nextSentence() {
    if (ContinuousRead_)
        return;
    endStep();
    if (SentenceIndex_ < highestIndex)
        ++SentenceIndex_;
    if (SentenceIndex_ > lesson_.count() - 1) {
        SentenceIndex_ = qint16(lesson_.count() - 1);
        view_.setToolbarButtonEnabled(1, false);
    }
    view_.setToolbarButtonEnabled(0, true);
    ClearHighlight();
    HighlightSentence(SentenceIndex_);
}

void SentenceController::readSentence() {
    if (SentenceIndex_ < 0 || ContinuousRead_)
        return;
    PlaySentence(SentenceIndex_);
    startRepeats();
}

void SentenceController::showSentence(int i) {
    if (ContinuousRead_ || i < 0 || i >= lesson_.count() || i > highestIndex)
        return;
    ClearHighlight();
    SentenceIndex_ = qint16(i);
    HighlightSentence(i);
}

void SentenceController::sentenceClicked(int documentPosition) {
    if (ContinuousRead_)
        return;
    const int i = lesson_.sentenceAtDocumentPosition(documentPosition);
    if (i < 0 || i > highestIndex)
        return;
    PlaySentence(i);
    startRepeats();
}

void SentenceController::tick() {
    // The state first: once the player is found not playing, the position read next
    // stays until the next call on it.
    const bool playing = player_.playState() == IMediaPlayer::Playing;
    const double position = player_.currentPosition();
    const QString text = numberText(position);
    if (text != Text1_) {
        Text1_ = text;
        view_.setPositionText(text);
        Text1Changed();
    }
    if (!Timer1_.isActive())
        return;
    const int delay = PollSchedule::nextDelay(playing, position,
                                              sentenceEndTime(Lesson::at(lesson_.List4, SentenceIndex_)));
    if (delay < 0)
        Timer1_.stop();
    else
        Timer1_.start(delay);
}

void SentenceController::Text1Changed() {
    const QString end = Lesson::at(lesson_.List4, SentenceIndex_);
    if (pastSentenceEnd(end, Text1_)) {
        player_.stop();
        Timer1_.stop();
        sentenceEnded();
    } else if (end.isEmpty() && Timer1_.isActive() && player_.playState() == IMediaPlayer::Stopped &&
               repeatable_ && after(plays_, ContinuousRead_).replay) {
        // A sentence without an end time has played to the end of the recording.
        sentenceEnded();
    }
    // The recording has ended under a reading that has no pause pending: after the last
    // sentence, in a lesson without sentences, or when the recording is shorter than the
    // sentence times say.
    if (ContinuousRead_ && !pause_.isActive() && player_.playState() == IMediaPlayer::Stopped)
        ResetReading();
}

void SentenceController::sentenceEnded() {
    const IReadingSteps::After next = after(plays_, ContinuousRead_);
    if (repeatable_ && next.replay) {
        // Cued now, so that the gap heard is the rest alone, not the rest and the seek;
        // played early by what the player plays before the sentence's first sound.
        replayPending_ = true;
        cueSentence(SentenceIndex_);
        pause_.start(qMax(0, next.delayMs - int(std::lround(player_.startLatency() * 1000.0))));
        return;
    }
    if (ContinuousRead_) {
        // The last sentence is not replayed even when it has an end time of its own.
        if (SentenceIndex_ >= lesson_.count() - 1)
            ResetReading();
        else
            pause_.start(next.delayMs);
    } else {
        endRepeats();
    }
}

void SentenceController::endPause() {
    if (!pause_.isActive())
        return;
    pause_.stop();
    nextAfterPause();
}

void SentenceController::nextAfterPause() {
    if (replayPending_) {
        // The highlight has stayed on the sentence, the player on its start.
        replayPending_ = false;
        ++plays_;
        startPoll(SentenceIndex_);
        player_.play();
        return;
    }
    if (!ContinuousRead_)
        return;
    if (SentenceIndex_ < lesson_.count() - 1 && SentenceIndex_ < highestIndex)
        ++SentenceIndex_;
    plays_ = 0;
    startSentence(SentenceIndex_);
    ClearHighlight();
    HighlightSentence(SentenceIndex_);
}

} // namespace lesnor
