// The sentence drill in the lesson window: its keys from whichever control has the
// focus, the catalogue tree's own keys, listen first and the text size as shown.
#include "FakeServices.h"
#include "Form1Harness.h"
#include "drill/SentenceDrill.h"
#include "lesson_window/Form1.h"
#include "lesson_window/PracticeMenu.h"
#include "playback/SentenceController.h"
#include "widgets/Controls.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
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
};

QTEST_MAIN(TestPracticeWindow)
#include "tst_practice_window.moc"
