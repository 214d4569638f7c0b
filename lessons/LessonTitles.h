#pragma once

#include <QString>

namespace lesnor {

// A lesson's title: a short Chinese one (content/titles.tsv) and the English one, the
// premise line of the lesson's source. Both are carried by the program itself.
struct LessonTitle {
    QString chinese;
    QString english;
};

// The title of lesson `lesson` (1..) of book `book` (1..4); both parts empty for a lesson
// that has none.
LessonTitle lessonTitle(int book, int lesson);

// "中文标题 — English title", the catalogue node's tool tip; "" without a title, one part
// alone when the other is missing.
QString lessonTitleTip(int book, int lesson);

} // namespace lesnor
