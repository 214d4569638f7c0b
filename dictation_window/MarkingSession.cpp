#include "dictation_window/MarkingSession.h"

#include "dictation_window/DictationSettings.h"
#include "dictation_window/MarkingView.h"

namespace lesnor {

MarkingSession::MarkingSession(IMarkingView& view, IPreferences& preferences, QObject* parent)
    : QObject(parent)
    , view_(view)
    , preferences_(preferences)
    , options_(loadAnswerOptions(preferences)) {}

void MarkingSession::setOptions(const answers::Options& options) {
    options_ = options;
    saveAnswerOptions(preferences_, options);
    if (markedIndex_ >= 0 && view_.marksShown()) {
        const answers::Marking m =
            answers::compareAnswer(markedTyped_, lesson_.List1.value(markedIndex_), options_);
        view_.showMarks(m);
        view_.setScoreLine(m.scoreLine());
    }
    if (view_.summaryShown() && !summary_.isEmpty())
        view_.showSummary(summaryTitle(), answers::LessonSummary::text(summary_.figures(options_)));
}

void MarkingSession::lessonLoaded(const QString& book, const Lesson& lesson) {
    const bool summed = summarise();
    const QString title = summaryTitle();
    const QString text = summed ? answers::LessonSummary::text(lastGiven_) : QString();
    book_ = book;
    lesson_ = lesson;
    summary_ = answers::LessonSummary(lesson.count());
    lastGiven_ = {};
    sentenceShown(0);
    if (summed)
        view_.showSummary(title, text);
}

void MarkingSession::sentenceShown(int index) {
    markedIndex_ = -1;
    view_.clearMarks();
    view_.setScoreLine(QString());
    view_.hideSummary();
    view_.setPositionLine(positionText(index, lesson_.count()));
}

void MarkingSession::markAnswer(int index, const QString& typed) {
    if (index < 0 || index >= lesson_.count())
        return;
    const QString sentence = lesson_.List1[index];
    const answers::Marking m = answers::compareAnswer(typed, sentence, options_);
    markedIndex_ = index;
    markedTyped_ = typed;
    view_.showMarks(m);
    view_.setScoreLine(m.scoreLine());
    summary_.record(index, sentence, typed);
    emit sentenceMarked({book_, lesson_.caption, index, m});
    if (index == lesson_.count() - 1 && summarise())
        view_.showSummary(summaryTitle(), answers::LessonSummary::text(lastGiven_));
}

QString MarkingSession::finish() {
    return summarise() ? summaryTitle() + QStringLiteral("：") + answers::LessonSummary::text(lastGiven_)
                       : QString();
}

bool MarkingSession::summarise() {
    if (summary_.isEmpty())
        return false;
    const answers::LessonSummary::Figures f = summary_.figures(options_);
    if (f == lastGiven_)
        return false;
    lastGiven_ = f;
    emit lessonSummarised({book_, lesson_.caption, f, summary_.contains(lesson_.count() - 1)});
    return true;
}

QString MarkingSession::summaryTitle() const {
    return lesson_.caption + QStringLiteral(" 听写小结");
}

QString MarkingSession::positionText(int index, int count) {
    if (index < 0 || index >= count)
        return QString();
    return QStringLiteral("第 %1 句 / 共 %2 句").arg(index + 1).arg(count);
}

} // namespace lesnor
