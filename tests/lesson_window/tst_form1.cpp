// The lesson window: controls and initial state, catalogue, lesson loading, the
// translation toggle, the command bar's press feedback and the web pages.
#include "FakeServices.h"
#include "Form1Harness.h"
#include "lesson_window/Form1.h"
#include "lesson_window/WindowTips.h"
#include "platform/DataFolder.h"
#include "playback/SentenceController.h"
#include "startup/QtTexts.h"
#include "widgets/CatalogueTree.h"
#include "widgets/Controls.h"
#include "widgets/NoticeLine.h"
#include "widgets/WindowKit.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using namespace lesnor;
using namespace lesnor::test;

namespace {

const QString kHint = QStringLiteral("提示：点击句子能自动朗读整句并显示中文解释， "
                                     "鼠标指向单词按下右键不放（生词列表中左键）能显示单词解释、读音。");
const QColor kTeal(0, 128, 128);

QColor foreColor(const QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::WindowText);
}

} // namespace

class TestForm1 : public QObject, protected Form1Harness {
    Q_OBJECT

    QString copyOf(const char* name) const {
        return fx_->dataFolder() + "/sounenclff/" + QLatin1String(name);
    }

private slots:
    void init() {
        openWindow();
        services_->player.calls.clear();
    }

    void cleanup() { closeWindow(); }

    void controlsStartAsDesigned() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Vyk真人发音电子版 V3.2"));
        QVERIFY(form_->windowState() & Qt::WindowMaximized);
        const FormLayout design = FormLayout::design();
        for (const ControlPlace& place : design.controls())
            QVERIFY2(form_->findChild<QWidget*>(place.name), qPrintable(place.name));

