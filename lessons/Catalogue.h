#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace lesnor {

// One textbook of the fixed catalogue both windows show.
struct CatalogueBook {
    QString key;     // "a".."d": only attaches the lessons to their book
    QString caption; // "Vyk英语(第1册)"; its eighth character is the book digit
    int lessonCount = 0;
};

// The four books in tree order: 72, 96, 60 and 48 lessons.
const QList<CatalogueBook>& catalogueBooks();

// "Lesson " + n, no leading zeros.
QString lessonCaption(int n);

// The captions of a book's lessons, "Lesson 1" up to its last lesson.
QStringList lessonCaptions(const CatalogueBook& book);

// The book digit of a book caption: its eighth character, the one after "第";
// "" when the caption is shorter.
QString bookDigitFromCaption(const QString& bookCaption);

} // namespace lesnor
