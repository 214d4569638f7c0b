#include "dictation_window/DictationController.h"

#include "dictation_window/DictationView.h"
#include "lessons/LenientNumber.h"
#include "lessons/LessonLoader.h"
#include "platform/MediaPlayer.h"
#include "playback/PollSchedule.h"
#include "playback/SentenceEnd.h"

#include <limits>

namespace lesnor {
namespace {

constexpr int lowestIndex = std::numeric_limits<qint16>::min();
constexpr int highestIndex = std::numeric_limits<qint16>::max();

} // namespace

DictationController::DictationController(IMediaPlayer& player, IFileOps& files, IDictationView& view,
                                         QObject* parent)
    : QObject(parent)
    , player_(player)
    , files_(files)
    , view_(view) {
    Timer1_.setObjectName(QStringLiteral("Timer1"));
    Timer1_.setInterval(1);
    Timer1_.setTimerType(Qt::PreciseTimer);
    connect(&Timer1_, &QTimer::timeout, this, &DictationController::tick);
}

DictationController::~DictationController() {
    releaseLessonAudio(this, files_);
}

LessonAudio DictationController::loadLesson(const Lesson& lesson, const QString& copyPath) {
    lesson_ = lesson;
    view_.clearTyping();
    view_.setAnswer(QString());
    if (!lesson_.caption.isEmpty())
        view_.resetTranslationToggle();
    // A book node leaves no lesson behind: its translation goes with it too.
    const QString first = Lesson::at(lesson_.List2, 0);
    view_.setLabel8(view_.translationShown() ? first : QString());
    view_.setLabel10(first);
    DictationIndex_ = 0;
    Timer1_.stop();

    // The copy may replace the file the player holds: close first.
    player_.close();
    const LessonAudio audio = prepareLessonAudio(lesson_.LessonAudioFile, copyPath, files_, this);
    player_.setUrl(audio.playerUrl);
    playable_ = audio.playable;
    for (int button : {Previous, Next, Read, Answer})
        view_.setButtonEnabled(button, playable_);
    player_.stop();
    return audio;
}

void DictationController::nextSentence() {
    if (DictationIndex_ < highestIndex)
        ++DictationIndex_;
    if (DictationIndex_ > lesson_.count() - 1) {
        DictationIndex_ = qint16(lesson_.count() - 1);
        view_.setButtonEnabled(Next, false);
    }
    view_.setButtonEnabled(Previous, true);
    playCurrent();
}

void DictationController::previousSentence() {
    if (DictationIndex_ > lowestIndex)
        --DictationIndex_;
    if (DictationIndex_ < 0) {
        DictationIndex_ = 0;
        view_.setButtonEnabled(Previous, false);
    }
    view_.setButtonEnabled(Next, true);
    playCurrent();
}

// The boxes are emptied: the learner starts the new sentence afresh.
void DictationController::playCurrent() {
    view_.clearTyping();
    view_.setAnswer(QString());
    readSentence();
    showTranslation();
}

void DictationController::showTranslation() {
    const QString chinese = Lesson::at(lesson_.List2, DictationIndex_);
    view_.setLabel10(chinese);
    view_.setLabel8(view_.translationShown() ? chinese : QString());
}

void DictationController::readSentence() {
    const QString end = Lesson::at(lesson_.List4, DictationIndex_);
    const double start = lenientNumber(Lesson::at(lesson_.List3, DictationIndex_));
    Timer1_.start(PollSchedule::nextDelay(true, start, sentenceEndTime(end)));
    player_.setStopPosition(sentenceStopPosition(end));
    player_.setCurrentPosition(start);
    player_.play();
    emit sentencePlayed(DictationIndex_);
}

void DictationController::showAnswer() {
    view_.setAnswer(Lesson::at(lesson_.List1, DictationIndex_));
}

void DictationController::tick() {
    // As the lesson window's poll: the state first, and no samples once it is not playing.
    const bool playing = player_.playState() == IMediaPlayer::Playing;
    const double position = player_.currentPosition();
    const QString text = numberText(position);
    const QString end = Lesson::at(lesson_.List4, DictationIndex_);
    if (text != Text1_) {
        Text1_ = text;
        view_.setPositionText(text);
        if (pastSentenceEnd(end, Text1_)) {
            player_.stop();
            Timer1_.stop();
            return;
        }
    }
    const int delay = PollSchedule::nextDelay(playing, position, sentenceEndTime(end));
    if (delay < 0)
        Timer1_.stop();
    else if (Timer1_.isActive())
        Timer1_.start(delay);
}

} // namespace lesnor
