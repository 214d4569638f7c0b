// The sentence drill on the fake player's virtual clock: loops, rests, speed, holding the
// reading, listen first, and the kept settings.
#include "FakeLessonView.h"
#include "FakeMediaPlayer.h"
#include "drill/DrillSettings.h"
#include "drill/ListenFirst.h"
#include "drill/SentenceDrill.h"
#include "drill/SettingsWriter.h"
#include "playback/SentenceController.h"
#include "tests/drill/VirtualClock.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace lesnor;
using namespace lesnor::test;

namespace {

const QString audio = QStringLiteral("QLX101.mp3");

// Lengths 1.93, 1.37, 1.7 s; the last sentence plays to the end of the 10 s recording.
Lesson fourSentences() {
    Lesson lesson;
    lesson.caption = QStringLiteral("Lesson 1");
    lesson.List1 = QStringList{"Excuse me!", "Yes?", "Is this your handbag?", "Pardon?"};
    lesson.List2 = QStringList{"对不起！", "什么事？", "这是您的手提包吗？", "请再说一遍。"};
    lesson.List3 = QStringList{".5", "2.73", "4.5", "6.6"};
    lesson.List4 = QStringList{"2.43", "4.1", "6.2", ""};
    return lesson;
}

// Masks as "mask 0+6 teal".
struct FakeMasks final : IListenFirstView {
    QStringList log;
    bool wordListHidden = false;
    void maskLessonText(int start, int length, ILessonView::TextColour colour) override {
        log << QStringLiteral("mask %1+%2 %3")
                   .arg(start)
                   .arg(length)
                   .arg(colour == ILessonView::TextColour::Red ? "red" : "teal");
    }
    void setWordListHidden(bool hidden) override { wordListHidden = hidden; }
};

} // namespace

class TestDrill : public QObject {
    Q_OBJECT

    FakeMediaPlayer player;
    FakeLessonView view{&player.calls};
    std::unique_ptr<SentenceDrill> drill;
    std::unique_ptr<SentenceController> ctl;
    Lesson lesson = fourSentences();

    // What the virtual clock saw: each play as "<sentence>:<heard ms>", each rest in ms.
    QStringList heard;
    QList<int> rests;

    void load() {
        player.setDuration(audio, 10.0);
        player.setUrl(audio);
        view.showLesson(lesson);
        ctl->lessonLoaded(lesson);
        player.calls.clear();
    }
    void run(double limit = 60.0, const std::function<bool()>& stopWhen = {}) {
        runVirtualClock(*ctl, player, heard, rests, limit, stopWhen);
    }
    QStringList sentencesHeard() const { return sentencesOf(heard); }

private slots:
    void init() {
        player = FakeMediaPlayer();
        view = FakeLessonView(&player.calls);
        drill = std::make_unique<SentenceDrill>(player);
        ctl = std::make_unique<SentenceController>(player, view);
        ctl->setReadingSteps(drill.get());
        heard.clear();
        rests.clear();
        load();
    }

