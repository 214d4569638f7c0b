// The sentence drill in the lesson window: its keys from whichever control has the
// focus, the catalogue tree's own keys, listen first and the text size as shown.
#include "FakeServices.h"
#include "Form1Harness.h"
#include "drill/SentenceDrill.h"
#include "lesson_window/Form1.h"
#include "lesson_window/PracticeMenu.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "playback/SentenceController.h"
#include "resources/Installation.h"
#include "tests/dictionary/DictionaryFixture.h"
#include "tests/drill/VirtualClock.h"
#include "widgets/Controls.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

class TestPracticeWindow : public QObject, protected Form1Harness {
    Q_OBJECT

    void loadLesson1() {
        choose(1, 1);
        services_->player.calls.clear();
    }
    // Index, reading, held, plays so far, what is on and the text size, in one line.
    QString state() const {
        const DrillSettings& s = form_->drill().settings();
        return QStringLiteral("%1 %2%3 plays %4 [%5] %6%")
            .arg(form_->SentenceIndex())
            .arg(form_->ContinuousRead() ? "reading" : "-")
            .arg(form_->controller().readingHeld() ? " held" : "")
            .arg(services_->player.calls.count(QStringLiteral("play")))
            .arg(s.describe())
            .arg(s.textPercent);
    }
    // Holds `button` on character `position` of `box`: whether the word pop-up showed.
    template <class Box> bool popUpAt(Box* box, int position, Qt::MouseButton button) {
        QTextCursor c(box->document());
        c.setPosition(position + 1);
        const QPoint p = box->viewport()->mapTo(form_.get(), box->cursorRect(c).center());
        press(p, button);
        const bool shown = form_->Picture8()->isVisible();
        release(p, button);
        return shown;
    }
    // The sentences shown as blanks, as "0 2".
    QString hiddenSentences() const {
        QStringList out;
        for (int i = 0; i < form_->lesson().count(); ++i) {
            if (form_->listenFirst().hidden(i))
                out << QString::number(i);
        }
        return out.join(QLatin1Char(' '));
    }
    QWidget* focusTarget(const QString& name) const {
        return name == "T1"   ? static_cast<QWidget*>(form_->T1())
               : name == "r1" ? static_cast<QWidget*>(form_->r1())
               : name == "r2" ? static_cast<QWidget*>(form_->r2())
                              : static_cast<QWidget*>(form_->r3());
    }

private slots:
    void init() {
        openWindow();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }
    void cleanup() { closeWindow(); }

