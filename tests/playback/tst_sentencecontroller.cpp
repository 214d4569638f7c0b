// Sentence playback on the fake player's virtual clock.
#include "FakeLessonView.h"
#include "FakeMediaPlayer.h"
#include "lessons/LenientNumber.h"
#include "playback/PollSchedule.h"
#include "playback/SentenceController.h"

#include <QtTest>
#include <memory>

using namespace lesnor;
using namespace lesnor::test;

using Caption = ILessonView::Caption;

namespace {

const QString audio = QStringLiteral("QLX101.mp3");

// Text ranges: "0+10", "12+4", "18+21", "41+7".
Lesson fourSentences(const QString& lastEnd = QString()) {
    Lesson lesson;
    lesson.caption = QStringLiteral("Lesson 1");
    lesson.List1 = QStringList{"Excuse me!", "Yes?", "Is this your handbag?", "Pardon?"};
    lesson.List2 = QStringList{"对不起！", "什么事？", "这是您的手提包吗？", "请再说一遍。"};
    lesson.List3 = QStringList{".5", "2.73", "4.5", "6.6"};
    lesson.List4 = QStringList{"2.43", "4.1", "6.2", lastEnd};
    return lesson;
}

QString range(const Lesson& lesson, int i) {
    return QStringLiteral("%1+%2").arg(lesson.documentStart(i)).arg(lesson.List1.at(i).size());
}

} // namespace

class TestSentenceController : public QObject {
    Q_OBJECT

    FakeMediaPlayer player;
    FakeLessonView view{&player.calls};
    std::unique_ptr<SentenceController> ctl;
    Lesson lesson;

    // A recording of `duration` seconds (none for 0) and `shown` in the window.
    void load(const Lesson& shown, double duration = 10.0) {
        lesson = shown;
        player.setDuration(audio, duration);
        player.setUrl(duration > 0 ? audio : QString());
        view.showLesson(lesson);
        ctl->lessonLoaded(lesson);
        player.calls.clear();
    }
    // Lets the virtual clock run in 10 ms samples until the poll goes off.
    void play(double seconds) {
        for (int ms = 0; ms < seconds * 1000 && ctl->pollActive(); ms += 10) {
            player.advance(0.01);
            ctl->tick();
        }
    }
    // The player's part of the shared log.
    QStringList playerCalls() const {
        return player.calls.filter(QRegularExpression(QStringLiteral("^(stopAt|seek|play|stop)( |$)")));
    }
    // Plays, pause after pause, until the reading ends.
    void readToEnd() {
        for (int step = 0; step < 100 && ctl->ContinuousRead(); ++step) {
            if (ctl->pausePending())
                ctl->endPause();
            else
                play(1.0);
        }
    }
    void verifyReadingEnded() {
        QVERIFY(!ctl->ContinuousRead());
        QVERIFY(!ctl->pausePending());
        QCOMPARE(ctl->SentenceIndex(), -1);
        QCOMPARE(view.redRanges(), QStringList());
        QCOMPARE(view.r2, QString());
        QCOMPARE(view.caption(Caption::Label8), QString());
        QCOMPARE(view.caption(Caption::Label10), QString());
        QVERIFY(view.readEnabled);
        QVERIFY(!view.stopEnabled);
        QVERIFY(!ctl->pollActive()); // nothing plays: nothing polls
    }

private slots:
    void init() {
        player = FakeMediaPlayer();
        view = FakeLessonView(&player.calls);
        ctl = std::make_unique<SentenceController>(player, view);
    }