    // A clicked sentence repeats the chosen number of times with the gap between, until
    // the learner stops it, picks another sentence or steps away (here in the second gap).
    void loopedSentence_data() {
        QTest::addColumn<int>("times");
        QTest::addColumn<QString>("interrupt");
        QTest::addColumn<QStringList>("played");
        QTest::newRow("once") << 1 << "" << QStringList{"0"};
        QTest::newRow("twice") << 2 << "" << QStringList{"0", "0"};
        QTest::newRow("three times") << 3 << "" << QStringList{"0", "0", "0"};
        QTest::newRow("five, stopped") << 5 << "stop" << QStringList{"0", "0"};
        QTest::newRow("until stopped, stopped") << 0 << "stop" << QStringList{"0", "0"};
        QTest::newRow("until stopped, another clicked")
            << 0 << "click" << QStringList{"0", "0", "2", "2", "2"};
        QTest::newRow("until stopped, next") << 0 << "next" << QStringList{"0", "0"};
        QTest::newRow("until stopped, previous") << 0 << "previous" << QStringList{"0", "0"};
    }
    void loopedSentence() {
        QFETCH(int, times);
        QFETCH(QString, interrupt);
        QFETCH(QStringList, played);
        drill->setLoopTimes(times);
        ctl->sentenceClicked(2);
        QCOMPARE(view.stopEnabled, times != 1); // the stop command ends the loop
        bool done = false;
        run(30, [&] {
            if (done || heard.size() < 2 || !ctl->pausePending())
                return false;
            done = true;
            if (interrupt == "stop")
                ctl->endPlayback();
            else if (interrupt == "click") {
                drill->setLoopTimes(3);
                ctl->sentenceClicked(lesson.documentStart(2) + 1);
            } else if (interrupt == "next")
                ctl->nextSentence();
            else if (interrupt == "previous")
                ctl->previousSentence();
            return false;
        });
        QCOMPARE(sentencesHeard(), played);
        for (int rest : rests)
            QCOMPARE(rest, DrillSettings::loopGapMs);
        QVERIFY(!ctl->pausePending());
        QVERIFY(!view.stopEnabled);
        QCOMPARE(ctl->SentenceIndex(), qint16(interrupt == "click" ? 2 : interrupt == "next" ? 1 : 0));
    }

    // A player that plays silence before a sentence's first sound is started that much
    // earlier, so the gap heard between repeats is the setting.
    void loopGapAllowsForThePlayersLeadIn() {
        player.latency = 0.1;
        drill->setLoopTimes(2);
        ctl->sentenceClicked(2);
        run(30);
        QCOMPARE(sentencesHeard(), (QStringList{"0", "0"}));
        QCOMPARE(rests, QList<int>{DrillSettings::loopGapMs - 100});
    }

    // The whole lesson read: each sentence repeated in turn (the last one too, which runs
    // to the end of the recording), the rest after it one second or, to repeat it
    // aloud, its heard length × the factor + 0.5 s; the speed stretches every play.
    void readingRests_data() {
        QTest::addColumn<int>("times");
        QTest::addColumn<bool>("pause");
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QStringList>("played");
        QTest::addColumn<QList<int>>("restsMs");
        const QStringList once{"0:1930", "1:1370", "2:1700", "3:3400"};
        QTest::newRow("plain") << 1 << false << 1.5 << 1.0 << once << QList<int>{1000, 1000, 1000};
        QTest::newRow("pause 1.5") << 1 << true << 1.5 << 1.0 << once << QList<int>{3395, 2555, 3050};
        QTest::newRow("pause 2.0 at 0.5x")
            << 1 << true << 2.0 << 0.5 << QStringList{"0:3860", "1:2740", "2:3400", "3:6800"}
            << QList<int>{8220, 5980, 7300};
        QTest::newRow("twice, pause 1.0")
            << 2 << true << 1.0 << 1.0
            << QStringList{"0:1930", "0:1930", "1:1370", "1:1370", "2:1700", "2:1700", "3:3400", "3:3400"}
            << QList<int>{800, 2430, 800, 1870, 800, 2200, 800};
    }
    void readingRests() {
        QFETCH(int, times);
        QFETCH(bool, pause);
        QFETCH(double, factor);
        QFETCH(double, rate);
        QFETCH(QStringList, played);
        QFETCH(QList<int>, restsMs);
        drill->setLoopTimes(times);
        drill->setPauseFactor(factor);
        if (pause)
            drill->togglePauseToRepeat();
        drill->setRate(rate);
        QCOMPARE(player.rate(), rate);
        ctl->readLesson();
        run();
        QCOMPARE(heard, played);
        QCOMPARE(rests, restsMs);
        QVERIFY(!ctl->ContinuousRead());
    }

