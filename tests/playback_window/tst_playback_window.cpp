// Sentence playback in the lesson window: the command bar, clicks in the lesson text and
// the sentence toolbar, on the fake player's virtual clock. The poll is driven by hand
// (tick) and the pause between sentences is ended by hand (endPause).
#include "FakeServices.h"
#include "lesson_window/Form1.h"
#include "platform/DataFolder.h"
#include "playback/SentenceController.h"
#include "tests/lesson_window/Form1Harness.h"
#include "widgets/Controls.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

using namespace lesnor;
using namespace lesnor::test;

namespace {

const QColor kTeal(0, 128, 128);
const QColor kRed(255, 0, 0);

// Book 1 lesson 1 of the fixture: where its sentences stand in r1.
const QString kSentence0 = QStringLiteral("0+11");
const QString kSentence1 = QStringLiteral("13+21");
const QString kSentence2 = QStringLiteral("36+20");

} // namespace

class TestPlaybackWindow : public QObject, protected Form1Harness {
    Q_OBJECT

    SentenceController& ctl() const { return form_->controller(); }
    FakeMediaPlayer& player() const { return services_->player; }
    QString copy() const { return fx_->dataFolder() + "/sounenclff/QLX101.mp3"; }

    void choose(int book, int lesson) {
        Form1Harness::choose(book, lesson);
        player().calls.clear();
    }

    void click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) {
        press(at(w), b);
        release(at(w), b);
    }
    // A point of r1 on the character at `position`, in window coordinates.
    QPoint textPoint(int position) const {
        QTextCursor c(form_->r1()->document());
        c.setPosition(position);
        QRect r = form_->r1()->cursorRect(c);
        return at(form_->r1()->viewport(), QPoint(r.right() + 2, r.center().y()));
    }
    void clickText(int position, Qt::MouseButton b = Qt::LeftButton) {
        press(textPoint(position), b);
        release(textPoint(position), b);
    }

    // Lets the virtual clock run in 10 ms samples until the poll goes off, a pause
    // begins or `seconds` have passed.
    void run(double seconds) {
        for (int ms = 0; ms < seconds * 1000 && ctl().pollActive() && !ctl().pausePending(); ms += 10) {
            player().advance(0.01);
            ctl().tick();
        }
    }

    // The red runs of r1 as "start+length"; every fragment keeps the Arial 12 pt face and
    // is either teal or red.
    QStringList redRanges() const {
        QStringList out;
        int runStart = -1;
        int runEnd = -1;
        QTextDocument* doc = form_->r1()->document();
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                const QTextCharFormat format = f.charFormat();
                const QColor colour = format.foreground().color();
                if (format.fontFamilies().toStringList() != QStringList{"Arial"} ||
                    format.fontPointSize() != 12.0 || (colour != kTeal && colour != kRed))
                    return {QStringLiteral("bad format at %1").arg(f.position())};
                if (colour != kRed)
                    continue;
                if (f.position() != runEnd) {
                    if (runStart >= 0)
                        out << QStringLiteral("%1+%2").arg(runStart).arg(runEnd - runStart);
                    runStart = f.position();
                }
                runEnd = f.position() + f.length();
            }
        }
        if (runStart >= 0)
            out << QStringLiteral("%1+%2").arg(runStart).arg(runEnd - runStart);
        return out;
    }
    int caret() const {
        const QTextCursor c = form_->r1()->textCursor();
        return c.hasSelection() ? -1 : c.position();
    }
    bool readCell() const { return form_->Label6(1)->isEnabled() && form_->Image1(1)->isEnabled(); }
    bool stopCell() const { return form_->Label6(2)->isEnabled() && form_->Image1(2)->isEnabled(); }

    // Sentence i of the fixture's lesson 1 is current and shown.
    void verifyShown(int i, const QString& range) {
        const Lesson& l = form_->lesson();
        QCOMPARE(form_->SentenceIndex(), qint16(i));
        QCOMPARE(redRanges(), QStringList{range});
        QCOMPARE(caret(), l.documentStart(i) + int(l.List1.at(i).size()));
        QCOMPARE(form_->r2()->toPlainText(), l.List1.at(i));
        QCOMPARE(form_->Label9()->text(), l.List1.at(i));
        QCOMPARE(form_->Label10()->text(), l.List2.at(i));
        QCOMPARE(form_->Label8()->text(), l.List2.at(i));
    }
    // Nothing current, nothing red, the sentence texts emptied, the read cell back.
    void verifyReadingEnded() {
        QCOMPARE(form_->SentenceIndex(), qint16(-1));
        QVERIFY(!form_->ContinuousRead());
        QVERIFY(!ctl().pausePending());
        QCOMPARE(redRanges(), QStringList());
        QCOMPARE(form_->r2()->toPlainText(), QString());
        QCOMPARE(form_->Label8()->text(), QString());
        QCOMPARE(form_->Label10()->text(), QString());
        QVERIFY(readCell());
        QVERIFY(!stopCell());
        // The lesson itself stays loaded.
        QCOMPARE(form_->lesson().count(), 3);
        QCOMPARE(form_->r1()->toPlainText(),
                 QStringLiteral("Hello, Ann!\n\nWelcome to the  club.\n\nThank you very much.\n\n"));
        QCOMPARE(player().url(), copy());
    }

