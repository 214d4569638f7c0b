#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace lesnor {

namespace jet3 {
class Writer;
}

// One row of the sentence table 句库 (columns 句子, 中文, 开始时间, 结束时间, 课别, 册别).
struct SentenceRow {
    QString english;
    QString chinese;
    QString start;
    QString end;
    QString lesson; // "Lesson 3"
    QString book;   // "1".."4"
};

// One row of the word table 单词 (columns 单词, 中文, 课别, 册别).
struct WordRow {
    QString word;
    QString chinese;
    QString lesson;
    QString book;
};

// A whole lesson database file (Jet 3, code page 936) holding the two tables with these
// rows in this storage order. Used to build the shipped database and test fixtures.
// Empty, with `*error` set when given, if a row cannot be stored (a text longer than its
// column or not representable in code page 936).
QByteArray buildLessonDatabase(const QList<SentenceRow>& sentences, const QList<WordRow>& words,
                               QString* error = nullptr);

// Adds the lesson database's two tables, with their columns, to `writer` (句库 first, then
// 单词) and returns their table numbers. The one place the lesson schema is written.
struct LessonTableIds {
    int sentences;
    int words;
};
LessonTableIds addLessonTables(jet3::Writer& writer);

} // namespace lesnor