        const char* const commands[] = {"朗读", "停止", "听写", "帮助", "主页"};
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(form_->Label6(i)->text(), QString::fromUtf8(commands[i - 1]));
            QCOMPARE(form_->Label6(i)->isEnabled(), i > 2);
            QCOMPARE(form_->Image1(i)->isEnabled(), i > 2);
            QCOMPARE(form_->Picture7(i)->borderStyle(), 0);
            QCOMPARE(form_->Picture7(i)->backColor(), QColor(203, 222, 245));
            QCOMPARE(form_->Image1(i)->parentWidget(), form_->Picture7(i));
        }
        const char* const tools[] = {"上一句", "下一句", "朗  读", "● 录音", "回  放", "另存为"};
        for (int i = 0; i <= 5; ++i) {
            QCOMPARE(form_->Label5(i)->text(), QString::fromUtf8(tools[i]));
            QCOMPARE(form_->Label5(i)->isEnabled(), i < 4);
            QCOMPARE(form_->Picture4(i)->picture(), form_->normalButtonPicture());
        }
        const char* const titles[] = {"句子学习", "选择课文", "生词列表", "", "中文翻译"};
        for (int i = 0; i <= 4; ++i)
            QCOMPARE(form_->Label4(i)->text(), QString::fromUtf8(titles[i]));
        QCOMPARE(form_->Label14()->text(), QStringLiteral("隐 藏"));
        QVERIFY(!(form_->normalButtonPicture() == form_->pressedButtonPicture()));

        QCOMPARE(form_->palette().color(QPalette::Window), QColor(236, 237, 239));
        QCOMPARE(form_->control("Label1")->palette().color(QPalette::Window), QColor(203, 222, 245));
        QCOMPARE(static_cast<PictureBox*>(form_->control("Picture3"))->backColor(), QColor(228, 239, 252));
        QCOMPARE(static_cast<PictureBox*>(form_->control("Picture9"))->backColor(), QColor(203, 222, 245));
        QCOMPARE(form_->Picture8()->backColor(), QColor(255, 255, 192));
        QCOMPARE(foreColor(form_->Label4(5)), QColor(64, 64, 64));
        QCOMPARE(form_->Label4(5)->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(foreColor(form_->Label8()), QColor(0, 0, 255));
        QCOMPARE(foreColor(form_->control("Label2")), kTeal);
        QCOMPARE(foreColor(form_->control("Label11")), QColor(255, 0, 0));
        QCOMPARE(foreColor(form_->control("Label16")), QColor(0, 192, 192));

        for (const char* hidden : {"Text1", "Text2", "Label9", "Label10", "W1", "Picture8"})
            QVERIFY2(!form_->control(QLatin1String(hidden))->isVisible(), hidden);
        QCOMPARE(form_->Text1()->text(), QStringLiteral("0"));
        QCOMPARE(form_->Text2()->text(), QStringLiteral("0"));
        QCOMPARE(form_->Label8()->text(), QString());
        QCOMPARE(form_->Timer1()->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(form_->Timer1()->interval(), 1);
        QVERIFY(!form_->Timer1()->isActive());
        QCOMPARE(form_->SentenceIndex(), qint16(-1));
        QVERIFY(!form_->ContinuousRead());
        QCOMPARE(form_->r1()->font().family(), QStringLiteral("Arial"));
        QCOMPARE(form_->r1()->font().pointSizeF(), 10.5);
        QCOMPARE(form_->r2()->font().pointSizeF(), 10.5);
        QCOMPARE(form_->r3()->font().pointSizeF(), 9.0);
    }

    void placesAreTwipsAtTheScreenResolution() {
        const double tx = 1440.0 / form_->logicalDpiX();
        const double ty = 1440.0 / form_->logicalDpiY();
        for (const char* name : {"r1", "T1", "Shape2", "Picture3", "Picture10", "Picture7(4)", "Image1(4)"}) {
            const TwipRect t = form_->layoutInTwips().rect(QLatin1String(name));
            const QRect g = form_->control(QLatin1String(name))->geometry();
            QVERIFY2(qAbs(g.x() - t.left / tx) <= 0.5 && qAbs(g.y() - t.top / ty) <= 0.5, name);
            QVERIFY2(qAbs(g.width() - t.width / tx) <= 1 && qAbs(g.height() - t.height / ty) <= 1, name);
        }
        // Children of the window sit below the menu bar; the rule used the outer size.
        QCOMPARE(form_->centralWidget()->geometry().top(), form_->menuBar()->geometry().bottom() + 1);
        QCOMPARE(form_->layoutInTwips().rect("Label1").width, form_->frameGeometry().width() * tx);
    }

    void tooSmallWindowGrowsToTheMinimum() {
        form_->showNormal();
        form_->resize(200, 150);
        QCoreApplication::processEvents();
        const double tx = 1440.0 / form_->logicalDpiX();
        const double ty = 1440.0 / form_->logicalDpiY();
        QVERIFY(form_->frameGeometry().width() * tx >= 7500);
        QVERIFY(form_->frameGeometry().height() * ty >= 7400);
        const double w = form_->frameGeometry().width() * tx;
        QCOMPARE(form_->layoutInTwips().rect("r1").width, w - 3345);
        QVERIFY(form_->layoutInTwips().rect("r1").height > 0);
    }

    void catalogueFillsTheTree() {
        QTreeWidget* tree = form_->T1();
        QCOMPARE(tree->topLevelItemCount(), 4);
        // Keyboard focus may make a node current, but the program selects none.
        QVERIFY(tree->selectedItems().isEmpty());
        int nodes = 0;
        for (int b = 0; b < 4; ++b) {
            QTreeWidgetItem* book = tree->topLevelItem(b);
            QVERIFY(!book->isExpanded());
            QCOMPARE(book->text(0), QStringLiteral("Vyk英语(第%1册)").arg(b + 1));
            QCOMPARE(book->data(0, NodeKeyRole).toString(), QString(QChar(u'a' + b)));
            QCOMPARE(book->data(0, NodeImageRole).toInt(), 1);
            QVERIFY(!book->icon(0).isNull());
            nodes += 1 + book->childCount();
            for (int n = 0; n < book->childCount(); ++n) {
                QTreeWidgetItem* lesson = book->child(n);
                QCOMPARE(lesson->text(0), QStringLiteral("Lesson %1").arg(n + 1));
                QVERIFY(!lesson->data(0, NodeKeyRole).isValid());
                QCOMPARE(lesson->data(0, NodeImageRole).toInt(), 2);
                QCOMPARE(lesson->childCount(), 0);
            }
        }
        QCOMPARE(nodes, 280);
        QTreeWidgetItem* second = findNodeByKey(*tree, QStringLiteral("b"));
        QCOMPARE(second->childCount(), 96);
        QCOMPARE(second->child(95)->text(0), QStringLiteral("Lesson 96"));
        QVERIFY(!findNodeByKey(*tree, QString()));
        QVERIFY(!findNodeByKey(*tree, QStringLiteral("Lesson 1")));

        // Another window's tree comes out the same.
        QTreeWidget other;
        FillCatalogue(other, form_->ImageList1());
        QCOMPARE(other.topLevelItemCount(), 4);
        for (int b = 0; b < 4; ++b) {
            QCOMPARE(other.topLevelItem(b)->text(0), tree->topLevelItem(b)->text(0));
            QCOMPARE(other.topLevelItem(b)->childCount(), tree->topLevelItem(b)->childCount());
        }
    }

    void lessonClickLoadsTheLesson() {
        const QString copy = copyOf("QLX101.mp3");
        choose(1, 1);
        QCOMPARE(form_->r1()->toPlainText(),
                 QStringLiteral("Hello, Ann!\n\nWelcome to the  club.\n\nThank you very much.\n\n"));
        const Lesson& l = form_->lesson();
        QCOMPARE(l.List1, (QStringList{"Hello, Ann!", "Welcome to the  club.", "Thank you very much."}));
        QCOMPARE(l.List2, (QStringList{"你好，安！", "欢迎来到俱乐部。", "非常感谢！"}));
        QCOMPARE(l.List3, (QStringList{".5", "2.1", "4.55"}));
        QCOMPARE(l.List4, (QStringList{"1.8", "4.25", ""}));
        QCOMPARE(form_->r3()->toPlainText(),
                 QStringLiteral("hello /int.你好\nwelcome /v.欢迎\nthank you /非常地\n"));
        QCOMPARE(form_->Label4(3)->text(), QStringLiteral("Lesson 1"));
        QVERIFY(form_->Label4(3)->width() > 0);
        QCOMPARE(form_->Label8()->text(), kHint);
        QCOMPARE(l.LessonAudioFile, fx_->audioFolder() + "QLX101.dat");

        // The recording is copied and the player points at the copy, stopped.
        QCOMPARE(LessonFixture::readFile(copy), QByteArray("QLX101.dat"));
        QCOMPARE(services_->player.url(), copy);
        QCOMPARE(services_->player.calls, (QStringList{"close", "stop", "setUrl " + copy, "stop"}));
        QCOMPARE(services_->player.playState(), IMediaPlayer::Stopped);
        QVERIFY(form_->Label6(1)->isEnabled() && form_->Image1(1)->isEnabled());
        QVERIFY(!form_->Label6(2)->isEnabled() && !form_->Image1(2)->isEnabled());
        QVERIFY(form_->Label5(0)->isEnabled() && form_->Label5(1)->isEnabled());
    }

    void lessonTextIsTealArial12WithEachSentenceItsOwnParagraph() {
        choose(1, 1);
        QTextDocument* doc = form_->r1()->document();
        int fragments = 0;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                QCOMPARE(f.foreground().color(), kTeal);
                QCOMPARE(f.fontFamilies().toStringList(), QStringList{"Arial"});
                QCOMPARE(f.fontPointSize(), 12.0);
                ++fragments;
            }
        }
        QCOMPARE(fragments, 3);
        for (int i = 0; i < form_->lesson().count(); ++i)
            QCOMPARE(doc->findBlock(form_->lesson().documentStart(i)).text(), form_->lesson().List1.at(i));
        const QTextCursor cursor = form_->r1()->textCursor();
        QCOMPARE(cursor.position(), 0);
        QVERIFY(!cursor.hasSelection());
    }

    void loadingResetsTheReadingStateFirst() {
        choose(1, 1);
        // The whole lesson being read, at its last sentence; "上一句" disabled before.
        form_->controller().previousSentence();
        QVERIFY(!form_->Label5(0)->isEnabled());
        form_->controller().readLesson();
        for (int i = 0; i < 2; ++i) {
            services_->player.advance(5.0);
            form_->controller().tick();
            form_->controller().endPause();
        }
        QCOMPARE(form_->SentenceIndex(), qint16(2));
        QVERIFY(form_->ContinuousRead() && form_->Timer1()->isActive());
        QVERIFY(form_->Label6(2)->isEnabled() && !form_->Label6(1)->isEnabled());
        QCOMPARE(form_->Label9()->text(), QStringLiteral("Thank you very much."));

        bool resetSeen = false;
        connect(form_.get(), &Form1::readingReset, this, [&] {
            resetSeen = form_->SentenceIndex() == -1 && !form_->ContinuousRead() &&
                        !form_->Timer1()->isActive() && form_->r1()->toPlainText().isEmpty() &&
                        services_->player.url().isEmpty();
        });
        QSignalSpy loaded(form_.get(), &Form1::lessonLoaded);
        choose(1, 4);
        QVERIFY(resetSeen);
        QCOMPARE(loaded.count(), 1);
        QVERIFY(!form_->Timer1()->isActive());
        QCOMPARE(form_->r2()->toPlainText(), QString());
        QCOMPARE(form_->Label10()->text(), QString());
        QCOMPARE(form_->Label9()->text(), QStringLiteral("Thank you very much.")); // kept
        QVERIFY(form_->Label5(0)->isEnabled());
        QVERIFY(!form_->Label6(2)->isEnabled());
        QVERIFY(!form_->Label6(1)->isEnabled()); // no QLX104.dat
        // Book 1 lesson 4: sentences, no words.
        QCOMPARE(form_->r1()->toPlainText(), QStringLiteral("Lesson 4 first.\n\nLesson 4 last.\n\n"));
        QCOMPARE(form_->r3()->toPlainText(), QString());
        QCOMPARE(services_->player.url(), QString());
    }

    void bookClickTogglesItAndUnloadsTheLesson() {
        choose(1, 1);
        QTreeWidgetItem* book = form_->T1()->topLevelItem(0);
        const bool open = book->isExpanded();
        choose(1, 0);
        QCOMPARE(book->isExpanded(), !open);
        QCOMPARE(form_->r1()->toPlainText(), QString());
        QCOMPARE(form_->r3()->toPlainText(), QString());
        QVERIFY(form_->lesson().List1.isEmpty() && form_->lesson().List4.isEmpty());
        QCOMPARE(form_->lesson().LessonAudioFile, QString());
        QCOMPARE(form_->Label4(3)->text(), QString());
        QCOMPARE(form_->Label4(3)->width(), 0); // its width follows its caption
        QCOMPARE(form_->Label8()->text(), QString());
        QCOMPARE(services_->player.url(), QString());
        QVERIFY(!form_->Label6(1)->isEnabled() && !form_->Image1(1)->isEnabled());
        choose(1, 0);
        QCOMPARE(book->isExpanded(), open);
    }

    void treeClicksReachLoadLesson() {
        QTreeWidget* tree = form_->T1();
        QTreeWidgetItem* book = tree->topLevelItem(1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(book).center());
        QVERIFY(book->isExpanded());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(book->child(0)).center());
        QCOMPARE(form_->r1()->toPlainText(), QStringLiteral("Book two, first lesson.\n\n"));
        QCOMPARE(form_->r3()->toPlainText(), QStringLiteral("book /n.书\n"));
        QVERIFY(!form_->Label6(1)->isEnabled()); // no QLX201.dat
        QTest::keyClick(tree, Qt::Key_Up);       // to the book node
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(!book->isExpanded());
        QCOMPARE(form_->r1()->toPlainText(), QString());
    }

    void lessonsWithoutSentencesOrAudio() {
        choose(1, 6);
        QCOMPARE(form_->r1()->toPlainText(), QString());
        QVERIFY(form_->lesson().List1.isEmpty());
        QCOMPARE(form_->r3()->toPlainText(), QStringLiteral("excuse /v.原谅\n"));
        QCOMPARE(form_->Label4(3)->text(), QStringLiteral("Lesson 6"));
        QCOMPARE(form_->Label8()->text(), kHint);
        QVERIFY(!form_->Label6(1)->isEnabled());
        QCOMPARE(services_->player.url(), QString());
        QVERIFY(!QFile::exists(copyOf("QLX106.mp3")));

        choose(1, 10);
        QCOMPARE(form_->lesson().LessonAudioFile, fx_->audioFolder() + "QLX1010.dat");
        QCOMPARE(LessonFixture::readFile(copyOf("QLX1010.mp3")), QByteArray("QLX1010.dat"));
        QCOMPARE(services_->player.url(), copyOf("QLX1010.mp3"));
        QVERIFY(form_->Label6(1)->isEnabled());
        QCOMPARE(form_->r3()->toPlainText(), QStringLiteral("club /n.俱乐部\n"));
    }

    void reloadingALessonRebuildsEverything() {
        choose(1, 1);
        LessonFixture::writeFile(fx_->audioFolder() + "QLX101.dat", "re-recorded");
        choose(1, 1);
        QCOMPARE(form_->r1()->toPlainText(),
                 QStringLiteral("Hello, Ann!\n\nWelcome to the  club.\n\nThank you very much.\n\n"));
        QCOMPARE(form_->lesson().count(), 3);
        QCOMPARE(LessonFixture::readFile(copyOf("QLX101.mp3")), QByteArray("re-recorded"));
    }

    void noPrivateDataFolderMeansNoCopy() {
        setDataFolder(QString());
        choose(1, 1);
        QCOMPARE(form_->lesson().count(), 0);
        QCOMPARE(services_->player.url(), QString());
        QVERIFY(!form_->Label6(1)->isEnabled());
        for (const QString& entry : services_->files.log)
            QVERIFY2(!entry.startsWith(QStringLiteral("copy")), qPrintable(entry));
    }

    void translationToggle() {
        // Showing before any sentence was current shows nothing.
        QTest::mouseClick(form_->Label14(), Qt::LeftButton);
        QCOMPARE(form_->Label14()->text(), QStringLiteral("显 示"));
        QTest::mouseClick(form_->Label14(), Qt::LeftButton);
        QCOMPARE(form_->Label14()->text(), QStringLiteral("隐 藏"));
        QCOMPARE(form_->Label8()->text(), QString());

        choose(1, 1);
        form_->controller().nextSentence();
        QCOMPARE(form_->Label8()->text(), QStringLiteral("你好，安！"));
        QTest::mouseClick(form_->Label14(), Qt::LeftButton);
        QVERIFY(!form_->translationShown());
        QCOMPARE(form_->Label8()->text(), QString());
        // Moving on while hidden keeps the line empty but the translation is held.
        form_->controller().nextSentence();
        form_->controller().nextSentence();
        QCOMPARE(form_->Label8()->text(), QString());
        QCOMPARE(form_->Label10()->text(), QStringLiteral("非常感谢！"));
        // A click on the button around the caption toggles too.
        QTest::mouseClick(form_->Picture10(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(form_->Label14()->text(), QStringLiteral("隐 藏"));
        QCOMPARE(form_->Label8()->text(), QStringLiteral("非常感谢！"));
        // A right click is not a click; loading a lesson keeps the toggle's state.
        QTest::mouseClick(form_->Label14(), Qt::RightButton);
        QCOMPARE(form_->Label14()->text(), QStringLiteral("隐 藏"));
        QTest::mouseClick(form_->Label14(), Qt::LeftButton);
        choose(1, 1);
        QCOMPARE(form_->Label14()->text(), QStringLiteral("显 示"));
    }

    void commandPressShowsABorderUntilRelease() {
        QSignalSpy dictation(form_.get(), &Form1::dictationRequested);
        const QPoint caption = at(form_->Label6(3));
        press(caption);
        QCOMPARE(form_->Picture7(3)->borderStyle(), 1);
        QCOMPARE(dictation.count(), 0);
        // Released far away: the border still goes and the command still runs.
        const QPoint away = at(form_->r1());
        QTest::mouseMove(form_->windowHandle(), away);
        release(away);
        QCOMPARE(form_->Picture7(3)->borderStyle(), 0);
        QCOMPARE(dictation.count(), 1);

        // The icon, any button.
        press(at(form_->Image1(3)), Qt::RightButton);
        QCOMPARE(form_->Picture7(3)->borderStyle(), 1);
        release(at(form_->Image1(3)), Qt::RightButton);
        QCOMPARE(form_->Picture7(3)->borderStyle(), 0);
        QCOMPARE(dictation.count(), 2);

        // The box itself only shows the press.
        press(at(form_->Picture7(3), QPoint(1, 1)));
        QCOMPARE(form_->Picture7(3)->borderStyle(), 1);
        release(at(form_->Picture7(3), QPoint(1, 1)));
        QCOMPARE(form_->Picture7(3)->borderStyle(), 0);
        QCOMPARE(dictation.count(), 2);
    }

    void disabledCommandsOnlyShowThePress() {
        QSignalSpy read(form_.get(), &Form1::readRequested);
        QSignalSpy stop(form_.get(), &Form1::stopRequested);
        for (QWidget* w :
             {static_cast<QWidget*>(form_->Label6(1)), static_cast<QWidget*>(form_->Image1(1))}) {
            press(at(w));
            QCOMPARE(form_->Picture7(1)->borderStyle(), 1);
            release(at(w));
            QCOMPARE(form_->Picture7(1)->borderStyle(), 0);
        }
        press(at(form_->Label6(2)));
        release(at(form_->Label6(2)));
        QCOMPARE(read.count(), 0);
        QCOMPARE(stop.count(), 0);

        choose(1, 1); // recording present: read enabled
        press(at(form_->Label6(1)));
        release(at(form_->Label6(1)));
        QCOMPARE(read.count(), 1);
        form_->setStopCommandEnabled(true);
        press(at(form_->Image1(2)));
        release(at(form_->Image1(2)));
        QCOMPARE(stop.count(), 1);
    }

    void webPagesOpenThroughTheShell() {
        QStringList& opened = services_->shell.opened;
        const QString home = QStringLiteral("https://lesnor.org/");
        for (int i = 0; i <= 4; ++i)
            QTest::mouseClick(form_->Label4(i), Qt::LeftButton);
        QVERIFY(opened.isEmpty());
        QTest::mouseClick(form_->Label4(5), Qt::LeftButton);
        QCOMPARE(opened, QStringList{home});

        form_->findChild<QAction*>(QStringLiteral("访问作者主页"))->trigger();
        form_->findChild<QAction*>(QStringLiteral("在线帮助"))->trigger();
        QCOMPARE(opened, (QStringList{home, home, "https://lesnor.org/help.htm"}));

        // With the help page installed beside the program, that copy is opened.
        LessonFixture::writeFile(fx_->programFolder() + "help.htm", "<html></html>");
        const QString local = QUrl::fromLocalFile(fx_->programFolder() + "help.htm").toString();
        press(at(form_->Label6(4)));
        release(at(form_->Label6(4)));
        press(at(form_->Image1(5)));
        release(at(form_->Image1(5)));
        QCOMPARE(opened.mid(3), (QStringList{local, home}));
    }

    // The keys (menu mnemonics, F10, F1, Ctrl+Q), the tips and hover looks of the
    // buttons, the credit label as a link, and a tree with nothing current at start.
    void desktopConventions() {
        int shutDowns = 0;
        form_->setShutDown([&shutDowns] { ++shutDowns; });
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QMenuBar* bar = form_->menuBar();
        // Found by name: further menus may stand between them.
        const QList<QAction*> menus = {bar->findChild<QMenu*>(QStringLiteral("文件"))->menuAction(),
                                       bar->findChild<QMenu*>(QStringLiteral("练习"))->menuAction(),
                                       bar->findChild<QMenu*>(QStringLiteral("帮助"))->menuAction()};
        const struct {
            const char* shown;
            Qt::Key key;
        } mnemonics[] = {{"文件(F)", Qt::Key_F}, {"练习(P)", Qt::Key_P}, {"帮助(H)", Qt::Key_H}};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(menus.at(i)->text().remove(QLatin1Char('&')), QString::fromUtf8(mnemonics[i].shown));
            QTest::keyClick(form_.get(), mnemonics[i].key, Qt::AltModifier);
            QTRY_COMPARE(bar->activeAction(), menus.at(i));
            QTRY_VERIFY(menus.at(i)->menu()->isVisible());
            menus.at(i)->menu()->close();
        }
        QTest::keyClick(form_.get(), Qt::Key_F10);
        QTRY_COMPARE(bar->activeAction(), menus.at(0));
        menus.at(0)->menu()->close();
        QTRY_VERIFY(!menus.at(0)->menu()->isVisible());

        QTest::keyClick(form_.get(), Qt::Key_F1);
        QCOMPARE(services_->shell.opened, QStringList{"https://lesnor.org/help.htm"});
        QTest::keyClick(form_.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(shutDowns, 1);

        // Tips: the cell's tip also shows over its icon and caption; 帮助 names its key.
        QVERIFY(commandTip(4).contains(QStringLiteral("F1")));
        for (int i = 1; i <= 5; ++i) {
            QVERIFY(!commandTip(i).isEmpty());
            QCOMPARE(form_->Picture7(i)->toolTip(), commandTip(i));
        }
        for (int i = 0; i <= 5; ++i) {
            QVERIFY(!toolbarTip(i).isEmpty());
            QCOMPARE(form_->Picture4(i)->toolTip(), toolbarTip(i));
        }
        for (QWidget* w :
             {static_cast<QWidget*>(form_->Label6(3)), static_cast<QWidget*>(form_->Label5(1))}) {
            const QPoint p = w->rect().center();
            QHelpEvent tip(QEvent::ToolTip, p, w->mapToGlobal(p));
            QCoreApplication::sendEvent(w, &tip);
            QTRY_COMPARE(QToolTip::text(), w == form_->Label6(3) ? commandTip(3) : toolbarTip(1));
        }

        // Hover: usable cells light up, the disabled read cell does not; the credit
        // label underlines itself.
        auto hover = [](QWidget* w, bool enter) {
            QEnterEvent in(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QEvent out(QEvent::Leave);
            QCoreApplication::sendEvent(w, enter ? static_cast<QEvent*>(&in) : &out);
        };
        for (int i : {1, 3}) {
            hover(form_->Picture7(i), true);
            QCOMPARE(form_->Picture7(i)->hoverLookShown(), i == 3);
            hover(form_->Picture7(i), false);
            QVERIFY(!form_->Picture7(i)->hoverLookShown());
        }
        form_->setReadCommandEnabled(true);
        hover(form_->Picture7(1), true);
        QVERIFY(form_->Picture7(1)->hoverLookShown());
        CaptionLabel* credit = form_->Label4(5);
        QCOMPARE(credit->cursor().shape(), Qt::PointingHandCursor);
        hover(credit, true);
        QVERIFY(credit->font().underline());
        hover(credit, false);
        QVERIFY(!credit->font().underline());

        // The tree: focus makes nothing current, Return does nothing; the arrow keys
        // still reach the first book.
        QTreeWidget* tree = form_->T1();
        tree->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(tree->hasFocus());
        QCOMPARE(tree->currentItem(), nullptr);
        QVERIFY(tree->selectedItems().isEmpty());
        services_->player.calls.clear();
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(services_->player.calls.isEmpty());
        QVERIFY(!tree->topLevelItem(0)->isExpanded());
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
    }

    // What the learner asked for and did not work is told in the notice line.
    void failuresAreToldInTheNoticeLine() {
        NoticeLine* line = form_->noticeLine();
        QVERIFY(!line->isVisible());
        services_->shell.succeed = false;
        const std::function<void()> links[] = {
            [this] { QTest::mouseClick(form_->Label4(5), Qt::LeftButton); },
            [this] { form_->findChild<QAction*>(QStringLiteral("在线帮助"))->trigger(); },
            [this] { form_->findChild<QAction*>(QStringLiteral("访问作者主页"))->trigger(); },
            [this] { press(at(form_->Label6(4))), release(at(form_->Label6(4))); },
            [this] { press(at(form_->Image1(5))), release(at(form_->Image1(5))); },
        };
        for (const auto& open : links) {
            line->hide();
            open();
            QVERIFY(line->isVisible());
            QCOMPARE(line->text(), QStringLiteral("无法打开网页：没有找到可用的浏览器"));
        }
        QCOMPARE(services_->shell.opened.size(), 5);

        // A player without a sound output: said once, at start, until clicked away.
        closeWindow();
        openWindow([](FakeServices& fakes) { fakes.player.outputMissing = true; });
        QTRY_VERIFY(form_->noticeLine()->isVisible());
        QCOMPARE(form_->noticeLine()->text(), QStringLiteral("未找到声音设备，朗读将无声"));
    }

    // Work put off until the window is up (the output check, the sound and voice set-up)
    // runs once, after the window's first frame.
    void afterFirstFrameRunsOnceWhenPainted() {
        QWidget window;
        int runs = 0;
        afterFirstFrame(window, [&runs] { ++runs; });
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
        window.show();
        QTRY_COMPARE(runs, 1);
        window.repaint();
        QCoreApplication::processEvents();
        QCOMPARE(runs, 1);
    }

    // Qt's own texts (here the word list's context menu) and the locale are Chinese.
    void qtTextsAreChinese() {
        QVERIFY2(installQtChineseTexts(*qApp), "qtbase_zh_CN is missing (qt6-translations-l10n)");
        QCOMPARE(QLocale().language(), QLocale::Chinese);
        std::unique_ptr<QMenu> menu(form_->r3()->createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts << action->text();
        QVERIFY2(texts.join(' ').contains(QStringLiteral("复制")), qPrintable(texts.join(' ')));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
