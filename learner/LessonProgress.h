#pragma once

#include "learner/Record.h"

#include <QList>
#include <QString>

namespace lesnor {

// Which sentences of the open lesson the learner has heard in one window: the lesson
// counts as read through (or dictated) once every sentence has played, in any order.
class HeardSentences {
public:
    // A lesson of `count` sentences is open; none heard yet. An invalid key: none is.
    void start(const LessonKey& lesson, int count);
    // Sentence `index` has started to play. True exactly when this made every sentence
    // heard (once per start()).
    bool heard(int index);
    const LessonKey& lesson() const { return lesson_; }

private:
    LessonKey lesson_;
    QList<bool> heard_;
    int left_ = 0;
};

// The catalogue's tool tips: a book's "n/72" (lessons done out of the book's), a
// lesson's marks ("" for a lesson not done and never dictated).
QString bookProgressTip(int done, int lessons);
QString lessonProgressTip(const LessonMarks& marks);

} // namespace lesnor
