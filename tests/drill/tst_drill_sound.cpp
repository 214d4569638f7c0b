// A looped sentence as heard through the private sound server: the real player, the
// drill's steps and the controller's own timers. Prints what it heard.
#include "platform/GstMediaPlayer.h"
#include "tests/audio/HeardSound.h"
#include "tests/drill/LoopRig.h"

#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

class TestDrillSound : public QObject {
    Q_OBJECT

private slots:
    void loopedSentenceIsHeardWithItsGaps_data() {
        QTest::addColumn<double>("speed");
        QTest::newRow("0.8x") << 0.8;
        QTest::newRow("1.0x") << 1.0;
    }

    void loopedSentenceIsHeardWithItsGaps() {
        QFETCH(double, speed);
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        GstMediaPlayer player;
        QVERIFY(!player.isSilent());
        // One sentence of a steady 3 s tone, 1 s long in the recording.
        LoopRig rig(player,
                    qEnvironmentVariable("LESNOR_SOURCE_DIR") + QStringLiteral("/tests/data/tone-3s.mp3"),
                    0.5, 1.0);
        SentenceController& ctl = rig.ctl;
        SentenceDrill& drill = rig.drill;
        drill.setLoopTimes(3);
        // The speed once the player can change it; its ignored default otherwise.
        drill.setRate(speed);
        const double rate = player.rate();

        const std::vector<qint16> heard = recordHeard([&] {
            ctl.sentenceClicked(0);
            const bool done = QTest::qWaitFor(
                [&] { return ctl.plays() == 3 && !ctl.pollActive() && !ctl.pausePending(); }, 20000);
            // The player answers at once and sounds a moment later: keep listening for
            // the last play's length, so a play still on its way to the server is heard.
            QTest::qWait(int(1500 / rate));
            return done;
        });
        QVERIFY2(!heard.empty(), "nothing recorded from the monitor");
        // A play is one run however the server hiccups inside it (only a silence of half
        // the gap's length separates two). A piece under 100 ms is not a play: the
        // player's known stray, a bit of the last sentence's end heard before the next
        // one starts, which the end-to-end run allows as much of; it is printed.
        std::vector<HeardRun> runs;
        for (const HeardRun& run : loudRuns(heard)) {
            if (run.end - run.start < 0.1) {
                std::printf("drill_loop_stray: %.1f ms (at %.3f s)\n", (run.end - run.start) * 1000,
                            run.start);
            } else if (!runs.empty() && run.start - runs.back().end < DrillSettings::loopGapMs / 2000.0) {
                runs.back().end = run.end;
            } else {
                runs.push_back(run);
            }
        }
        for (size_t i = 0; i < runs.size(); ++i) {
            std::printf("drill_loop_play_%zu: %.1f ms (heard length at %.1fx)\n", i + 1,
                        (runs[i].end - runs[i].start) * 1000, rate);
            if (i > 0)
                std::printf("drill_loop_gap_%zu: %.1f ms (setting %d ms)\n", i,
                            (runs[i].start - runs[i - 1].end) * 1000, DrillSettings::loopGapMs);
        }
        QCOMPARE(runs.size(), size_t(3));
        for (size_t i = 0; i < runs.size(); ++i) {
            // Each play is the whole sentence, stretched by the speed.
            QVERIFY(std::abs((runs[i].end - runs[i].start) - 1.0 / rate) < 0.1);
            // Each gap is about the setting's (its exact figure is bench_drill's): neither
            // the repeats run together nor does a second play's length come between.
            if (i > 0)
                QVERIFY(std::abs(runs[i].start - runs[i - 1].end - DrillSettings::loopGapMs / 1000.0) < 0.3);
        }
        QVERIFY(!rig.view.stopEnabled);
    }
};

QTEST_GUILESS_MAIN(TestDrillSound)
#include "tst_drill_sound.moc"
