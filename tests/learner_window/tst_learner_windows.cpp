// The learner's record in the windows: resume, progress marks in both catalogue trees,
// words looked up in either window kept in the notebook, the notebook window.

#include "FakeLearnerStore.h"
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "dictionary/DictionaryFile.h"
#include "learner/LearnerRecord.h"
#include "learner/NotebookModel.h"
#include "lessons/LessonTitles.h"
#include "notebook_window/NotebookWindow.h"
#include "playback/SentenceController.h"
#include "startup/LearnerLink.h"
#include "tests/lesson_window/Form1Harness.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>

using namespace lesnor;
using namespace lesnor::test;

class LearnerWindowsTest : public QObject, protected Form1Harness {
    Q_OBJECT
    std::shared_ptr<FakeLearnerStore::Data> data_;
    std::unique_ptr<LearnerRecord> record_;
    std::unique_ptr<DictationLauncher> dictation_;
    std::unique_ptr<LearnerLink> link_;

    // The program as it starts: the window, then the record on the data kept so far.
    void start() {
        openWindow();
        record_ = std::make_unique<LearnerRecord>(
            [d = data_] { return std::make_unique<FakeLearnerStore>(d); }, LearnerRecord::Threading::Inline);
        dictation_ = std::make_unique<DictationLauncher>(*form_, services_->view);
        link_ = std::make_unique<LearnerLink>(*record_, *form_, *dictation_, services_->speech);
    }
    void stop() {
        link_.reset();
        dictation_.reset();
        record_.reset();
        closeWindow();
    }
    QAction* action(const char* name) const { return form_->findChild<QAction*>(QString::fromUtf8(name)); }
    void lookUp(WordPopup& popup, const QString& headword, const QString& word, PopupLayout::Source source,
                int character) {
        DictionaryEntry entry{headword, QString(), QStringLiteral("n.释义"), QStringLiteral("'klVb")};
        emit popup.lookedUp(entry, word, source, character);
    }

private slots:
    void init() { data_ = std::make_shared<FakeLearnerStore::Data>(); }
    void cleanup() { stop(); }

