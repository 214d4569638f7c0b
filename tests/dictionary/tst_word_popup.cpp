// The word pop-up in the lesson window: which button in which box looks a word up, what
// the pop-up then shows and where, and the hit test that finds the character under the
// pointer.
#include "DictionaryFixture.h"
#include "tests/lesson_window/Form1Harness.h"
#include "widgets/Controls.h"
#include "widgets/TextHitTest.h"
#include "widgets/WordPopup.h"

#include <QPlainTextEdit>
#include <QTextEdit>

using namespace lesnor;
using namespace lesnor::test;

namespace {

const QStringList kRecords = {
    "Welcome['welk2m]v.欢迎",
    "hello[h2'l2u]int.喂",
    "club[kl3b]n.俱乐部",
    "very[]ad.很",
    "much[m3t6]" + QString(300, QChar(u'多')),
};

// The middle of character `k` of a box, in its viewport.
template <class Box> QPoint middleOf(const Box* box, int k) {
    QTextCursor a(box->document());
    a.setPosition(k);
    QTextCursor b(box->document());
    b.setPosition(k + 1);
    const QRect left = box->cursorRect(a);
    return QPoint((left.left() + box->cursorRect(b).left()) / 2, left.center().y());
}

} // namespace

class TestWordPopup : public QObject, protected Form1Harness {
    Q_OBJECT

    CaptionLabel* label(const char* name) const {
        return static_cast<CaptionLabel*>(form_->control(QLatin1String(name)));
    }
    QPoint inWindow(QAbstractScrollArea* box, QPoint viewportPoint) const {
        return box->viewport()->mapTo(form_.get(), viewportPoint);
    }
    // Presses and releases `button` on character `k` of the box; the pop-up's state
    // while pressed: its headword when shown, "" when hidden.
    template <class Box>
    QString holdOn(Box* box, int k, Qt::MouseButton button, bool* hiddenAfter = nullptr) {
        const QPoint p = inWindow(box, middleOf(box, k));
        press(p, button);
        const QString shown = form_->Picture8()->isVisible() ? label("Label11")->text() : QString();
        release(p, button);
        if (hiddenAfter)
            *hiddenAfter = !form_->Picture8()->isVisible();
        return shown;
    }

private slots:
    void init() {
        openWindow();
        LessonFixture::writeFile(fx_->dataFolder() + files::dictionary, dictionaryBytes(kRecords));
        choose(1, 1);
    }
    void cleanup() { closeWindow(); }

    // Right button in the lesson text, left button in the sentence box and word list.
    void buttonsAndBoxes() {
        QTextEdit* r1 = form_->r1();
        const int welcome = int(r1->toPlainText().indexOf(QLatin1String("Welcome")));
        bool hidden = false;
        QCOMPARE(holdOn(r1, welcome, Qt::RightButton, &hidden), QStringLiteral("Welcome"));
        QVERIFY(hidden);
        QCOMPARE(services_->speech.spoken, QStringList{"Welcome"});
        QCOMPARE(label("Label15")->text(), QStringLiteral("ˈwelkəm"));
        QVERIFY(!label("Label12")->isHidden() && !label("Label13")->isHidden());
        QVERIFY(label("Label13")->x() > label("Label15")->x() + label("Label15")->width());
        QCOMPARE(holdOn(r1, welcome + 3, Qt::LeftButton), QString());
        QCOMPARE(holdOn(r1, welcome + 7, Qt::RightButton), QString()); // the blank after it

        QPlainTextEdit* r3 = form_->r3();
        QCOMPARE(holdOn(r3, 1, Qt::LeftButton), QStringLiteral("hello"));
        QCOMPARE(holdOn(r3, 1, Qt::RightButton), QString());

        QPlainTextEdit* r2 = form_->r2();
        r2->setPlainText(QStringLiteral("Hello! Very much."));
        QCOMPARE(holdOn(r2, 0, Qt::LeftButton), QStringLiteral("hello"));
        QCOMPARE(holdOn(r2, 5, Qt::LeftButton), QStringLiteral("hello"));
        QCOMPARE(holdOn(r2, 6, Qt::LeftButton), QString());
        QCOMPARE(services_->speech.spoken, (QStringList{"Welcome", "hello", "hello", "hello"}));
    }

    // An empty phonetic hides the brackets; a word not found leaves the pop-up hidden
    // with its texts; a long meaning grows the pop-up, which stays inside the window.
    void fill() {
        QPlainTextEdit* r2 = form_->r2();
        r2->setPlainText(QStringLiteral("very much zebra"));
        const QPoint veryAt = inWindow(r2, middleOf(r2, 1));
        press(veryAt, Qt::LeftButton);
        QVERIFY(form_->Picture8()->isVisible());
        QVERIFY(label("Label12")->isHidden() && label("Label13")->isHidden());
        release(veryAt, Qt::LeftButton);
        QCOMPARE(holdOn(r2, 12, Qt::LeftButton), QString());
        QCOMPARE(label("Label11")->text(), QStringLiteral("very"));

        const QPoint muchAt = inWindow(r2, middleOf(r2, 6));
        press(muchAt, Qt::LeftButton);
        PictureBox* popup = form_->Picture8();
        QVERIFY(popup->isVisible());
        const int designHeight = qRound(975 / (1440.0 / form_->logicalDpiY()));
        QVERIFY(popup->height() > designHeight);
        QVERIFY(popup->geometry().bottom() < popup->parentWidget()->height());
        QVERIFY(label("Label16")->geometry().bottom() < popup->height());
        release(muchAt, Qt::LeftButton);
    }

    // The character under the pointer for every character of a box, and none past a
    // line's end.
    void hitTest() {
        QTextEdit* r1 = form_->r1();
        const QString text = r1->toPlainText();
        for (int k = 0; k < text.size(); ++k) {
            if (text.at(k) == u'\n')
                continue;
            QCOMPARE(characterUnderPoint(*r1, middleOf(r1, k)), k);
        }
        const QPoint afterFirstLine = middleOf(r1, int(text.indexOf(u'\n')) - 1) + QPoint(200, 0);
        QCOMPARE(characterUnderPoint(*r1, afterFirstLine), -1);
        QPlainTextEdit* r3 = form_->r3();
        QCOMPARE(characterUnderPoint(*r3, middleOf(r3, 2)), 2);
        QCOMPARE(characterUnderPoint(*r3, QPoint(-5, -5)), -1);
    }
};

QTEST_MAIN(TestWordPopup)
#include "tst_word_popup.moc"
