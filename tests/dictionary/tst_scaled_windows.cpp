// Both windows at 1x, 1.5x and 2x (CTest sets QT_SCALE_FACTOR; at 2x the offscreen
// screen is smaller than the lesson window's design minimum). The word pop-up's parts:
// headword above the phonetic row, "[" the phonetic "]" from left to right without
// overlap, the meaning below, and no glyph of the headword or the phonetic cut by its
// label. The lesson window: within the screen, every toolbar button and panel on it.
#include "DictionaryFixture.h"
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "resources/Installation.h"
#include "tests/lesson_window/Form1Harness.h"
#include "widgets/Controls.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QTreeWidget>

using namespace lesnor;
using namespace lesnor::test;

namespace {

// Descenders and accents in both lines: "g", "y", "ŋ", "ʒ", "ˈ".
const QStringList kRecords = {"Welcome['gwelk2m8j7]v.欢迎", "Hello[h2'l2ug8y]int.喂"};

// The text's ink lies inside the label, drawn as QLabel draws it (vertically centred).
bool inkFits(const CaptionLabel* l) {
    const QFontMetrics fm = l->fontMetrics();
    const QRect ink = fm.tightBoundingRect(l->text());
    const int baseline = (l->height() - fm.height()) / 2 + fm.ascent();
    return baseline + ink.top() >= 0 && baseline + ink.bottom() < l->height() && ink.right() < l->width();
}

// The pop-up of `window` is showing an entry with a transcription.
void checkParts(QWidget* window) {
    const auto part = [window](const char* name) {
        return window->findChild<CaptionLabel*>(QLatin1String(name));
    };
    QWidget* frame = window->findChild<QWidget*>(QStringLiteral("Picture8"));
    QVERIFY(frame && frame->isVisible());
    CaptionLabel* headword = part("Label11");
    CaptionLabel* open = part("Label12");
    CaptionLabel* phonetic = part("Label15");
    CaptionLabel* close = part("Label13");
    CaptionLabel* meaning = part("Label16");
    for (CaptionLabel* l : {headword, open, phonetic, close}) {
        QVERIFY2(l->isVisible() && !l->text().isEmpty(), qPrintable(l->objectName()));
        QVERIFY2(frame->rect().contains(l->geometry()), qPrintable(l->objectName()));
        QVERIFY2(inkFits(l), qPrintable(l->objectName() + " cuts " + l->text()));
    }
    QVERIFY(open->geometry().right() < phonetic->x());
    QVERIFY(phonetic->geometry().right() < close->x());
    for (CaptionLabel* l : {open, phonetic, close}) {
        QVERIFY(headword->geometry().bottom() < l->y());
        QVERIFY(l->geometry().bottom() < meaning->y());
    }
}

} // namespace

class TestScaledWindows : public QObject, protected Form1Harness {
    Q_OBJECT

    // Holds `button` on character `k` of `box` in `window` and checks the parts.
    template <class Box> void holdAndCheck(QWidget* window, Box* box, int k, Qt::MouseButton button) {
        QTextCursor c(box->document());
        c.setPosition(k);
        box->setTextCursor(c); // scrolled into view in a small window
        box->ensureCursorVisible();
        const QPoint p = box->viewport()->mapTo(window, box->cursorRect(c).center() + QPoint(2, 0));
        QTest::mousePress(window->windowHandle(), button, {}, p);
        checkParts(window);
        QTest::mouseRelease(window->windowHandle(), button, {}, p);
    }

private slots:
    void lessonWindowFitsTheScreen() {
        openWindow();
        choose(1, 1);
        QCoreApplication::processEvents();
        const QRect screen = form_->screen()->availableGeometry();
        QVERIFY2(screen.contains(form_->frameGeometry()), qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                                                         .arg(form_->frameGeometry().width())
                                                                         .arg(form_->frameGeometry().height())
                                                                         .arg(screen.width())
                                                                         .arg(screen.height())));
        const QRect window = form_->rect();
        const auto inWindow = [this](QWidget* w) {
            return QRect(w->mapTo(form_.get(), QPoint(0, 0)), w->size());
        };
        QWidget* toolbar = form_->control(QStringLiteral("Picture3"));
        for (int i = 0; i <= 5; ++i) {
            QWidget* button = form_->control(QStringLiteral("Picture4(%1)").arg(i));
            QVERIFY2(toolbar->rect().contains(button->geometry()), qPrintable(button->objectName()));
            QVERIFY2(window.contains(inWindow(button)), qPrintable(button->objectName()));
        }
        for (const char* name : {"r1", "r2", "r3", "T1", "Label8", "Picture10"}) {
            QWidget* w = form_->control(QLatin1String(name));
            QVERIFY2(window.contains(inWindow(w)) && w->height() > 0, name);
        }
        closeWindow();
    }

    void bothWindows() {
        openWindow();
        LessonFixture::writeFile(fx_->dataFolder() + files::dictionary, dictionaryBytes(kRecords));
        choose(1, 1);
        QTextEdit* r1 = form_->r1();
        holdAndCheck(form_.get(), r1, int(r1->toPlainText().indexOf(QLatin1String("Welcome"))),
                     Qt::RightButton);
        if (QTest::currentTestFailed())
            return;

        DictationLauncher launcher(*form_, services_->view);
        press(at(form_->Label6(3)));
        release(at(form_->Label6(3)));
        QPointer<Form2> form2 = launcher.window();
        QVERIFY(form2 && QTest::qWaitForWindowExposed(form2.data()));
        QTreeWidgetItem* lesson = form2->T1()->topLevelItem(0)->child(0);
        form2->T1()->setCurrentItem(lesson);
        form2->LoadLesson();
        form2->controller().showAnswer();
        QVERIFY(form2->r2()->toPlainText().startsWith(QLatin1String("Hello")));
        holdAndCheck(form2.data(), form2->r2(), 1, Qt::RightButton);
        delete form2.data();
        closeWindow();
    }
};

QTEST_MAIN(TestScaledWindows)
#include "tst_scaled_windows.moc"
