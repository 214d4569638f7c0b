// Speak and compare wired into the program's windows, on fakes: "跟读对比" (S) in the
// lesson window and Ctrl+S in the dictation window play their current sentence, record,
// and show the comparison, which then plays model and attempt; Esc ends it.
#include "FakeClipDecoder.h"
#include "FakeVoiceTake.h"
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "playback/SentenceController.h"
#include "speaking/SpeakingSession.h"
#include "speaking_window/SpeakingWindow.h"
#include "startup/SpeakingLink.h"
#include "tests/lesson_window/Form1Harness.h"
#include "widgets/NoticeLine.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>

using namespace lesnor;
using namespace lesnor::test;
using Phase = SpeakingSession::Phase;

class TestSpeakingLink : public QObject, protected Form1Harness {
    Q_OBJECT
    FakeVoiceTake take_;
    FakeClipDecoder decoder_;
    std::unique_ptr<DictationLauncher> dictation_;
    std::unique_ptr<SpeakingLink> link_;

    QAction* speakAction() const { return form_->findChild<QAction*>(QStringLiteral("跟读对比")); }
    SpeakingSession& session() const { return link_->session(); }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("lesnor-test"));
        QStandardPaths::setTestModeEnabled(true);
    }
    void init() {
        take_.startCount = 0;
        openWindow();
        dictation_ = std::make_unique<DictationLauncher>(*form_, services_->view);
        link_ = std::make_unique<SpeakingLink>(*form_, *dictation_, services_->player, take_, decoder_,
                                               services_->sound);
    }
    void cleanup() {
        link_.reset();
        dictation_.reset();
        closeWindow();
    }

    void lessonWindowFromKeyToPlayedComparison() {
        QMenu* menu = form_->practiceMenu();
        QCOMPARE(menu->actions().last(), speakAction());
        QCOMPARE(speakAction()->shortcut(), QKeySequence(Qt::Key_S));

        choose(1, 1);
        speakAction()->trigger(); // nothing current yet
        QCOMPARE(session().phase(), Phase::Idle);
        QCOMPARE(form_->noticeLine()->text(), SpeakingSession::noSentenceText());

        form_->controller().nextSentence();
        const ModelSentence s = ModelSentence::of(form_->lesson(), form_->SentenceIndex());
        QVERIFY(s.valid() && s.end > s.begin);
        services_->player.calls.clear();
        speakAction()->trigger();
        QCOMPARE(session().phase(), Phase::Listening);
        QVERIFY(services_->player.calls.contains(QStringLiteral("seek %1").arg(s.begin)));
        QCOMPARE(services_->player.playState(), IMediaPlayer::Playing);

        services_->player.advance(s.end - s.begin + 0.1);
        session().poll();
        QCOMPARE(session().phase(), Phase::Recording);
        QVERIFY(form_->noticeLine()->text().startsWith(QStringLiteral("请跟读…")));
        take_.feed(0.2, 10);
        take_.feed(1.0, 8000);
        take_.feed(1.0, 10);
        QSignalSpy shown(&link_->window(), &SpeakingWindow::attemptShown);
        QTRY_VERIFY([this] {
            session().poll();
            return session().phase() == Phase::Idle;
        }());
        QVERIFY(shown.wait(10000));
        QVERIFY(link_->window().isVisible());
        QCOMPARE(link_->window().attemptCount(), 1);
        // Model (1 s at 16 kHz), half a second, then the attempt.
        QCOMPARE(services_->sound.calls.last(),
                 QStringLiteral("samples %1 16000")
                     .arg(16000 + 8000 + link_->window().shownAttempt()->samples.size()));
    }

    void escEndsTheModelAndDictationAsksWithCtrlS() {
        choose(1, 1);
        form_->controller().nextSentence();
        speakAction()->trigger();
        QCOMPARE(session().phase(), Phase::Listening);
        form_->findChild<QAction*>(QStringLiteral("停止"))->trigger();
        QCOMPARE(session().phase(), Phase::Idle);
        QCOMPARE(take_.startCount, 0);

        dictation_->open();
        Form2* form2 = dictation_->window();
        QVERIFY(form2);
        form2->T1()->setCurrentItem(form2->T1()->topLevelItem(0)->child(0));
        form2->LoadLesson();
        QShortcut* ctrlS = nullptr;
        for (QShortcut* s : form2->findChildren<QShortcut*>())
            ctrlS = s->key() == QKeySequence(Qt::CTRL | Qt::Key_S) ? s : ctrlS;
        QVERIFY(ctrlS);
        emit ctrlS->activated();
        QCOMPARE(session().phase(), Phase::Listening);
        emit ctrlS->activated(); // again: ends it
        QCOMPARE(session().phase(), Phase::Idle);
    }
};

QTEST_MAIN(TestSpeakingLink)
#include "tst_speaking_link.moc"