private slots:
    void init() {
        openWindow([this](FakeServices& fakes) { fakes.player.setDuration(copy(), 6.0); });
        choose(1, 1);
    }

    void cleanup() { closeWindow(); }

    void readCommandReadsTheLessonToTheEnd() {
        const QList<QTimer*> polls = form_->findChildren<QTimer*>(QStringLiteral("Timer1"));
        QCOMPARE(polls.size(), 1);
        QCOMPARE(polls.first(), form_->Timer1());
        QCOMPARE(form_->Timer1()->interval(), 1);

        click(form_->Label6(1));
        QVERIFY(form_->ContinuousRead());
        verifyShown(0, kSentence0);
        QVERIFY(!readCell());
        QVERIFY(stopCell());
        QVERIFY(form_->Timer1()->isActive());
        QCOMPARE(player().calls, (QStringList{"stopAt 1.801", "seek 0.5", "play"}));

        // The sentence ends just past its end time; the pause keeps it current.
        run(3.0);
        QCOMPARE(form_->Text1()->text(), ctl().Text1());
        QVERIFY(form_->Text1()->text().toDouble() > 1.8);
        QVERIFY(ctl().pausePending());
        QCOMPARE(player().playState(), IMediaPlayer::Stopped);
        verifyShown(0, kSentence0);

        player().calls.clear();
        ctl().endPause();
        verifyShown(1, kSentence1);
        QCOMPARE(player().calls, (QStringList{"stopAt 4.251", "seek 2.1", "play"}));
        run(3.0);
        ctl().endPause();
        verifyShown(2, kSentence2);
        QCOMPARE(player().stopPosition(), -1.0);

        // The last sentence plays to the end of the recording; then the reading ends.
        run(3.0);
        QCOMPARE(form_->Text1()->text(), QStringLiteral("0"));
        verifyReadingEnded();
        QCOMPARE(form_->Label9()->text(), QStringLiteral("Thank you very much."));
    }

    void stopCommandEndsTheReading() {
        // Mid-sentence, through the caption.
        click(form_->Image1(1));
        run(0.5);
        click(form_->Label6(2));
        QCOMPARE(player().calls.last(), QStringLiteral("stop"));
        QVERIFY(!form_->Timer1()->isActive());
        verifyReadingEnded();

        // During the pause: the next sentence never comes.
        click(form_->Label6(1));
        run(3.0);
        QVERIFY(ctl().pausePending());
        click(form_->Image1(2));
        verifyReadingEnded();
        player().calls.clear();
        ctl().endPause();
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(redRanges(), QStringList());
    }

    void clickOnASentencePlaysIt() {
        clickText(13 + 5);
        QVERIFY(!form_->ContinuousRead());
        verifyShown(1, kSentence1);
        QCOMPARE(player().calls, (QStringList{"stopAt 4.251", "seek 2.1", "play"}));
        QVERIFY(readCell() && !stopCell());

        // The empty line after it changes nothing.
        player().advance(0.5);
        player().calls.clear();
        clickText(13 + 21 + 1);
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(form_->SentenceIndex(), qint16(1));
        QCOMPARE(redRanges(), QStringList{kSentence1});

        // Another sentence while this one plays: it takes over.
        clickText(2);
        verifyShown(0, kSentence0);
        QCOMPARE(player().calls, (QStringList{"stopAt 1.801", "seek 0.5", "play"}));
        // It stops by itself and stays current.
        run(3.0);
        QVERIFY(!form_->Timer1()->isActive());
        QCOMPARE(player().currentPosition(), 0.0);
        verifyShown(0, kSentence0);

        // Below the text nothing plays.
        player().calls.clear();
        const QWidget* viewport = form_->r1()->viewport();
        press(at(form_->r1()->viewport(), QPoint(5, viewport->height() - 3)));
        release(at(form_->r1()->viewport(), QPoint(5, viewport->height() - 3)));
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(form_->SentenceIndex(), qint16(0));

        // A drag that selects text keeps its selection and plays nothing; Ctrl+C copies
        // it. A plain click afterwards plays as before.
        press(textPoint(3));
        QTest::mouseMove(form_->windowHandle(), textPoint(40));
        release(textPoint(40));
        QVERIFY(player().calls.isEmpty());
        const QString selected = form_->r1()->textCursor().selection().toPlainText();
        QVERIFY2(selected.contains(QStringLiteral("Welcome to the  club.")), qPrintable(selected));
        QCOMPARE(form_->SentenceIndex(), qint16(0));
        QTest::keyClick(form_->r1(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), selected);
        clickText(40);
        verifyShown(2, kSentence2);
        QCOMPARE(player().calls, (QStringList{"stopAt -1", "seek 4.55", "play"}));
    }

    void otherButtonsAndTheReadingInTheLessonText() {
        form_->Picture8()->show();
        player().calls.clear();
        clickText(40, Qt::RightButton);
        QVERIFY(!form_->Picture8()->isVisible());
        clickText(40, Qt::MiddleButton);
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(form_->SentenceIndex(), qint16(-1));

        // During the reading a left click only moves the caret; a right one still closes
        // the pop-up.
        click(form_->Label6(1));
        player().calls.clear();
        clickText(40);
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(form_->SentenceIndex(), qint16(0));
        QCOMPARE(redRanges(), QStringList{kSentence0});
        QCOMPARE(form_->r2()->toPlainText(), QStringLiteral("Hello, Ann!"));
        form_->Picture8()->show();
        clickText(40, Qt::RightButton);
        QVERIFY(!form_->Picture8()->isVisible());
        // The toolbar only swaps its pictures.
        for (int i = 0; i <= 2; ++i) {
            press(at(form_->Label5(i)));
            QCOMPARE(form_->Picture4(i)->picture(), form_->pressedButtonPicture());
            release(at(form_->Label5(i)));
            QCOMPARE(form_->Picture4(i)->picture(), form_->normalButtonPicture());
        }
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(form_->SentenceIndex(), qint16(0));
        QVERIFY(form_->ContinuousRead());
    }

    void toolbarStepsAndReads() {
        for (int i = 0; i <= 5; ++i)
            QCOMPARE(form_->Picture4(i)->picture(), form_->normalButtonPicture());
        // "朗  读" with no current sentence does nothing.
        click(form_->Label5(2));
        QVERIFY(player().calls.isEmpty());

        press(at(form_->Label5(1)));
        QCOMPARE(form_->Picture4(1)->picture(), form_->pressedButtonPicture());
        QCOMPARE(form_->SentenceIndex(), qint16(-1));
        release(at(form_->Label5(1)));
        QCOMPARE(form_->Picture4(1)->picture(), form_->normalButtonPicture());
        verifyShown(0, kSentence0);
        QVERIFY(player().calls.isEmpty()); // stepping plays nothing

        // Back past the first sentence: it stays, and "上一句" disables itself.
        click(form_->Label5(0));
        verifyShown(0, kSentence0);
        QVERIFY(!form_->Label5(0)->isEnabled());
        // A disabled button shows no press and does nothing.
        press(at(form_->Label5(0)));
        QCOMPARE(form_->Picture4(0)->picture(), form_->normalButtonPicture());
        release(at(form_->Label5(0)));
        QCOMPARE(form_->SentenceIndex(), qint16(0));

        click(form_->Label5(1), Qt::RightButton);
        QVERIFY(form_->Label5(0)->isEnabled());
        click(form_->Label5(1));
        click(form_->Label5(1));
        verifyShown(2, kSentence2);
        QVERIFY(!form_->Label5(1)->isEnabled());
        click(form_->Label5(0));
        verifyShown(1, kSentence1);
        QVERIFY(form_->Label5(1)->isEnabled());

        // Read the current sentence, released far from the button.
        press(at(form_->Label5(2)), Qt::RightButton);
        QCOMPARE(form_->Picture4(2)->picture(), form_->pressedButtonPicture());
        QTest::mouseMove(form_->windowHandle(), at(form_->r2()));
        release(at(form_->r2()), Qt::RightButton);
        QCOMPARE(form_->Picture4(2)->picture(), form_->normalButtonPicture());
        verifyShown(1, kSentence1);
        QCOMPARE(player().calls, (QStringList{"stopAt 4.251", "seek 2.1", "play"}));
        QVERIFY(!form_->ContinuousRead());

        // The recording buttons only show their press here.
        press(at(form_->Label5(3)));
        QCOMPARE(form_->Picture4(3)->picture(), form_->pressedButtonPicture());
        release(at(form_->Label5(3)));
        QCOMPARE(form_->Picture4(3)->picture(), form_->normalButtonPicture());
    }

    void loadingALessonDuringTheReadingResetsIt() {
        click(form_->Label5(1));
        click(form_->Label5(0));
        QVERIFY(!form_->Label5(0)->isEnabled());
        click(form_->Label6(1));
        run(3.0);
        QVERIFY(ctl().pausePending());

        choose(1, 4); // no recording
        QVERIFY(!ctl().pausePending());
        QVERIFY(!form_->Timer1()->isActive());
        QVERIFY(!form_->ContinuousRead());
        QCOMPARE(form_->SentenceIndex(), qint16(-1));
        QVERIFY(!readCell() && !stopCell());
        QVERIFY(form_->Label5(0)->isEnabled() && form_->Label5(1)->isEnabled());
        QCOMPARE(redRanges(), QStringList());
        QCOMPARE(form_->r2()->toPlainText(), QString());
        QCOMPARE(form_->Label10()->text(), QString());
        QCOMPARE(ctl().lesson().List1, form_->lesson().List1);

        // The new lesson's sentences are the ones stepped through.
        click(form_->Label5(1));
        QCOMPARE(redRanges(), QStringList{"0+15"});
        QCOMPARE(form_->r2()->toPlainText(), QStringLiteral("Lesson 4 first."));
        click(form_->Label5(2)); // no media: nothing to hear, nothing fails
        QCOMPARE(player().calls, (QStringList{"stopAt 2.001", "seek 0.4", "play"}));
    }

    void bookClickDuringTheReadingEmptiesEverything() {
        click(form_->Label6(1));
        choose(1, 0);
        QVERIFY(!form_->ContinuousRead());
        QVERIFY(!form_->Timer1()->isActive());
        QVERIFY(!readCell() && !stopCell());
        QCOMPARE(ctl().lesson().count(), 0);
        QCOMPARE(form_->r1()->toPlainText(), QString());

        // With nothing loaded the toolbar and the text take clicks without effect.
        click(form_->Label5(1));
        QCOMPARE(form_->SentenceIndex(), qint16(-1));
        QVERIFY(!form_->Label5(1)->isEnabled());
        click(form_->Label5(2));
        press(at(form_->r1()->viewport(), QPoint(5, 5)));
        release(at(form_->r1()->viewport(), QPoint(5, 5)));
        QVERIFY(player().calls.isEmpty());
        QCOMPARE(form_->r2()->toPlainText(), QString());
    }
};

QTEST_MAIN(TestPlaybackWindow)
#include "tst_playback_window.moc"
