#include "learner/LessonProgress.h"

#include <QStringList>

namespace lesnor {

void HeardSentences::start(const LessonKey& lesson, int count) {
    lesson_ = lesson;
    heard_ = QList<bool>(lesson.isValid() ? qMax(0, count) : 0, false);
    left_ = int(heard_.size());
}

bool HeardSentences::heard(int index) {
    if (index < 0 || index >= heard_.size() || heard_.at(index))
        return false;
    heard_[index] = true;
    return --left_ == 0;
}

QString bookProgressTip(int done, int lessons) {
    return QStringLiteral("%1/%2").arg(done).arg(lessons);
}

QString lessonProgressTip(const LessonMarks& marks) {
    QStringList lines;
    if (marks.readThrough)
        lines << QStringLiteral("已读完");
    if (marks.dictated)
        lines << QStringLiteral("已听写完");
    if (marks.bestDictation >= 0)
        lines << QStringLiteral("最佳听写成绩：%1 分").arg(marks.bestDictation);
    return lines.join(QLatin1Char('\n'));
}

} // namespace lesnor
