#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <compare>
#include <optional>
#include <variant>

namespace lesnor {

// A lesson of the catalogue: book 1..4, lesson number from 1.
struct LessonKey {
    int book = 0;
    int lesson = 0;

    bool isValid() const { return book > 0 && lesson > 0; }
    auto operator<=>(const LessonKey&) const = default;
};

// "第1册 Lesson 3"; "" for an invalid key.
QString lessonName(const LessonKey& key);

// What the learner has done with one lesson.
struct LessonMarks {
    bool readThrough = false; // every sentence heard in the lesson window
    bool dictated = false;    // every sentence heard in the dictation window
    int bestDictation = -1;   // best dictation score, 0..100; -1 before the first one

    bool done() const { return readThrough || dictated; }
    bool operator==(const LessonMarks&) const = default;
};

// One word of the notebook. Its key is the headword without regard to letter case.
struct NotebookWord {
    QString headword; // as the dictionary stores it
    QString form;     // as the learner met it ("books" for "book")
    QString phonetic; // Unicode IPA
    QString meaning;  // the dictionary's meaning, unchanged
    QString sentence; // the sentence it was first met in; "" when unknown
    LessonKey lesson; // where that sentence is
    int count = 0;    // how many times it was looked up
    QDateTime first;  // UTC
    QDateTime last;   // UTC
    bool mastered = false;

    bool operator==(const NotebookWord&) const = default;
};

// Where the learner stopped: a lesson and its current sentence (-1: none was current).
struct LastPlace {
    LessonKey lesson;
    int sentence = -1;
    bool operator==(const LastPlace&) const = default;
};

// Everything the record holds.
struct LearnerSnapshot {
    std::optional<LastPlace> place;
    QMap<LessonKey, LessonMarks> lessons;
    QMap<QString, NotebookWord> words; // by wordKey(headword)

    bool operator==(const LearnerSnapshot&) const = default;
};

QString wordKey(const QString& headword);

// The changes the program makes to the record. Each is one action of the learner and
// is saved in a transaction of its own.
namespace change {

// A look-up: a new word is kept with count 1; a known one counts one more, takes the
// new time as its last and is no longer mastered (the learner needed it again). Its
// sentence is kept unless it had none.
struct LookedUp {
    NotebookWord word; // count, first, last and mastered are ignored
    QDateTime at;
};
struct PlaceReached {
    LastPlace place;
};
enum class Activity { Reading, Dictation };
struct LessonFinished {
    LessonKey lesson;
    Activity how = Activity::Reading;
};
// Only a better score than the best so far changes anything.
struct DictationScored {
    LessonKey lesson;
    int score = 0;
};
struct Mastered {
    QString headword;
    bool mastered = true;
};
struct Removed {
    QString headword;
};

} // namespace change

using RecordChange = std::variant<change::LookedUp, change::PlaceReached, change::LessonFinished,
                                  change::DictationScored, change::Mastered, change::Removed>;

// The change's effect on a snapshot: what every store does with it.
void applyChange(LearnerSnapshot& snapshot, const RecordChange& change);

// Times are kept as UTC text to the millisecond ("2026-12-07T19:30:00.123Z").
QString timeText(const QDateTime& time);
QDateTime timeFromText(const QString& text);

} // namespace lesnor