    void menusAndKeys() {
        start();
        const QStringList menus = [this] {
            QStringList titles;
            for (QAction* a : form_->menuBar()->actions())
                titles << a->text();
            return titles;
        }();
        QCOMPARE(menus, (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("练习(&P)"),
                                     QStringLiteral("帮助(&H)")}));
        QCOMPARE(form_->practiceMenu(), form_->practiceMenu());
        QCOMPARE(action("继续上次的课文")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+R")));
        QCOMPARE(action("生词本")->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    }

    void resumeOpensTheLastPlaceWithoutPlaying() {
        start();
        QVERIFY(!form_->resumeAction()->isEnabled());
        choose(1, 1);
        form_->controller().nextSentence();
        form_->controller().nextSentence();
        stop();

        start();
        // The start-up itself stays as it was: nothing chosen.
        QVERIFY(!form_->T1()->currentItem());
        QVERIFY(form_->lesson().isEmpty());
        QVERIFY(form_->resumeAction()->isEnabled());
        form_->resumeAction()->trigger();
        QCOMPARE(form_->T1()->currentItem(), form_->T1()->topLevelItem(0)->child(0));
        QCOMPARE(form_->lesson().caption, QStringLiteral("Lesson 1"));
        QCOMPARE(form_->SentenceIndex(), qint16(1));
        QCOMPARE(form_->r2()->toPlainText(), QStringLiteral("Welcome to the  club."));
        QVERIFY(services_->player.playState() != IMediaPlayer::Playing);

        // A lesson opened without a sentence made current resumes at its first.
        choose(1, 4);
        stop();
        start();
        form_->resumeAction()->trigger();
        QCOMPARE(form_->lesson().caption, QStringLiteral("Lesson 4"));
        QCOMPARE(form_->SentenceIndex(), qint16(0));
    }

    void lessonsDoneAreMarkedInBothTrees() {
        start();
        QTreeWidgetItem* book1 = form_->T1()->topLevelItem(0);
        QCOMPARE(book1->toolTip(0), QStringLiteral("0/72"));
        QCOMPARE(form_->T1()->topLevelItem(1)->toolTip(0), QStringLiteral("0/96"));
        choose(1, 1);
        const Lesson& lesson = form_->lesson();
        form_->controller().sentenceClicked(lesson.documentStart(2));
        form_->controller().sentenceClicked(lesson.documentStart(0));
        form_->controller().sentenceClicked(lesson.documentStart(0));
        QVERIFY(!data_->snapshot.lessons.value({1, 1}).done());
        form_->controller().sentenceClicked(lesson.documentStart(1));
        QVERIFY(data_->snapshot.lessons.value({1, 1}).readThrough);
        QCOMPARE(book1->toolTip(0), QStringLiteral("1/72"));
        QCOMPARE(book1->child(0)->toolTip(0), lessonTitleTip(1, 1) + QStringLiteral("\n已读完"));
        QCOMPARE(book1->child(1)->toolTip(0), lessonTitleTip(1, 2));
        QVERIFY(book1->child(0)->icon(0).cacheKey() != book1->child(1)->icon(0).cacheKey());

        form_->controller().nextSentence();
        dictation_->open();
        Form2* form2 = dictation_->window();
        QVERIFY(form2);
        QCOMPARE(form2->T1()->topLevelItem(0)->toolTip(0), QStringLiteral("1/72"));
        form2->T1()->setCurrentItem(form2->T1()->topLevelItem(0)->child(3));
        form2->LoadLesson();
        form2->controller().readSentence();
        QVERIFY(!data_->snapshot.lessons.value({1, 4}).done());
        form2->controller().nextSentence();
        QVERIFY(data_->snapshot.lessons.value({1, 4}).dictated);
        for (QTreeWidget* tree : {form_->T1(), form2->T1()}) {
            QCOMPARE(tree->topLevelItem(0)->toolTip(0), QStringLiteral("2/72"));
            QCOMPARE(tree->topLevelItem(0)->child(3)->toolTip(0),
                     lessonTitleTip(1, 4) + QStringLiteral("\n已听写完"));
        }
        form2->close();
    }

    void wordsLookedUpInEitherWindowAreKept() {
        start();
        choose(1, 1);
        const Lesson& lesson = form_->lesson();
        lookUp(form_->wordPopup(), QStringLiteral("club"), QStringLiteral("club"),
               PopupLayout::Source::LessonText, lesson.documentStart(1) + 17);
        lookUp(form_->wordPopup(), QStringLiteral("hello"), QStringLiteral("hello"),
               PopupLayout::Source::WordList, 2);
        lookUp(form_->wordPopup(), QStringLiteral("Ann"), QStringLiteral("Ann"),
               PopupLayout::Source::WordList, 2);
        const auto& words = data_->snapshot.words;
        QCOMPARE(words.value(QStringLiteral("club")).sentence, QStringLiteral("Welcome to the  club."));
        QCOMPARE(words.value(QStringLiteral("club")).lesson, (LessonKey{1, 1}));
        const QString ipa = DictionaryEntry{{}, {}, {}, QStringLiteral("'klVb")}.phoneticIpa();
        QVERIFY(!ipa.isEmpty());
        QCOMPARE(words.value(QStringLiteral("club")).phonetic, ipa);
        QCOMPARE(words.value(QStringLiteral("hello")).sentence, QStringLiteral("Hello, Ann!"));

        dictation_->open();
        Form2* form2 = dictation_->window();
        form2->T1()->setCurrentItem(form2->T1()->topLevelItem(0)->child(0));
        form2->LoadLesson();
        form2->controller().nextSentence();
        form2->controller().showAnswer();
        lookUp(form2->wordPopup(), QStringLiteral("club"), QStringLiteral("club"),
               PopupLayout::Source::SentenceBox, 17);
        lookUp(form2->wordPopup(), QStringLiteral("thank"), QStringLiteral("Thank"),
               PopupLayout::Source::SentenceBox, 0);
        QCOMPARE(words.value(QStringLiteral("club")).count, 2);
        QCOMPARE(words.size(), 4);
        form2->close();
    }

    void theNotebookWindow() {
        start();
        choose(1, 1);
        const Lesson& lesson = form_->lesson();
        for (const char* w : {"hello", "club", "thank"})
            lookUp(form_->wordPopup(), QLatin1String(w), QLatin1String(w), PopupLayout::Source::LessonText,
                   w == QLatin1String("club") ? lesson.documentStart(1) + 17 : 2);
        action("生词本")->trigger();
        NotebookWindow* window = link_->notebookWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->listed().rowCount(), 3);

        window->filterBox()->setText(QStringLiteral("CLU"));
        QCOMPARE(window->listed().rowCount(), 1);
        window->activateRow(0);
        QCOMPARE(services_->speech.spoken.constLast(), QStringLiteral("club"));
        QVERIFY(window->sentenceLabel()->text().contains(QStringLiteral("<b>club</b>")));
        window->filterBox()->clear();

        // A mastered word is hidden until asked for; a new look-up brings it back.
        const QModelIndex clubMastered = window->listed().index(
            window->listed()
                .match(window->listed().index(0, 0), Qt::DisplayRole, QStringLiteral("club"))
                .value(0)
                .row(),
            NotebookModel::Mastered);
        QVERIFY(window->listed().setData(clubMastered, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(window->listed().rowCount(), 2);
        window->showMasteredBox()->setChecked(true);
        QCOMPARE(window->listed().rowCount(), 3);
        window->showMasteredBox()->setChecked(false);
        lookUp(form_->wordPopup(), QStringLiteral("club"), QStringLiteral("club"),
               PopupLayout::Source::SentenceBox, 0);
        QCOMPARE(window->listed().rowCount(), 3);

        window->table()->selectRow(0);
        const QString removed = window->listed().index(0, 0).data().toString();
        window->removeSelected();
        QCOMPARE(window->listed().rowCount(), 2);
        QVERIFY(!data_->snapshot.words.contains(removed));

        QTemporaryDir dir;
        QVERIFY(window->exportTo(dir.filePath(QStringLiteral("cards.txt")), false));
        QFile cards(dir.filePath(QStringLiteral("cards.txt")));
        QVERIFY(cards.open(QIODevice::ReadOnly));
        QCOMPARE(cards.readAll().count('\n'), 3 + 2);
        QVERIFY(!window->exportTo(dir.filePath(QStringLiteral("no/such/folder/cards.csv")), true));
    }
};

QTEST_MAIN(LearnerWindowsTest)
#include "tst_learner_windows.moc"
