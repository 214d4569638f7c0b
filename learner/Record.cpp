#include "learner/Record.h"

namespace lesnor {

QString lessonName(const LessonKey& key) {
    if (!key.isValid())
        return QString();
    return QStringLiteral("第%1册 Lesson %2").arg(key.book).arg(key.lesson);
}

QString wordKey(const QString& headword) {
    return headword.trimmed().toLower();
}

QString timeText(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timeFromText(const QString& text) {
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    return time.isValid() ? time.toUTC() : time;
}

namespace {

struct Apply {
    LearnerSnapshot& s;

    void operator()(const change::LookedUp& c) const {
        const QString key = wordKey(c.word.headword);
        if (key.isEmpty())
            return;
        auto it = s.words.find(key);
        if (it == s.words.end()) {
            NotebookWord word = c.word;
            word.count = 1;
            word.first = word.last = c.at.toUTC();
            word.mastered = false;
            s.words.insert(key, word);
            return;
        }
        it->count += 1;
        it->last = qMax(it->last, c.at.toUTC());
        it->mastered = false;
        if (it->sentence.isEmpty() && !c.word.sentence.isEmpty()) {
            it->sentence = c.word.sentence;
            it->form = c.word.form;
            it->lesson = c.word.lesson;
        }
    }
    void operator()(const change::PlaceReached& c) const { s.place = c.place; }
    void operator()(const change::LessonFinished& c) const {
        LessonMarks& marks = s.lessons[c.lesson];
        (c.how == change::Activity::Reading ? marks.readThrough : marks.dictated) = true;
    }
    void operator()(const change::DictationScored& c) const {
        LessonMarks& marks = s.lessons[c.lesson];
        marks.bestDictation = qMax(marks.bestDictation, qBound(0, c.score, 100));
    }
    void operator()(const change::Mastered& c) const {
        auto it = s.words.find(wordKey(c.headword));
        if (it != s.words.end())
            it->mastered = c.mastered;
    }
    void operator()(const change::Removed& c) const { s.words.remove(wordKey(c.headword)); }
};

} // namespace

void applyChange(LearnerSnapshot& snapshot, const RecordChange& change) {
    std::visit(Apply{snapshot}, change);
}

} // namespace lesnor
