#pragma once

#include "answers/LessonSummary.h"
#include "lessons/Lesson.h"

#include <QObject>

namespace lesnor {

class IMarkingView;
class IPreferences;

// One marked answer, for whoever keeps the learner's record.
struct SentenceScore {
    QString book;   // "1".."4"
    QString lesson; // the lesson's caption
    int sentence = 0;
    answers::Marking marking;
};

// What one dictation of a lesson came to. `complete`: its last sentence was marked.
struct LessonScore {
    QString book;
    QString lesson;
    answers::LessonSummary::Figures figures;
    bool complete = false;
};

// Marks the learner's answers in the dictation window and sums up each lesson.
// "答  案" marks what is typed against the current sentence and shows the score line;
// the first answer to each sentence counts for the lesson's summary, which shows at
// the last sentence's answer and, when the learner leaves a lesson part-done, on the
// next lesson load (at the window's close it goes to the caller). A summary already
// shown is not shown again for the same figures.
//
// Signals: sentenceMarked for every answer marked, lessonSummarised whenever the
// summary of a lesson changed since it was last given (at its last sentence, at a
// lesson load, at the close).
class MarkingSession : public QObject {
    Q_OBJECT
public:
    MarkingSession(IMarkingView& view, IPreferences& preferences, QObject* parent = nullptr);

    const answers::Options& options() const { return options_; }
    // Stores the options; marks still shown are marked again with them, a summary shown
    // is summed up again.
    void setOptions(const answers::Options& options);

    // A lesson (or nothing, for a book node) was loaded: the one before is summed up.
    void lessonLoaded(const QString& book, const Lesson& lesson);
    // Sentence `index` became current: its marks, score line and the summary go.
    void sentenceShown(int index);
    // "答  案" on sentence `index` with `typed` in the typing box.
    void markAnswer(int index, const QString& typed);
    // The window closes: the one-line summary of what was not summed up yet, else "".
    QString finish();

    static QString positionText(int index, int count);

signals:
    void sentenceMarked(const lesnor::SentenceScore& score);
    void lessonSummarised(const lesnor::LessonScore& score);

private:
    // Gives the summary when it changed since it was last given; true when it did.
    bool summarise();
    QString summaryTitle() const;

    IMarkingView& view_;
    IPreferences& preferences_;
    answers::Options options_;
    QString book_;
    Lesson lesson_;
    answers::LessonSummary summary_;
    answers::LessonSummary::Figures lastGiven_;
    int markedIndex_ = -1;
    QString markedTyped_;
};

} // namespace lesnor