    void sentenceStopsAtFirstSampleAboveItsEnd() {
        load(fourSentences());
        ctl->PlaySentence(0);
        QCOMPARE(playerCalls(), QStringList({"stopAt 2.431", "seek 0.5", "play"}));
        QCOMPARE(view.redRanges(), QStringList{"0+10"});
        QCOMPARE(view.caret, 10);
        QCOMPARE(view.caption(Caption::Label8), QStringLiteral("对不起！"));

        player.setCurrentPosition(2.43);
        ctl->tick();
        QCOMPARE(ctl->Text1(), QStringLiteral("2.43"));
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
        player.advance(0.0004); // above the end time, short of the player's own stop
        ctl->tick();
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QVERIFY(!ctl->pollActive());
        // Alone, a sentence just stops: it stays current and lit.
        QCOMPARE(ctl->SentenceIndex(), 0);
        QCOMPARE(view.redRanges(), QStringList{"0+10"});
        QVERIFY(!ctl->pausePending());

        // A player that halts at its stop position still trips the end test.
        ctl->PlaySentence(1);
        play(5);
        QCOMPARE(player.calls.last(), QStringLiteral("stop"));
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
    }

    void lastSentencePlaysToTheEnd() {
        load(fourSentences());
        ctl->sentenceClicked(lesson.documentStart(3) + 2);
        QCOMPARE(playerCalls(), QStringList({"stopAt -1", "seek 6.6", "play"}));
        play(5);
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QVERIFY(!ctl->pollActive()); // nothing left to watch once the recording ended
        QVERIFY(!player.calls.contains("stop"));
        QCOMPARE(ctl->Text1(), QStringLiteral("0"));
        QCOMPARE(ctl->SentenceIndex(), 3);
        QVERIFY(!ctl->pollActive());
    }

    // Far from the end the poll is coarse, in the end's last milliseconds it is fine, and
    // it ends with the first sample that finds the player not playing.
    void pollSchedule_data() {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("delay");
        const int coarse = PollSchedule::coarseMs;
        const int lead = PollSchedule::fineLeadMs;
        QTest::newRow("stopped") << false << 0.0 << 2.0 << -1;
        QTest::newRow("held past the end") << false << 2.001 << 2.0 << -1;
        QTest::newRow("no end time") << true << 1.0 << -1.0 << coarse;
        QTest::newRow("far from the end") << true << 0.5 << 2.0 << coarse;
        QTest::newRow("one coarse step plus the lead")
            << true << 2.0 - (coarse + lead + 0.5) / 1000.0 << 2.0 << coarse;
        QTest::newRow("timed to the lead") << true << 1.9795 << 2.0 << 20 - lead; // 20.5 ms to go
        QTest::newRow("inside the lead") << true << 1.995 << 2.0 << 1;
        QTest::newRow("past the end, still playing") << true << 2.2 << 2.0 << 1;
    }
    void pollSchedule() {
        QFETCH(bool, playing);
        QFETCH(double, position);
        QFETCH(double, end);
        QFETCH(int, delay);
        QCOMPARE(PollSchedule::nextDelay(playing, position, end), delay);
    }

    void continuousReadingPausesBetweenSentences_data() {
        QTest::addColumn<QString>("lastEnd");
        QTest::newRow("last sentence open-ended") << "";
        QTest::newRow("last sentence with an end time") << "8";
    }
    void continuousReadingPausesBetweenSentences() {
        QFETCH(QString, lastEnd);
        load(fourSentences(lastEnd));
        ctl->readLesson();
        QVERIFY(ctl->ContinuousRead());
        QVERIFY(view.stopEnabled && !view.readEnabled);
        for (int next = 1; next < 4; ++next) {
            player.calls.clear();
            play(10);
            QCOMPARE(player.calls, QStringList{"stop"});
            QVERIFY(ctl->pausePending());
            QCOMPARE(ctl->SentenceIndex(), next - 1);

            player.calls.clear();
            ctl->endPause();
            const QString stopAt = next == 3 && lastEnd.isEmpty()
                                       ? QStringLiteral("-1")
                                       : QString::number(lenientNumber(lesson.List4.at(next)) + 0.001);
            QCOMPARE(player.calls.mid(0, 6),
                     QStringList({"stopAt " + stopAt, "seek " + lesson.List3.at(next), "play",
                                  "teal " + range(lesson, next - 1),
                                  QStringLiteral("caret %1").arg(lesson.documentStart(next - 1)),
                                  "red " + range(lesson, next)}));
            QCOMPARE(ctl->SentenceIndex(), next);
            QCOMPARE(view.r2, lesson.List1.at(next));
        }
        player.calls.clear();
        play(10);
        QVERIFY(!player.calls.contains("play")); // the last sentence is not played again
        verifyReadingEnded();
        QCOMPARE(view.caption(Caption::Label9), QStringLiteral("Pardon?"));
    }