    // Space holds the reading where it is (highlight kept, nothing plays, no rest
    // pending) and resumes it from the start of the same sentence; Shift+F5 reads on from
    // the current sentence.
    void holdAndReadOn() {
        ctl->readLesson();
        run(60,
            [&] { return heard.size() == 2 && ctl->SentenceIndex() == 2 && player.currentPosition() > 5.0; });
        QCOMPARE(ctl->SentenceIndex(), 2);
        ctl->holdReading();
        QVERIFY(ctl->readingHeld() && ctl->ContinuousRead());
        QVERIFY(!ctl->pollActive() && !ctl->pausePending());
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QCOMPARE(view.redRanges(), QStringList{"18+21"});
        player.calls.clear();
        ctl->resumeReading();
        QCOMPARE(player.calls.mid(0, 3), QStringList({"stopAt 6.201", "seek 4.5", "play"}));
        run();
        QCOMPARE(sentencesHeard(), QStringList({"0", "1", "2", "3"}));
        QVERIFY(!ctl->readingHeld());

        heard.clear();
        ctl->sentenceClicked(lesson.documentStart(1));
        run();
        ctl->readLessonFrom(ctl->SentenceIndex());
        QVERIFY(ctl->ContinuousRead());
        run();
        QCOMPARE(sentencesHeard(), QStringList({"1", "1", "2", "3"}));
    }

    // The speed: steps, ends, and the player told only of real changes.
    void speedSteps() {
        const struct {
            void (SentenceDrill::*op)();
            double rate;
        } steps[] = {
            {&SentenceDrill::faster, 1.0}, {&SentenceDrill::slower, 0.9}, {&SentenceDrill::slower, 0.8},
            {&SentenceDrill::slower, 0.7}, {&SentenceDrill::slower, 0.6}, {&SentenceDrill::slower, 0.5},
            {&SentenceDrill::slower, 0.5}, {&SentenceDrill::faster, 0.6}, {&SentenceDrill::normalSpeed, 1.0},
        };
        for (const auto& s : steps) {
            (drill.get()->*s.op)();
            QCOMPARE(drill->settings().rate, s.rate);
            QCOMPARE(player.rate(), s.rate);
        }
        QCOMPARE(player.calls.filter("rate").size(), 7);
        drill->setRate(0.75); // not a step: ignored
        QCOMPARE(player.rate(), 1.0);
        QVERIFY(drill->speedApplied());
        player.fixedRate = true;
        drill->slower();
        QVERIFY(!drill->speedApplied()); // the window says so
        QCOMPARE(DrillSettings::step(DrillSettings::textPercents(), 130, +1), 150);
        QCOMPARE(DrillSettings::step(DrillSettings::textPercents(), 130, -1), 125);
    }

    // Listen first: the lesson text as word blanks, the sentence box blanks, the
    // translation and word list hidden, until a sentence is revealed; revealed ones stay
    // so for the lesson, through the mode going off and on; a new lesson hides all.
    void listenFirst() {
        FakeMasks masks;
        ListenFirst listen(view, masks);
        listen.setCurrentSentence([this] { return ctl->SentenceIndex(); });
        ctl = std::make_unique<SentenceController>(player, listen);
        ctl->lessonLoaded(lesson);
        listen.lessonLoaded(lesson);
        listen.setOn(true);
        QVERIFY(masks.wordListHidden);
        QCOMPARE(masks.log.mid(0, 4),
                 QStringList({"mask 0+6 teal", "mask 7+3 teal", "mask 12+4 teal", "mask 18+2 teal"}));
        QCOMPARE(ListenFirst::blanks(QStringLiteral("Is it?  Yes.")), QStringLiteral("__ ___  ____"));

        masks.log.clear();
        ctl->sentenceClicked(lesson.documentStart(1));
        QCOMPARE(masks.log, QStringList{"mask 12+4 red"});
        QCOMPARE(view.r2, QStringLiteral("____"));
        QCOMPARE(view.caption(ILessonView::Caption::Label8), QString());
        QCOMPARE(view.caption(ILessonView::Caption::Label10), QString());

        listen.reveal(1);
        QCOMPARE(view.r2, QStringLiteral("Yes?"));
        QCOMPARE(view.caption(ILessonView::Caption::Label8), QStringLiteral("什么事？"));
        QCOMPARE(view.redRanges(), QStringList{"12+4"});
        listen.reveal(-1);
        listen.reveal(9); // outside: nothing
        QVERIFY(listen.hidesLessonText(lesson.documentStart(2) + 1));
        QVERIFY(!listen.hidesLessonText(lesson.documentStart(1) + 1));
        QVERIFY(!listen.hidesSentenceBox());

        masks.log.clear();
        ctl->nextSentence(); // sentence 2, still hidden
        QCOMPARE(masks.log,
                 QStringList({"mask 18+2 red", "mask 21+4 red", "mask 26+4 red", "mask 31+8 red"}));
        QCOMPARE(view.r2, QStringLiteral("__ ____ ____ ________"));
        QVERIFY(listen.hidesSentenceBox());
        listen.setOn(false);
        QVERIFY(!masks.wordListHidden);
        QCOMPARE(view.r2, lesson.List1.at(2));
        masks.log.clear();
        listen.setOn(true);
        QCOMPARE(masks.log.filter("12+4"), QStringList()); // still revealed
        QVERIFY(!listen.hidden(1) && listen.hidden(0));

        listen.lessonLoaded(lesson);
        QVERIFY(listen.hidden(1));
    }

