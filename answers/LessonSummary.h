#pragma once

#include "answers/AnswerComparison.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace lesnor::answers {

// What a learner did in one dictation of a lesson: each sentence's first marked answer
// (the one typed before the sentence was seen), summed up as sentences done, the
// average score and the words most often wrong.
class LessonSummary {
public:
    struct Figures {
        int sentencesDone = 0;
        int sentenceCount = 0;
        double averageScore = 0; // 0..1
        // The sentence words most often wrong (a slip, a wrong or a missing word; case
        // ignored), most frequent first, ties in order of first appearance.
        QList<std::pair<QString, int>> oftenWrong;
        bool operator==(const Figures&) const = default;
    };

    explicit LessonSummary(int sentenceCount = 0)
        : sentenceCount_(sentenceCount) {}

    // Notes a marked answer; only the first for each sentence counts.
    void record(int sentence, const QString& sentenceText, const QString& typed);
    bool isEmpty() const { return attempts_.isEmpty(); }
    bool contains(int sentence) const { return attempts_.contains(sentence); }
    int sentenceCount() const { return sentenceCount_; }

    // The figures with the comparison options of now.
    Figures figures(const Options& options, int wordsShown = 3) const;
    // "已听写 5/14 句 · 平均得分 86% · 最常写错：handbag（2 次）、pardon、umbrella"
    static QString text(const Figures& figures);

private:
    struct Attempt {
        QString sentence;
        QString typed;
    };
    int sentenceCount_ = 0;
    QMap<int, Attempt> attempts_;
};

} // namespace lesnor::answers