    void readingEndsWithTheRecording_data() {
        QTest::addColumn<Lesson>("shown");
        QTest::addColumn<double>("duration");
        QTest::newRow("lesson without sentences") << Lesson() << 5.0;
        QTest::newRow("recording shorter than the times") << fourSentences() << 3.5;
    }
    void readingEndsWithTheRecording() {
        QFETCH(Lesson, shown);
        QFETCH(double, duration);
        load(shown, duration);
        ctl->readLesson();
        QCOMPARE(playerCalls().mid(0, 2),
                 QStringList({"stopAt " + QString::number(shown.isEmpty() ? -1 : 2.431),
                              "seek " + QString::number(shown.isEmpty() ? 0 : 0.5)}));
        readToEnd();
        verifyReadingEnded();
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
    }

    void stopOrLoadDuringThePauseCancelsTheNextSentence_data() {
        QTest::addColumn<bool>("stop");
        QTest::newRow("stop command") << true;
        QTest::newRow("lesson load") << false;
    }
    void stopOrLoadDuringThePauseCancelsTheNextSentence() {
        QFETCH(bool, stop);
        load(fourSentences());
        ctl->readLesson();
        play(3);
        QVERIFY(ctl->pausePending());
        if (stop) {
            ctl->stopReading();
            verifyReadingEnded();
        } else {
            ctl->lessonLoaded(lesson);
            QVERIFY(!view.stopEnabled);
            QCOMPARE(ctl->SentenceIndex(), -1);
        }
        QVERIFY(!ctl->pausePending());
        QVERIFY(!ctl->ContinuousRead());
        player.calls.clear();
        ctl->endPause();
        play(1);
        QCOMPARE(player.calls, QStringList());
    }

    void readCommandRestartsFromTheFirstSentence() {
        load(fourSentences());
        ctl->sentenceClicked(lesson.documentStart(2) + 5);
        play(0.5);
        ctl->readLesson();
        QCOMPARE(ctl->SentenceIndex(), 0);
        QVERIFY(ctl->ContinuousRead());
        QCOMPARE(view.redRanges(), QStringList{"0+10"});
        QCOMPARE(player.currentPosition(), 0.5);
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
    }

    void toolbarStepsAndClamps() {
        load(fourSentences());
        ctl->readSentence(); // nothing is current yet
        ctl->nextSentence();
        QCOMPARE(ctl->SentenceIndex(), 0);
        QCOMPARE(view.redRanges(), QStringList{"0+10"});
        ctl->previousSentence();
        QCOMPARE(ctl->SentenceIndex(), 0);
        QVERIFY(!view.toolbar[0] && view.toolbar[1]);
        for (int i = 0; i < 5; ++i)
            ctl->nextSentence();
        QCOMPARE(ctl->SentenceIndex(), 3);
        QVERIFY(view.toolbar[0] && !view.toolbar[1]);
        QCOMPARE(view.redRanges(), QStringList{"41+7"});
        ctl->previousSentence();
        QVERIFY(view.toolbar[1]);
        QVERIFY(!player.calls.contains("play")); // stepping never plays
        ctl->readSentence();
        QCOMPARE(player.calls.mid(player.calls.indexOf("stopAt 6.201")),
                 QStringList({"stopAt 6.201", "seek 4.5", "play"}));
        QCOMPARE(ctl->SentenceIndex(), 2);

        // During continuous reading the three buttons do nothing.
        ctl->readLesson();
        player.calls.clear();
        ctl->nextSentence();
        ctl->previousSentence();
        ctl->readSentence();
        QCOMPARE(player.calls, QStringList());
        QCOMPARE(ctl->SentenceIndex(), 0);
    }