    // Kept across runs; a missing, corrupt or out-of-range file gives the defaults,
    // value by value.
    void settingsFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("described");
        QTest::newRow("missing") << QByteArray() << "";
        QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe[[[\n=\x01", 10) << "";
        QTest::newRow("out of range")
            << QByteArray(
                   "[drill]\nloopTimes=4\nrate=7\npauseFactor=abc\ntextPercent=-3\nlistenFirst=maybe\n")
            << "";
        QTest::newRow("partly good") << QByteArray("[drill]\nrate=0.7\nloopTimes=zz\npauseToRepeat=true\n")
                                     << "语速 0.7× · 跟读停顿 1.5×";
    }
    void settingsFile() {
        QFETCH(QByteArray, content);
        QFETCH(QString, described);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config/lesnor/drill.conf"));
        if (!content.isNull()) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QCOMPARE(DrillSettings::read(path).describe(), described);

        DrillSettings mine;
        mine.loopTimes = 3;
        mine.rate = 0.7;
        mine.pauseToRepeat = true;
        mine.pauseFactor = 2.0;
        mine.listenFirst = true;
        mine.textPercent = 150;
        QVERIFY(DrillSettings::write(path, mine));
        QCOMPARE(DrillSettings::read(path), mine);
        QCOMPARE(mine.describe(), QStringLiteral("单句循环 3 遍 · 语速 0.7× · 跟读停顿 2.0× · 先听后看"));
        QVERIFY(!DrillSettings::write(dir.path(), mine)); // a folder is not a file
        QCOMPARE(DrillSettings::read(dir.path()), DrillSettings());
    }

    // Written off the caller's thread: a burst of changes lands as its last one; a file
    // that cannot be written is reported.
    void settingsWriter() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lesnor/drill.conf"));
        SettingsWriter writer(path);
        QSignalSpy failed(&writer, &SettingsWriter::failed);
        DrillSettings s;
        for (int percent : DrillSettings::textPercents()) {
            s.textPercent = percent;
            writer.keep(s);
        }
        QVERIFY(writer.flush(5000));
        QCOMPARE(DrillSettings::read(path).textPercent, 200);
        SettingsWriter blocked(dir.path()); // a folder
        QSignalSpy blockedFailed(&blocked, &SettingsWriter::failed);
        blocked.keep(s);
        QTRY_COMPARE(blockedFailed.count(), 1);
        QCOMPARE(failed.count(), 0);
    }

    // Changes reach the keeper once each; restoring does not store.
    void keeper() {
        QList<DrillSettings> kept;
        drill->setKeeper([&kept](const DrillSettings& s) { kept << s; });
        DrillSettings saved;
        saved.rate = 0.8;
        drill->restore(saved);
        QCOMPARE(player.rate(), 0.8);
        drill->toggleLoop();
        drill->toggleLoop();
        drill->setLoopTimes(1); // no change
        drill->toggleListenFirst();
        QCOMPARE(kept.size(), 3);
        QCOMPARE(kept.at(0).loopTimes, 0);
        QCOMPARE(kept.at(2).describe(), QStringLiteral("语速 0.8× · 先听后看"));
    }
};

QTEST_GUILESS_MAIN(TestDrill)
#include "tst_drill.moc"