    // Every key reaches its command with the tree, the lesson text, the sentence box or
    // the word list focused.
    void keysReachTheirCommands_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::newRow("next, next, previous") << "Ctrl+Right, Alt+Right, Alt+Left"
                                              << "0 - plays 0 [] 100%";
        QTest::newRow("next, replay") << "Alt+Right, R"
                                      << "0 - plays 1 [] 100%";
        QTest::newRow("read") << "F5"
                              << "0 reading plays 1 [] 100%";
        QTest::newRow("read on") << "Ctrl+Right, Ctrl+Right, Shift+F5"
                                 << "1 reading plays 1 [] 100%";
        QTest::newRow("hold") << "F5, Space"
                              << "0 reading held plays 1 [] 100%";
        QTest::newRow("resume") << "F5, Space, Space"
                                << "0 reading plays 2 [] 100%";
        QTest::newRow("stop") << "F5, Esc"
                              << "-1 - plays 1 [] 100%";
        QTest::newRow("loop") << "L"
                              << "-1 - plays 0 [单句循环] 100%";
        QTest::newRow("loop off") << "L, L"
                                  << "-1 - plays 0 [] 100%";
        QTest::newRow("speed") << "], [, ["
                               << "-1 - plays 0 [语速 0.8×] 100%";
        QTest::newRow("speed back") << "[, Backspace"
                                    << "-1 - plays 0 [] 100%";
        QTest::newRow("pause to repeat") << "P"
                                         << "-1 - plays 0 [跟读停顿 1.5×] 100%";
        QTest::newRow("listen first") << "H"
                                      << "-1 - plays 0 [先听后看] 100%";
        QTest::newRow("larger") << "Ctrl+=, Ctrl+="
                                << "-1 - plays 0 [] 125%";
        QTest::newRow("smaller, normal") << "Ctrl+=, Ctrl+=, Ctrl+-, Ctrl+0"
                                         << "-1 - plays 0 [] 100%";
    }
    void keysReachTheirCommands() {
        QFETCH(QString, keys);
        QFETCH(QString, after);
        for (const char* focus : {"T1", "r1", "r2", "r3"}) {
            closeWindow();
            init();
            loadLesson1();
            QWidget* target = focusTarget(QLatin1String(focus));
            target->setFocus();
            QTRY_VERIFY(target->hasFocus());
            const QModelIndex current = form_->T1()->currentIndex();
            for (const QString& key : keys.split(QStringLiteral(", ")))
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            QVERIFY2(state() == after, qPrintable(QStringLiteral("%1: %2").arg(focus, state())));
            QCOMPARE(form_->T1()->currentIndex(), current); // letters search nothing
        }
    }

    // A learner's session without the mouse, the tree focused throughout: the lesson
    // opened from the tree, a sentence looped three times (the count chosen in the menu)
    // at 0.7x, the lesson shadowed with rests to repeat aloud, then heard with its text
    // hidden and revealed sentence by sentence.
    void keyboardOnlyWalk() {
        QTreeWidget* tree = form_->T1();
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        const auto keys = [](const QString& sequence) {
            for (const QString& key : sequence.split(QStringLiteral(", ")))
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        };
        keys("Home, Return, Down, Return");
        QCOMPARE(form_->lesson().count(), 3);
        FakeMediaPlayer& player = services_->player;
        player.setDuration(player.url(), 6.0);
        player.setUrl(player.url());
        SentenceController& c = form_->controller();
        QStringList heard;
        QList<int> rests;
        const auto listen = [&] {
            heard.clear();
            rests.clear();
            runVirtualClock(c, player, heard, rests);
        };

        // 练习 > 循环遍数 > 3 遍, through the menus' own keys.
        keys("Alt+P");
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        for (const char* key : {"Down", "Down", "Right", "Down", "Return"})
            QTest::keySequence(QApplication::activePopupWidget(), QKeySequence(QLatin1String(key)));
        QTRY_VERIFY(!QApplication::activePopupWidget());
        keys("[, [, [, Alt+Right, R");
        QCOMPARE(form_->practice().statusLine()->text(), QStringLiteral("单句循环 3 遍 · 语速 0.7×"));
        listen();
        QCOMPARE(heard, QStringList({"0:1860", "0:1860", "0:1860"}));
        QCOMPARE(rests, QList<int>({800, 800}));

        keys("L, Backspace, P, F5");
        listen();
        QCOMPARE(heard, QStringList({"0:1300", "1:2150", "2:1450"}));
        QCOMPARE(rests, QList<int>({2450, 3725}));
        QVERIFY(!c.ContinuousRead());

        keys("P, H, F5");
        listen();
        QCOMPARE(sentencesOf(heard), QStringList({"0", "1", "2"}));
        QCOMPARE(hiddenSentences(), QStringLiteral("0 1 2"));
        for (int i = 0; i < 3 && c.SentenceIndex() != 0; ++i)
            keys("Alt+Left");
        const QStringList revealed[] = {
            {"1 2", "Hello, Ann!"}, {"2", "Welcome to the  club."}, {"", "Thank you very much."}};
        for (int i = 0; i < 3; ++i) {
            const QStringList& step = revealed[i];
            keys(i == 0 ? "R" : "Alt+Right, R");
            listen();
            QCOMPARE(sentencesOf(heard), QStringList{QString::number(i)});
            QCOMPARE(form_->r2()->toPlainText(), ListenFirst::blanks(step.at(1)));
            keys("V");
            QCOMPARE(hiddenSentences(), step.at(0));
            QCOMPARE(form_->r2()->toPlainText(), step.at(1));
        }
        QCOMPARE(QApplication::focusWidget(), tree);
    }

    // The tree keeps its arrows, Home, End and Enter.
    void treeKeepsItsKeys() {
        QTreeWidget* tree = form_->T1();
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Home); // with nothing current: the first node
        QTest::keyClick(tree, Qt::Key_End);
        QCOMPARE(tree->currentItem()->text(0), tree->topLevelItem(tree->topLevelItemCount() - 1)->text(0));
        QTest::keyClick(tree, Qt::Key_Home);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QTest::keyClick(tree, Qt::Key_Return); // opens the book
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0)->child(0));
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(form_->lesson().count(), 3);
    }

    // The menu: between 文件 and 帮助, its keys shown, checks following the settings;
    // the line at the bottom right names what is on.
    void menuAndStatusLine() {
        const QList<QAction*> menus = form_->menuBar()->actions();
        QCOMPARE(menus.at(1)->menu(), practiceMenu(*form_));
        QMenu* menu = practiceMenu(*form_);
        QAction* loop = menu->findChild<QAction*>(QStringLiteral("单句循环"));
        QVERIFY(loop && loop->isCheckable());
        QCOMPARE(loop->shortcut(), QKeySequence(Qt::Key_L));
        QLabel* status = form_->practice().statusLine();
        QVERIFY(!status->isVisible());
        QTest::keyClick(form_.get(), Qt::Key_L);
        QTest::keyClick(form_.get(), Qt::Key_BracketLeft);
        QTest::keyClick(form_.get(), Qt::Key_BracketLeft);
        QVERIFY(loop->isChecked());
        QVERIFY(status->isVisible());
        QCOMPARE(status->text(), QStringLiteral("单句循环 · 语速 0.8×"));
        QCOMPARE(services_->player.rate(), 0.8);
        QCOMPARE(status->geometry().bottomRight(), form_->centralWidget()->rect().bottomRight());
    }

    // Listen first: blanks exactly as wide as the words (the layout does not move), the
    // sentence box as blanks, translation and word list hidden; V or a click reveals.
    void listenFirstShowsBlanks() {
        loadLesson1();
        QTextEdit* r1 = form_->r1();
        const QSizeF plain = r1->document()->size();
        QTest::keyClick(form_.get(), Qt::Key_H);
        QCOMPARE(r1->document()->size(), plain);
        const auto formatAt = [r1](int position) {
            QTextCursor c(r1->document());
            c.setPosition(position + 1);
            return c.charFormat();
        };
        QCOMPARE(formatAt(0).foreground().color(), QColor(Qt::transparent));
        QVERIFY(formatAt(0).fontUnderline());
        QVERIFY(!formatAt(6).fontUnderline()); // the space after "Hello,"
        QVERIFY(!form_->r3()->isVisible());

        QTest::keyClick(form_.get(), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(form_->r2()->toPlainText(), QStringLiteral("______ ____"));
        QCOMPARE(form_->Label8()->text(), QString());
        QTest::keyClick(form_.get(), Qt::Key_V);
        QCOMPARE(form_->r2()->toPlainText(), QStringLiteral("Hello, Ann!"));
        QCOMPARE(form_->Label8()->text(), QStringLiteral("你好，安！"));
        QCOMPARE(formatAt(0).foreground().color(), QColor(255, 0, 0));
        QVERIFY(!formatAt(0).fontUnderline());

        const Lesson& l = form_->lesson();
        form_->r1()->setTextCursor(QTextCursor(r1->document()));
        QTextCursor at(r1->document());
        at.setPosition(l.documentStart(1) + 3);
        r1->setTextCursor(at);
        QTest::mouseClick(r1->viewport(), Qt::LeftButton, {}, r1->cursorRect(at).center());
        QCOMPARE(form_->SentenceIndex(), qint16(1));
        QVERIFY(!form_->listenFirst().hidden(1));
        QVERIFY(form_->listenFirst().hidden(2));
        QCOMPARE(r1->document()->size(), plain);
        QTest::keyClick(form_.get(), Qt::Key_H);
        QVERIFY(form_->r3()->isVisible());
    }

    // Listen first, step by step: what stays hidden, what is revealed and stays so for
    // the lesson, and which words can be looked up then (holding the mouse on the first
    // word of sentences 0 and 1 in the lesson text, then on the sentence box): a hidden
    // word pops up nothing and is not spoken. The word list stays hidden while it is on.
    void listenFirstReveals_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QString>("sentenceBox");
        QTest::addColumn<QString>("translation"); // its start
        QTest::addColumn<QStringList>("lookedUp");
        const QString hint = QStringLiteral("提示：");
        const QString hello = QStringLiteral("Hello, Ann!");
        QTest::newRow("on") << "H"
                            << "0 1 2"
                            << "" << hint << QStringList();
        QTest::newRow("a sentence current") << "H, Alt+Right"
                                            << "0 1 2"
                                            << "______ ____"
                                            << "" << QStringList();
        QTest::newRow("revealed by V") << "H, Alt+Right, V"
                                       << "1 2" << hello << "你好，安！" << QStringList{"Hello", "Hello"};
        QTest::newRow("the next one hidden") << "H, Alt+Right, V, Alt+Right"
                                             << "1 2"
                                             << "_______ __ ___  _____"
                                             << "" << QStringList{"Hello"};
        QTest::newRow("translation toggled off and on") << "H, Alt+Right, Label14, Label14"
                                                        << "0 1 2"
                                                        << "______ ____"
                                                        << "" << QStringList();
        QTest::newRow("revealed by a click") << "H, click 1"
                                             << "0 2"
                                             << "Welcome to the  club."
                                             << "欢迎来到俱乐部。" << QStringList{"Welcome", "Welcome"};
        QTest::newRow("a click while reading") << "H, F5, click 1"
                                               << "0 1 2"
                                               << "______ ____"
                                               << "" << QStringList();
        QTest::newRow("revealed through off and on")
            << "H, Alt+Right, V, H, H"
            << "1 2" << hello << "你好，安！" << QStringList{"Hello", "Hello"};
        QTest::newRow("off") << "H, H"
                             << ""
                             << "" << hint << QStringList{"Hello", "Welcome"};
        QTest::newRow("a new lesson hides all") << "H, Alt+Right, V, reload"
                                                << "0 1 2"
                                                << "" << hint << QStringList();
    }
    void listenFirstReveals() {
        QFETCH(QString, steps);
        QFETCH(QString, translation);
        LessonFixture::writeFile(fx_->dataFolder() + files::dictionary,
                                 dictionaryBytes({"Hello[he'l2u]int.你好", "Welcome['welk2m]v.欢迎"}));
        loadLesson1();
        QTextEdit* r1 = form_->r1();
        const Lesson& lesson = form_->lesson();
        for (const QString& step : steps.split(QStringLiteral(", "))) {
            if (step == "reload") {
                choose(1, 1);
            } else if (step == "Label14") {
                QTest::mouseClick(form_->Label14(), Qt::LeftButton);
            } else if (step.startsWith("click ")) {
                QTextCursor at(r1->document());
                at.setPosition(lesson.documentStart(step.mid(6).toInt()) + 2);
                r1->setTextCursor(at);
                QTest::mouseClick(r1->viewport(), Qt::LeftButton, {}, r1->cursorRect(at).center());
            } else {
                QTest::keySequence(form_.get(), QKeySequence(step));
            }
        }
        QTEST(hiddenSentences(), "hidden");
        QTEST(form_->r2()->toPlainText(), "sentenceBox");
        QCOMPARE(form_->Label8()->text().left(translation.size()), translation);
        QCOMPARE(form_->r3()->isVisible(), !form_->drill().settings().listenFirst);
        r1->selectAll(); // selected letters take the selection's colour: hidden ones none
        QCOMPARE(r1->palette().color(QPalette::HighlightedText).alpha() == 0, !hiddenSentences().isEmpty());
        r1->setTextCursor(QTextCursor(r1->document()));

        const int shown = int(popUpAt(r1, lesson.documentStart(0), Qt::RightButton)) +
                          popUpAt(r1, lesson.documentStart(1), Qt::RightButton) +
                          popUpAt(form_->r2(), 0, Qt::LeftButton);
        QTEST(services_->speech.spoken, "lookedUp");
        QCOMPARE(shown, services_->speech.spoken.size());
    }

    // The text size scales the lesson text, the sentence box and the translation line.
    void textSize() {
        loadLesson1();
        const qreal box = form_->r2()->font().pointSizeF();
        const qreal line = form_->Label8()->font().pointSizeF();
        QTest::keyClick(form_.get(), Qt::Key_Equal, Qt::ControlModifier);
        QTest::keyClick(form_.get(), Qt::Key_Equal, Qt::ControlModifier);
        QTest::keyClick(form_.get(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(form_->drill().settings().textPercent, 150);
        QTextCursor c(form_->r1()->document());
        c.setPosition(3);
        QCOMPARE(c.charFormat().fontPointSize(), 18.0);
        QCOMPARE(form_->r2()->font().pointSizeF(), box * 1.5);
        QCOMPARE(form_->Label8()->font().pointSizeF(), line * 1.5);
        QTest::keyClick(form_.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(c.charFormat().fontPointSize(), 12.0);
    }

    // At every text size, on a lesson of long and short lines: the lesson text wraps and
    // shows the current sentence (whole where it fits, else from its start), and the
    // sentence box and the translation line hold all of their text, at the size asked
    // for where it fits and never below their own.
    void textSizeCutsNothing() {
        QList<SentenceRow> rows;
        const QString longLine = QStringLiteral(
            "When the weather turned, the fishermen of the little harbour pulled their boats up the "
            "shingle, tied them to the sea wall and sat by the fire telling stories of old storms.");
        const QString longTranslation =
            QStringLiteral("天气一变，小港的渔民们就把船远远地拖上卵石滩，用绳子把船拴在海堤上的铁环上，"
                           "然后坐在客栈的炉火旁，互相讲述多年前他们熬过的那些暴风雨的故事。");
        for (int i = 0; i < 12; ++i) {
            const bool isLong = i % 3 == 2;
            rows.append({isLong ? longLine : QStringLiteral("Short line %1.").arg(i),
                         isLong ? longTranslation : QStringLiteral("短句%1。").arg(i),
                         QString::number(0.5 + i), QString::number(1.4 + i), QStringLiteral("Lesson 1"),
                         QStringLiteral("1")});
        }
        QVERIFY(LessonFixture::writeFile(fx_->dataFolder() + files::database, buildLessonDatabase(rows, {})));
        loadLesson1();
        QTextEdit* r1 = form_->r1();
        QPlainTextEdit* r2 = form_->r2();
        CaptionLabel* line = form_->Label8();
        const double boxPoints = r2->font().pointSizeF();
        const double linePoints = line->font().pointSizeF();
        form_->controller().showSentence(11);
        const auto rectOf = [r1](int position) {
            QTextCursor c(r1->document());
            c.setPosition(position);
            return r1->cursorRect(c);
        };
        for (int percent : DrillSettings::textPercents()) {
            if (percent > 100)
                QTest::keyClick(form_.get(), Qt::Key_Equal, Qt::ControlModifier);
            QCOMPARE(form_->drill().settings().textPercent, percent);
            const double scale = percent / 100.0;
            for (int i : {11, 1, 8, 2}) { // after a size change, then stepping back and forth
                if (i != 11)
                    form_->controller().showSentence(i);
                const QString where = QStringLiteral("%1%, sentence %2").arg(percent).arg(i);
                const QRect start = rectOf(form_->lesson().documentStart(i));
                const QRect end = rectOf(form_->lesson().documentStart(i) + int(rows.at(i).english.size()));
                const int viewport = r1->viewport()->height();
                QVERIFY2(start.top() >= 0 && start.bottom() < viewport, qPrintable(where));
                if (end.bottom() - start.top() < viewport)
                    QVERIFY2(end.bottom() < viewport, qPrintable(where));
                QCOMPARE(r1->horizontalScrollBar()->maximum(), 0);
                QTRY_COMPARE(r2->verticalScrollBar()->maximum(), 0);
                QCOMPARE(r2->horizontalScrollBar()->maximum(), 0);
                const QRect room = line->contentsRect();
                QFont shown = line->font();
                shown.setPointSizeF(line->shownPointSize());
                const QRect needed = QFontMetrics(shown).boundingRect(QRect(0, 0, room.width(), 1 << 20),
                                                                      Qt::TextWordWrap, line->text());
                QVERIFY2(needed.height() <= room.height(), qPrintable(where));
                QVERIFY(r2->font().pointSizeF() >= boxPoints && shown.pointSizeF() >= linePoints);
                QCOMPARE(line->font().pointSizeF(), linePoints * scale);
                if (i == 1) { // short lines are shown at the size asked for
                    QCOMPARE(r2->font().pointSizeF(), boxPoints * scale);
                    QCOMPARE(shown.pointSizeF(), linePoints * scale);
                }
            }
            form_->controller().showSentence(11);
        }
    }
};

QTEST_MAIN(TestPracticeWindow)
#include "tst_practice_window.moc"
