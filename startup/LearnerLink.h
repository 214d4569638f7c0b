#pragma once

#include "learner/LessonProgress.h"
#include "notebook_window/NotebookWindow.h"

#include <QObject>
#include <QPointer>

class QTreeWidget;

namespace lesnor {

class DictationLauncher;
class Form1;
class Form2;
class ISpeech;
class LearnerRecord;
struct DictionaryEntry;

// Connects the windows to the learner's record:
// - the lesson window's place (lesson and highlighted sentence) is kept as the last
//   place; "继续上次的课文(&R)" opens it again, enabled once there is one;
// - a lesson whose every sentence was heard in the lesson window is read through, one
//   whose every sentence was played in the dictation window is dictated;
// - every word found by a pop-up in either window goes to the notebook with the
//   sentence it stands in (in the word list: the lesson's first sentence holding it);
// - both catalogue trees show the progress (markCatalogueProgress);
// - "生词本" opens the notebook window; the record's notices go to the lesson window's
//   notice line.
class LearnerLink : public QObject {
    Q_OBJECT
public:
    LearnerLink(LearnerRecord& record, Form1& lessonWindow, DictationLauncher& dictation, ISpeech& speech,
                QObject* parent = nullptr);
    ~LearnerLink() override;

    NotebookWindow* notebookWindow() const { return notebook_; }

private:
    void recordChanged();
    void lessonWindowLoaded();
    void dictationOpened(Form2* window);
    void dictationLoaded();
    void resume();
    void openNotebook();
    void keepWord(const DictionaryEntry& entry, const QString& word, const QString& sentence,
                  const LessonKey& lesson);
    void markTree(QTreeWidget& tree) const;

    LearnerRecord& record_;
    Form1& form1_;
    ISpeech& speech_;
    QPointer<Form2> form2_;
    QPointer<NotebookWindow> notebook_;
    HeardSentences read_;
    HeardSentences dictated_;
    std::optional<QMap<LessonKey, LessonMarks>> marked_; // what the trees show
};

// The lesson a catalogue tree has current: invalid for a book or no node.
LessonKey currentLessonKey(const QTreeWidget& tree);

} // namespace lesnor
