#include "startup/LearnerLink.h"

#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "dictation_window/MarkingSession.h"
#include "learner/LearnerRecord.h"
#include "learner/NotebookExport.h"
#include "lesson_window/Form1.h"
#include "notebook_window/NotebookWindow.h"
#include "playback/SentenceController.h"
#include "widgets/CatalogueMarks.h"
#include "widgets/WordPopup.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace lesnor {

LessonKey currentLessonKey(const QTreeWidget& tree) {
    QTreeWidgetItem* node = tree.currentItem();
    if (!node || !node->parent())
        return {};
    return {tree.indexOfTopLevelItem(node->parent()) + 1, node->parent()->indexOfChild(node) + 1};
}

LearnerLink::LearnerLink(LearnerRecord& record, Form1& lessonWindow, DictationLauncher& dictation,
                         ISpeech& speech, QObject* parent)
    : QObject(parent)
    , record_(record)
    , form1_(lessonWindow)
    , speech_(speech) {
    connect(&record_, &LearnerRecord::changed, this, &LearnerLink::recordChanged);
    connect(&record_, &LearnerRecord::notice, &form1_, &Form1::showNotice);
    connect(&form1_, &Form1::lessonLoaded, this, &LearnerLink::lessonWindowLoaded);
    connect(&form1_, &Form1::resumeRequested, this, &LearnerLink::resume);
    connect(&form1_, &Form1::notebookRequested, this, &LearnerLink::openNotebook);
    connect(&dictation, &DictationLauncher::opened, this, &LearnerLink::dictationOpened);

    SentenceController& reading = form1_.controller();
    connect(&reading, &SentenceController::sentenceShown, this, [this](int i) {
        if (read_.lesson().isValid())
            record_.record(change::PlaceReached{{read_.lesson(), i}});
    });
    connect(&reading, &SentenceController::sentencePlayed, this, [this](int i) {
        if (read_.heard(i))
            record_.record(change::LessonFinished{read_.lesson(), change::Activity::Reading});
    });
    connect(
        &form1_.wordPopup(), &WordPopup::lookedUp, this,
        [this](const DictionaryEntry& entry, const QString& word, PopupLayout::Source source, int character) {
            const Lesson& lesson = form1_.lesson();
            QString sentence;
            if (source == PopupLayout::Source::LessonText)
                sentence = Lesson::at(lesson.List1, lesson.sentenceAtDocumentPosition(character));
            else if (source == PopupLayout::Source::SentenceBox)
                sentence = form1_.r2()->toPlainText();
            else
                sentence = sentenceContaining(lesson.List1, word);
            keepWord(entry, word, sentence, read_.lesson());
        });
    recordChanged();
}

LearnerLink::~LearnerLink() {
    delete notebook_;
}

void LearnerLink::recordChanged() {
    if (!record_.isLoaded())
        return;
    const std::optional<LastPlace>& place = record_.snapshot().place;
    form1_.resumeAction()->setEnabled(place && place->lesson.isValid());
    // Most changes (a sentence, a word) leave the marks as they are.
    if (marked_ && *marked_ == record_.snapshot().lessons)
        return;
    marked_ = record_.snapshot().lessons;
    markTree(*form1_.T1());
    if (form2_)
        markTree(*form2_->T1());
}

void LearnerLink::markTree(QTreeWidget& tree) const {
    markCatalogueProgress(tree, form1_.ImageList1().value(1), record_.snapshot());
}

void LearnerLink::lessonWindowLoaded() {
    const LessonKey key = form1_.lesson().isEmpty() ? LessonKey{} : currentLessonKey(*form1_.T1());
    read_.start(key, form1_.lesson().count());
    if (key.isValid())
        record_.record(change::PlaceReached{{key, -1}});
}

void LearnerLink::resume() {
    const std::optional<LastPlace>& place = record_.snapshot().place;
    if (place && !form1_.openLessonAt(place->lesson.book, place->lesson.lesson, place->sentence))
        form1_.showNotice(QStringLiteral("找不到上次的课文"));
}

void LearnerLink::openNotebook() {
    if (!notebook_)
        notebook_ = new NotebookWindow(record_, speech_);
    notebook_->open();
}

void LearnerLink::dictationOpened(Form2* window) {
    form2_ = window;
    markTree(*window->T1());
    connect(window, &Form2::lessonLoaded, this, &LearnerLink::dictationLoaded);
    connect(&window->controller(), &DictationController::sentencePlayed, this, [this](int i) {
        if (dictated_.heard(i))
            record_.record(change::LessonFinished{dictated_.lesson(), change::Activity::Dictation});
    });
    // A dictation marked to its last sentence: its average score, the best one kept.
    connect(&window->marking(), &MarkingSession::lessonSummarised, this, [this](const LessonScore& score) {
        const LessonKey key{score.book.toInt(), score.lesson.section(QLatin1Char(' '), 1).toInt()};
        if (score.complete && key.isValid())
            record_.record(change::DictationScored{key, qRound(score.figures.averageScore * 100)});
    });
    connect(&window->wordPopup(), &WordPopup::lookedUp, this,
            [this](const DictionaryEntry& entry, const QString& word, PopupLayout::Source, int) {
                if (form2_)
                    keepWord(entry, word, form2_->r2()->toPlainText(), dictated_.lesson());
            });
}

void LearnerLink::dictationLoaded() {
    if (!form2_)
        return;
    const Lesson& lesson = form2_->controller().lesson();
    dictated_.start(lesson.isEmpty() ? LessonKey{} : currentLessonKey(*form2_->T1()), lesson.count());
}

void LearnerLink::keepWord(const DictionaryEntry& entry, const QString& word, const QString& sentence,
                           const LessonKey& lesson) {
    NotebookWord w;
    w.headword = entry.headword;
    w.form = word;
    w.phonetic = entry.phoneticIpa();
    w.meaning = entry.meaning;
    w.sentence = sentence;
    w.lesson = sentence.isEmpty() ? LessonKey{} : lesson;
    record_.record(change::LookedUp{w, QDateTime::currentDateTimeUtc()});
}

} // namespace lesnor