    void toolbarOnAnEmptyLesson() {
        load(Lesson());
        ctl->nextSentence();
        QCOMPARE(ctl->SentenceIndex(), -1);
        QVERIFY(!view.toolbar[1]);
        ctl->previousSentence();
        QCOMPARE(ctl->SentenceIndex(), 0);
        QVERIFY(!view.toolbar[0] && view.toolbar[1]);
        QCOMPARE(view.r2, QString());
        QVERIFY(player.calls.filter("red").isEmpty());
    }

    void stepPastTheHighestIndexKeepsIt() {
        Lesson many;
        for (int i = 0; i < 32770; ++i)
            many.List1 << QStringLiteral("s"), many.List2 << QString(), many.List3 << "1", many.List4 << "2";
        load(many);
        ctl->PlaySentence(32767);
        ctl->nextSentence();
        QCOMPARE(ctl->SentenceIndex(), 32767);
    }

    void translationFollowsTheToggle() {
        load(fourSentences());
        view.translationIsShown = false;
        ctl->nextSentence();
        QCOMPARE(view.caption(Caption::Label8), QString());
        QCOMPARE(view.caption(Caption::Label10), QStringLiteral("对不起！"));
        view.translationIsShown = true;
        ctl->nextSentence();
        QCOMPARE(view.caption(Caption::Label8), QStringLiteral("什么事？"));
    }

    void repeatedSentenceLightsUpWhereItStands() {
        Lesson repeated;
        repeated.List1 = QStringList{"Nice to meet you.", "Hello.", "Nice to meet you."};
        repeated.List2 = QStringList{"a", "b", "c"};
        repeated.List3 = QStringList{"0", "2", "4"};
        repeated.List4 = QStringList{"1.5", "3.5", ""};
        load(repeated);
        ctl->PlaySentence(2);
        QCOMPARE(view.redRanges(), QStringList{"27+17"});
        QCOMPARE(view.caret, 44);
        QCOMPARE(view.caption(Caption::Label10), QStringLiteral("c"));
        ctl->sentenceClicked(3);
        QCOMPARE(view.redRanges(), QStringList{"0+17"});
        ctl->nextSentence();
        ctl->nextSentence();
        QCOMPARE(view.redRanges(), QStringList{"27+17"});
    }

    void clicksResolveByPosition() {
        load(fourSentences());
        ctl->sentenceClicked(10); // just after the last character of the sentence
        QCOMPARE(ctl->SentenceIndex(), 0);
        QCOMPARE(view.caret, 10);
        ctl->sentenceClicked(lesson.documentStart(2) + 20);
        QCOMPARE(ctl->SentenceIndex(), 2);
        QCOMPARE(view.redRanges(), QStringList{"18+21"});

        // Empty lines between and below the sentences, and beyond the text.
        player.calls.clear();
        for (int pos :
             {11, lesson.documentStart(3) - 1, lesson.documentStart(4) - 1, lesson.documentStart(4) + 3})
            ctl->sentenceClicked(pos);
        QCOMPARE(player.calls, QStringList());
        QCOMPARE(ctl->SentenceIndex(), 2);

        ctl->readLesson();
        player.calls.clear();
        ctl->sentenceClicked(lesson.documentStart(1));
        QCOMPARE(player.calls, QStringList());
        QCOMPARE(ctl->SentenceIndex(), 0);
    }

    void withoutMediaTheSentenceStaysCurrent() {
        load(fourSentences(), 0);
        ctl->sentenceClicked(lesson.documentStart(1));
        play(2);
        QCOMPARE(ctl->Text1(), QStringLiteral("0"));
        QVERIFY(!ctl->pollActive()); // one sample found it stopped
        QVERIFY(!player.calls.contains("stop"));
        QCOMPARE(ctl->SentenceIndex(), 1);
        QCOMPARE(view.redRanges(), QStringList{"12+4"});
        QCOMPARE(view.r2, QStringLiteral("Yes?"));
    }
};

QTEST_GUILESS_MAIN(TestSentenceController)
#include "tst_sentencecontroller.moc"
