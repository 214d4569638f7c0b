// The dictation window: opened from the lesson window's "听写", its controls and
// buttons through the mouse, lesson loading, and the hand-over of the shared player
// between the two windows. Runs on the fixture lessons and the fake player.
#include "FakeServices.h"
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "dictation_window/MarkingSession.h"
#include "dictation_window/TypingBox.h"
#include "playback/SentenceController.h"
#include "resources/Installation.h"
#include "tests/dictionary/DictionaryFixture.h"
#include "tests/lesson_window/Form1Harness.h"
#include "widgets/Controls.h"
#include "widgets/Links.h"
#include "widgets/NoticeLine.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using namespace lesnor;
using namespace lesnor::test;

class TestForm2 : public QObject, protected Form1Harness {
    Q_OBJECT

    std::unique_ptr<DictationLauncher> launcher_;
    QPointer<Form2> form2_;

    FakeMediaPlayer& player() const { return services_->player; }
    QString copyOf(const char* name) const {
        return fx_->dataFolder() + "/sounenclff/" + QLatin1String(name);
    }

    // "听写" in the lesson window's command bar, pressed and released with the mouse.
    void openDictation() {
        press(at(form_->Label6(3)));
        release(at(form_->Label6(3)));
        form2_ = launcher_->window();
        QVERIFY(form2_);
        QVERIFY(QTest::qWaitForWindowExposed(form2_.data()));
    }
    void closeDictation(bool byExitButton) {
        if (byExitButton)
            click(form2_->Label5(DictationController::Exit));
        else
            form2_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form2_);
    }
    // A node of the dictation window's tree: book `book`, its lesson `lesson` (0: the book).
    void choose2(int book, int lesson) {
        QTreeWidgetItem* node = form2_->T1()->topLevelItem(book - 1);
        if (lesson > 0)
            node = node->child(lesson - 1);
        form2_->T1()->setCurrentItem(node);
        form2_->LoadLesson();
    }
    QPoint at2(QWidget* w, QPoint local = {-1, -1}) const {
        return w->mapTo(form2_.data(), local.x() < 0 ? w->rect().center() : local);
    }
    void press2(QWidget* w, QPoint local = {-1, -1}) {
        QTest::mousePress(form2_->windowHandle(), Qt::LeftButton, {}, at2(w, local));
    }
    void release2(QWidget* w, QPoint local = {-1, -1}) {
        QTest::mouseRelease(form2_->windowHandle(), Qt::LeftButton, {}, at2(w, local));
    }
    void click(QWidget* w) {
        press2(w);
        release2(w);
    }
    QString line(const char* name) const {
        return form2_->findChild<CaptionLabel*>(QLatin1String(name))->text();
    }
    bool summaryShown() const {
        return form2_->findChild<QWidget*>(QStringLiteral("SummaryPanel"))->isVisible();
    }
    TypingBox* typing() const { return qobject_cast<TypingBox*>(form2_->r1()); }
    // The format of the character at `position` of the typing box.
    QTextCharFormat formatAt(int position) const {
        QTextCursor c(form2_->r1()->document());
        c.setPosition(position + 1);
        return c.charFormat();
    }
    void answer(const char* typed) {
        form2_->r1()->setPlainText(QString::fromUtf8(typed));
        click(form2_->Label5(DictationController::Answer));
    }
    // The four buttons 6 1 2 3 as "1111".
    QString buttons() const {
        QString out;
        for (int i : {6, 1, 2, 3})
            out += form2_->Label5(i)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    }

