#include "lessons/LessonTitles.h"

#include <QHash>
#include <QStringList>

namespace lesnor {

extern const char* const lessonTitlesTable; // generated: book, lesson, Chinese, English

namespace {

int keyOf(int book, int lesson) {
    return book * 1000 + lesson;
}

const QHash<int, LessonTitle>& titles() {
    static const QHash<int, LessonTitle> table = [] {
        QHash<int, LessonTitle> result;
        const QString text = QString::fromUtf8(lessonTitlesTable);
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            if (fields.size() == 4)
                result.insert(keyOf(fields[0].toInt(), fields[1].toInt()), {fields[2], fields[3]});
        }
        return result;
    }();
    return table;
}

} // namespace

LessonTitle lessonTitle(int book, int lesson) {
    return titles().value(keyOf(book, lesson));
}

QString lessonTitleTip(int book, int lesson) {
    const LessonTitle title = lessonTitle(book, lesson);
    if (title.chinese.isEmpty() || title.english.isEmpty())
        return title.chinese + title.english;
    return title.chinese + QStringLiteral(" — ") + title.english;
}

} // namespace lesnor