private slots:
    void init() {
        openWindow();
        launcher_ = std::make_unique<DictationLauncher>(*form_, services_->view);
    }
    void cleanup() {
        delete form2_.data();
        launcher_.reset();
        closeWindow();
    }

    void opensAsDesigned() {
        openDictation();
        QVERIFY(form2_->isVisible());
        QVERIFY(!form_->isVisible());
        QCOMPARE(form2_->windowTitle(), QStringLiteral("听写练习"));
        QCOMPARE(form2_->minimumSize(), form2_->maximumSize());
        QVERIFY(!(form2_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // Centred, give or take the rounding of odd sizes.
        QVERIFY((form2_->geometry().center() - form2_->screen()->geometry().center()).manhattanLength() <= 4);
        QCOMPARE(form2_->palette().color(QPalette::Window), QColor(236, 237, 239));

        QCOMPARE(form2_->T1()->topLevelItemCount(), 4);
        for (int i = 0; i < 4; ++i)
            QVERIFY(!form2_->T1()->topLevelItem(i)->isExpanded());
        QCOMPARE(form2_->focusWidget(), form2_->r1());
        QVERIFY(!form2_->r1()->isReadOnly());
        QVERIFY(form2_->r2()->isReadOnly());
        const char* const captions[] = {"", "下一句", "朗  读", "答  案", "退  出", "", "上一句"};
        for (int i : {6, 1, 2, 3, 4}) {
            QCOMPARE(form2_->Label5(i)->text(), QString::fromUtf8(captions[i]));
            QCOMPARE(form2_->Label5(i)->parentWidget(), form2_->Picture4(i));
            QCOMPARE(form2_->Picture4(i)->toolTip(), form2_->Label5(i)->toolTip());
        }
        // Each button's tool tip names its keys.
        const char* const keys[] = {"", "（Alt+→）", "（Ctrl+R 或 F5）", "（Ctrl+Enter）",
                                    "", "",          "（Alt+←）"};
        for (int i : {6, 1, 2, 3, 4}) {
            const QString tip = form2_->Label5(i)->toolTip();
            QVERIFY2(!tip.isEmpty() && tip.endsWith(QString::fromUtf8(keys[i])), qPrintable(tip));
        }
        QCOMPARE(buttons(), QStringLiteral("0000"));
        QVERIFY(form2_->Label5(DictationController::Exit)->isEnabled());
        QCOMPARE(form2_->Label14()->text(), QStringLiteral("隐 藏"));
        QCOMPARE(form2_->Text1()->text(), QStringLiteral("Text1"));
        QCOMPARE(form2_->DictationIndex(), 0);
    }

    // The close box and "退  出" both bring the lesson window back, without ending the
    // program, and the next opening starts afresh.
    void closingShowsTheLessonWindow_data() {
        QTest::addColumn<bool>("byExitButton");
        QTest::newRow("close box") << false;
        QTest::newRow("退  出") << true;
    }
    void closingShowsTheLessonWindow() {
        QFETCH(bool, byExitButton);
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        openDictation();
        choose2(1, 1);
        QTest::mouseClick(form2_->Label14(), Qt::LeftButton);
        closeDictation(byExitButton);
        QVERIFY(form_->isVisible());
        QCOMPARE(lastClosed.count(), 0);

        openDictation();
        QCOMPARE(form2_->controller().lesson().count(), 0);
        QCOMPARE(buttons(), QStringLiteral("0000"));
        // The hidden translation is remembered.
        QCOMPARE(form2_->Label14()->text(), QStringLiteral("显 示"));
    }

    // Opening ends what the lesson window plays; closing gives the player back the
    // lesson window's own recording, stopped.
    void playerIsHandedBackAndForth_data() {
        QTest::addColumn<int>("lessonWindowLesson");
        QTest::addColumn<QString>("playing");
        QTest::addColumn<QString>("urlAfter");
        QTest::newRow("reading the whole lesson") << 1 << "lesson"
                                                  << "QLX101.mp3";
        QTest::newRow("one sentence") << 1 << "sentence"
                                      << "QLX101.mp3";
        QTest::newRow("idle") << 1 << ""
                              << "QLX101.mp3";
        QTest::newRow("no lesson") << 0 << ""
                                   << "";
    }
    void playerIsHandedBackAndForth() {
        QFETCH(int, lessonWindowLesson);
        QFETCH(QString, playing);
        QFETCH(QString, urlAfter);
        if (lessonWindowLesson)
            choose(1, lessonWindowLesson);
        SentenceController& reading = form_->controller();
        if (playing == "lesson")
            reading.readLesson();
        else if (playing == "sentence")
            reading.PlaySentence(1);

        openDictation();
        QVERIFY(!reading.ContinuousRead());
        QVERIFY(!reading.pollActive());
        QVERIFY(!reading.pausePending());
        QCOMPARE(player().playState() == IMediaPlayer::Playing, false);
        QCOMPARE(reading.SentenceIndex(), playing == "sentence" ? 1 : -1);
        QCOMPARE(form_->Label6(1)->isEnabled(), lessonWindowLesson != 0);

        choose2(1, 10);
        QCOMPARE(player().url(), copyOf("QLX1010.mp3"));
        click(form2_->Label5(DictationController::Read));
        QCOMPARE(player().playState(), IMediaPlayer::Playing);

        closeDictation(true);
        QCOMPARE(player().url(), urlAfter.isEmpty() ? QString() : copyOf("QLX101.mp3"));
        QCOMPARE(player().playState() == IMediaPlayer::Playing, false);
        QCOMPARE(player().currentPosition(), 0.0);
        if (lessonWindowLesson) {
            // A sentence of the lesson window plays its own lesson's recording.
            reading.PlaySentence(0);
            QCOMPARE(player().url(), copyOf("QLX101.mp3"));
            QCOMPARE(player().playState(), IMediaPlayer::Playing);
        }
    }

    // The output's trouble is said on the dictation window while it is open, and on the
    // lesson window again after it.
    void outputTroubleIsSaidWhereTheLearnerIs_data() {
        QTest::addColumn<int>("trouble");
        QTest::addColumn<QString>("said");
        QTest::newRow("stalled") << int(IMediaPlayer::Trouble::Stalled) << "声音输出没有响应，朗读暂停";
        QTest::newRow("gone") << int(IMediaPlayer::Trouble::Gone) << "声音服务已断开，下次朗读时重新连接";
    }
    void outputTroubleIsSaidWhereTheLearnerIs() {
        QFETCH(int, trouble);
        QFETCH(QString, said);
        const auto notice = [](QWidget* window) {
            return window->findChild<QLabel*>(QStringLiteral("NoticeLine"));
        };
        openDictation();
        player().setTrouble(IMediaPlayer::Trouble(trouble));
        QCOMPARE(notice(form2_)->text(), said);
        QVERIFY(notice(form2_)->isVisible());
        player().setTrouble(IMediaPlayer::Trouble::None);
        QCOMPARE(notice(form2_)->text(), QStringLiteral("声音输出已恢复"));
        player().setTrouble(IMediaPlayer::Trouble(trouble));
        closeDictation(true);
        QCOMPARE(notice(form_.get())->text(), said);
        player().setTrouble(IMediaPlayer::Trouble::None);
        QCOMPARE(notice(form_.get())->text(), QStringLiteral("声音输出已恢复"));
    }

    void lessonLoading() {
        openDictation();
        form2_->r1()->setPlainText(QStringLiteral("typed"));
        choose2(1, 1);
        const Lesson& lesson = form2_->controller().lesson();
        QCOMPARE(lesson.count(), 3);
        QCOMPARE(form2_->Label8()->text(), QStringLiteral("你好，安！"));
        QCOMPARE(form2_->Label10()->text(), QStringLiteral("你好，安！"));
        QCOMPARE(form2_->r1()->toPlainText(), QString());
        QCOMPARE(buttons(), QStringLiteral("1111"));
        QCOMPARE(player().url(), copyOf("QLX101.mp3"));
        QCOMPARE(player().playState(), IMediaPlayer::Stopped);
        QVERIFY(!form2_->findChild<NoticeLine*>()->isVisible());

        // No recording: the lists load, the buttons stay off and the learner is told.
        choose2(1, 4);
        QCOMPARE(form2_->controller().lesson().count(), 2);
        QCOMPARE(form2_->Label8()->text(), QStringLiteral("第四课第一句。"));
        QCOMPARE(buttons(), QStringLiteral("0000"));
        QCOMPARE(player().url(), QString());
        QVERIFY(form2_->findChild<NoticeLine*>()->isVisible());

        // A book node opens or closes and unloads.
        choose2(1, 1);
        const bool expanded = form2_->T1()->topLevelItem(0)->isExpanded();
        choose2(1, 0);
        QCOMPARE(form2_->T1()->topLevelItem(0)->isExpanded(), !expanded);
        QCOMPARE(form2_->controller().lesson().count(), 0);
        QCOMPARE(form2_->controller().DictationAudioFile(), QString());
        QCOMPARE(form2_->Label8()->text(), QString());
        QCOMPARE(form2_->Label10()->text(), QString());
        QCOMPARE(buttons(), QStringLiteral("0000"));
        QCOMPARE(player().url(), QString());
    }

    // Press shows the pressed picture, release the normal one, then the action, then the
    // typing box takes the focus and the answer's caret goes to its end.
    void buttonsThroughTheMouse() {
        openDictation();
        choose2(1, 1);
        QTest::keyClicks(form2_->r1(), QStringLiteral("hello ann"));
        PictureBox* frame = form2_->Picture4(DictationController::Answer);
        const Picture normal = frame->picture();
        press2(form2_->Label5(DictationController::Answer));
        QVERIFY(!(frame->picture() == normal));
        release2(form2_->Label5(DictationController::Answer));
        QCOMPARE(frame->picture(), normal);
        QCOMPARE(form2_->r2()->toPlainText(), QStringLiteral("Hello, Ann!"));
        QCOMPARE(form2_->r1()->toPlainText(), QStringLiteral("hello ann"));
        QCOMPARE(form2_->focusWidget(), form2_->r1());
        QCOMPARE(form2_->r2()->textCursor().position(), 11);

        click(form2_->Label5(DictationController::Next));
        QCOMPARE(form2_->DictationIndex(), 1);
        QCOMPARE(form2_->r1()->toPlainText(), QString());
        QCOMPARE(form2_->r2()->toPlainText(), QString());
        QCOMPARE(player().playState(), IMediaPlayer::Playing);
        QCOMPARE(player().currentPosition(), 2.1);
        QVERIFY(form2_->controller().pollActive());

        // The white panel around the typing box: no picture, only the focus.
        form2_->T1()->setFocus();
        PictureBox* heading = form2_->Picture4(0);
        const Picture headingPicture = heading->picture();
        press2(form2_->Label5(0), QPoint(2, form2_->Label5(0)->height() - 2));
        QCOMPARE(heading->picture(), headingPicture);
        release2(form2_->Label5(0), QPoint(2, form2_->Label5(0)->height() - 2));
        QCOMPARE(form2_->focusWidget(), form2_->r1());
        QCOMPARE(form2_->DictationIndex(), 1);

        // A disabled button shows no press and does nothing.
        choose2(1, 4);
        PictureBox* next = form2_->Picture4(DictationController::Next);
        press2(form2_->Label5(DictationController::Next));
        QCOMPARE(next->picture(), normal);
        release2(form2_->Label5(DictationController::Next));
        QCOMPARE(form2_->DictationIndex(), 0);
    }

    void translationToggleAndLink() {
        openDictation();
        choose2(1, 1);
        QTest::mouseClick(form2_->Label14(), Qt::LeftButton);
        QCOMPARE(form2_->Label14()->text(), QStringLiteral("显 示"));
        QCOMPARE(form2_->Label8()->text(), QString());
        click(form2_->Label5(DictationController::Next));
        QCOMPARE(form2_->Label8()->text(), QString());
        QCOMPARE(form2_->Label10()->text(), QStringLiteral("欢迎来到俱乐部。"));
        QTest::mouseClick(form2_->Picture10(), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(form2_->Label14()->text(), QStringLiteral("隐 藏"));
        QCOMPARE(form2_->Label8()->text(), QStringLiteral("欢迎来到俱乐部。"));
        QTest::mouseClick(form2_->Label14(), Qt::LeftButton);
        choose2(1, 1); // a lesson load keeps the learner's choice
        QCOMPARE(form2_->Label14()->text(), QStringLiteral("显 示"));
        QCOMPARE(form2_->Label8()->text(), QString());

        QTest::mouseClick(form2_->Label4(3), Qt::LeftButton);
        QCOMPARE(services_->shell.opened, QStringList());
        QTest::mouseClick(form2_->Label4(5), Qt::LeftButton);
        QCOMPARE(services_->shell.opened, QStringList{links::homePage});
        // A page the desktop cannot open is told.
        auto* notice = form2_->findChild<NoticeLine*>(QStringLiteral("NoticeLine"));
        QVERIFY(!notice->isVisible());
        services_->shell.succeed = false;
        QTest::mouseClick(form2_->Label4(5), Qt::LeftButton);
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), links::notOpened);
    }

    // Holding the right button on a word of the answer shows its entry and speaks it;
    // the left button there selects, and the typing box looks nothing up.
    void wordsOfTheAnswerAreLookedUp() {
        LessonFixture::writeFile(fx_->dataFolder() + files::dictionary,
                                 dictionaryBytes({"Welcome['welk2m]v.欢迎"}));
        openDictation();
        choose2(1, 1);
        click(form2_->Label5(DictationController::Next));
        click(form2_->Label5(DictationController::Answer));
        QTest::keyClicks(form2_->r1(), QStringLiteral("Welcome"));
        const struct {
            QPlainTextEdit* box;
            Qt::MouseButton button;
            bool shown;
        } cases[] = {{form2_->r2(), Qt::LeftButton, false},
                     {form2_->r2(), Qt::RightButton, true},
                     {form2_->r1(), Qt::LeftButton, false}};
        for (const auto& c : cases) {
            QTextCursor cursor(c.box->document());
            cursor.setPosition(2);
            const QPoint p = c.box->viewport()->mapTo(form2_.data(), c.box->cursorRect(cursor).center());
            QTest::mousePress(form2_->windowHandle(), c.button, {}, p);
            QCOMPARE(form2_->Picture8()->isVisible(), c.shown);
            QTest::mouseRelease(form2_->windowHandle(), c.button, {}, p);
            QVERIFY(!form2_->Picture8()->isVisible());
        }
        QCOMPARE(services_->speech.spoken, QStringList{"Welcome"});
    }
    // "答  案" marks the typing box without changing what was typed, `r2` holding the
    // stored sentence; the marks go at the next change and come back at the next answer.
    void answerIsMarked() {
        openDictation();
        choose2(1, 1);
        click(form2_->Label5(DictationController::Next));
        QCOMPARE(line("PositionLine"), QStringLiteral("第 2 句 / 共 3 句"));
        QSignalSpy marked(&form2_->marking(), &MarkingSession::sentenceMarked);
        const QString typed = QStringLiteral("Welcom to club please");
        QTest::keyClicks(form2_->r1(), typed);
        click(form2_->Label5(DictationController::Answer));
        QCOMPARE(form2_->r2()->toPlainText(), QStringLiteral("Welcome to the  club."));
        QCOMPARE(form2_->r1()->toPlainText(), typed);
        QVERIFY(typing()->marksShown());
        QCOMPARE(typing()->insets(), QStringList{"[the]"});
        QCOMPARE(formatAt(0).underlineColor(), TypingBox::slipUnderline); // Welcom: a slip
        QCOMPARE(formatAt(5).foreground().color(), TypingBox::wrongText); // its last letter
        QVERIFY(formatAt(8).fontLetterSpacing() > 0);                     // the gap after "to"
        QVERIFY(formatAt(16).fontStrikeOut());                            // please: extra
        QVERIFY(!formatAt(7).fontStrikeOut() && formatAt(7).underlineStyle() == QTextCharFormat::NoUnderline);
        QCOMPARE(line("ScoreLine"), QStringLiteral("2/4 词正确 · 1 处拼写 · 1 个多余词 · 得分 50%"));
        QCOMPARE(marked.count(), 1);
        QCOMPARE(marked[0][0].value<SentenceScore>().sentence, 1);

        QTest::keyClicks(form2_->r1(), QStringLiteral("!"));
        QVERIFY(!typing()->marksShown());
        QCOMPARE(typing()->insets(), QStringList());
        QVERIFY(!formatAt(16).fontStrikeOut());
        QCOMPARE(form2_->r1()->toPlainText(), typed + QLatin1Char('!'));
        form2_->r1()->setPlainText(QStringLiteral("welcome to the club"));
        click(form2_->Label5(DictationController::Answer));
        QCOMPARE(line("ScoreLine"), QStringLiteral("4/4 词正确 · 得分 100%"));
        QCOMPARE(typing()->insets(), QStringList());
        click(form2_->Label5(DictationController::Next));
        QCOMPARE(line("ScoreLine"), QString());
        QVERIFY(!typing()->marksShown());
    }

    // The dictation window plays at the lesson window's speed, and a change made there
    // reaches the next dictation's plays: a second of the clock moves through the
    // recording by the speed.
    void playsAtTheLessonWindowsSpeed() {
        const struct {
            const char* keys;
            double rate;
        } rounds[] = {{"[, [, [", 0.7}, {"]", 0.8}, {"Backspace", 1.0}, {"[", 0.9}};
        choose(1, 1);
        for (const auto& round : rounds) {
            form_->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form_.get()));
            for (const QString& key : QString::fromLatin1(round.keys).split(QStringLiteral(", ")))
                QTest::keySequence(form_.get(), QKeySequence(key));
            openDictation();
            choose2(1, 1);
            for (int button : {int(DictationController::Next), int(DictationController::Read)}) {
                click(form2_->Label5(button));
                QCOMPARE(player().playState(), IMediaPlayer::Playing);
                const double from = player().currentPosition();
                player().advance(1.0);
                QVERIFY2(qFuzzyCompare(player().currentPosition() - from, round.rate), round.keys);
            }
            closeDictation(true);
        }
    }

    // Marks with missing words' gaps go with any change of the text, leaving exactly the
    // new text (a gap once held a cursor of the document that the change destroyed
    // mid-change: a crash, or words lost, now and then).
    void marksGoWithAnyChange_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("expected");
        QTest::newRow("typed on") << 0 << "This is brown and that is black!";
        QTest::newRow("replaced") << 1 << "a new answer";
        QTest::newRow("emptied for the next sentence") << 2 << "";
    }
    void marksGoWithAnyChange() {
        QFETCH(int, how);
        QFETCH(QString, expected);
        TypingBox box(nullptr);
        box.resize(400, 100);
        box.show();
        const QString typed = QStringLiteral("This is brown and that is black");
        for (int round = 0; round < 200; ++round) {
            box.setPlainText(typed);
            box.showMarks(
                answers::compareAnswer(typed, QStringLiteral("This one is brown and that one is black.")));
            QCOMPARE(box.insets().size(), 2);
            box.moveCursor(QTextCursor::End);
            if (how == 0)
                QTest::keyClicks(&box, QStringLiteral("!"));
            else if (how == 1)
                box.setPlainText(expected);
            else
                box.clear();
            QCOMPARE(box.toPlainText(), expected);
            QVERIFY(!box.marksShown());
            QVERIFY(box.insets().isEmpty());
        }
    }

    // The keys reach the buttons' actions with the typing box focused; plain typing and
    // the box's own keys stay the box's.
    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("caret");
        const int ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << ctrl << 1 << true << false << "abc" << 0;
        QTest::newRow("Ctrl+Enter, keypad")
            << int(Qt::Key_Enter) << int(ctrl | Qt::KeypadModifier) << 1 << true << false << "abc" << 0;
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << ctrl << 1 << false << true << "abc" << 0;
        QTest::newRow("F5") << int(Qt::Key_F5) << 0 << 1 << false << true << "abc" << 0;
        QTest::newRow("Alt+Right") << int(Qt::Key_Right) << alt << 2 << false << true << "" << 0;
        QTest::newRow("Alt+Left") << int(Qt::Key_Left) << alt << 0 << false << true << "" << 0;
        QTest::newRow("Ctrl+Right moves by word")
            << int(Qt::Key_Right) << ctrl << 1 << false << false << "abc" << 3;
        QTest::newRow("Enter types a line")
            << int(Qt::Key_Return) << 0 << 1 << false << false << "\nabc" << 1;
        QTest::newRow("r types") << int(Qt::Key_R) << 0 << 1 << false << false << "rabc" << 1;
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        openDictation();
        choose2(1, 1);
        click(form2_->Label5(DictationController::Next));
        player().stop();
        form2_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form2_.data()));
        QTest::keyClicks(form2_->r1(), QStringLiteral("abc"));
        form2_->r1()->moveCursor(QTextCursor::Start);
        QTest::keyClick(form2_->r1(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTEST(int(form2_->DictationIndex()), "index");
        QTEST(!form2_->r2()->toPlainText().isEmpty(), "answered");
        QTEST(player().playState() == IMediaPlayer::Playing, "playing");
        QTEST(form2_->r1()->toPlainText(), "typed");
        QTEST(form2_->r1()->textCursor().position(), "caret");
    }

    // The summary shows in the window at the last sentence's answer; a lesson left
    // part-done is summed up at the next lesson load, or at the close on the lesson
    // window's notice line. A summary once shown is not shown again.
    void lessonSummary() {
        openDictation();
        choose2(1, 1);
        QSignalSpy summed(&form2_->marking(), &MarkingSession::lessonSummarised);
        answer("hello ann");
        click(form2_->Label5(DictationController::Next));
        answer("welcome to the club");
        click(form2_->Label5(DictationController::Next));
        QVERIFY(!summaryShown());
        answer("thank you very mutch");
        QVERIFY(summaryShown());
        QCOMPARE(line("SummaryTitle"), QStringLiteral("Lesson 1 听写小结"));
        QCOMPARE(line("SummaryText"), QStringLiteral("已听写 3/3 句\n平均得分 96%\n最常写错：much"));
        QCOMPARE(summed.count(), 1);
        QVERIFY(summed[0][0].value<LessonScore>().complete);
        QCOMPARE(form2_->r2()->toPlainText(), QStringLiteral("Thank you very much."));

        choose2(1, 10); // already summed up: nothing new
        QVERIFY(!summaryShown());
        QCOMPARE(summed.count(), 1);
        choose2(1, 1);
        answer("hello");
        choose2(1, 10);
        QVERIFY(summaryShown());
        QCOMPARE(line("SummaryText"), QStringLiteral("已听写 1/3 句\n平均得分 50%\n最常写错：Ann"));
        QTest::mouseClick(form2_->findChild<CaptionLabel*>(QStringLiteral("SummaryClose")), Qt::LeftButton);
        QVERIFY(!summaryShown());
        QCOMPARE(summed.count(), 2);
        QVERIFY(!summed[1][0].value<LessonScore>().complete);

        choose2(1, 1);
        answer("hello and");
        closeDictation(true);
        QCOMPARE(summed.count(), 3);
        QVERIFY(form_->noticeLine()->isVisible());
        QCOMPARE(form_->noticeLine()->text(),
                 QStringLiteral("Lesson 1 听写小结：已听写 1/3 句 · 平均得分 75% · 最常写错：Ann"));
    }

    // The comparison options and the translation toggle outlive the window; a changed
    // option marks the shown answer again.
    void choicesAreRemembered() {
        openDictation();
        choose2(1, 1);
        answer("hello ann");
        QCOMPARE(line("ScoreLine"), QStringLiteral("2/2 词正确 · 得分 100%"));
        auto* menu = form2_->findChild<QMenu*>(QStringLiteral("CompareOptionsMenu"));
        menu->findChild<QAction*>(QStringLiteral("ignoreCase"))->trigger();
        QCOMPARE(line("ScoreLine"), QStringLiteral("0/2 词正确 · 2 处拼写 · 得分 50%"));
        QVERIFY(typing()->marksShown());
        for (const char* always : {"fullWidth", "blanks"}) {
            QAction* a = menu->findChild<QAction*>(QLatin1String(always));
            QVERIFY(a->isChecked() && !a->isEnabled());
        }
        QTest::mouseClick(form2_->Label14(), Qt::LeftButton);
        closeDictation(true);

        openDictation();
        menu = form2_->findChild<QMenu*>(QStringLiteral("CompareOptionsMenu"));
        QVERIFY(!menu->findChild<QAction*>(QStringLiteral("ignoreCase"))->isChecked());
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("ignorePunctuation"))->isChecked());
        QCOMPARE(form2_->Label14()->text(), QStringLiteral("显 示"));
        choose2(1, 1);
        QCOMPARE(form2_->Label8()->text(), QString());
        QCOMPARE(form2_->Label10()->text(), QStringLiteral("你好，安！"));
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
