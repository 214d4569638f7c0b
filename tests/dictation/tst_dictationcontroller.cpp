// The dictation exercise on the fake player's virtual clock: loading, stepping, the
// answer, and each sentence stopping at its end.
#include "FakeMediaPlayer.h"
#include "FakeServices.h"
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationView.h"
#include "lessons/LenientNumber.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace lesnor;
using namespace lesnor::test;

namespace {

// The window as the exercise leaves it. `typed` stands for what the learner typed.
struct FakeDictationView final : IDictationView {
    QString typed = QStringLiteral("typed before");
    QString answer = QStringLiteral("answer before");
    QString Label8 = QStringLiteral("Label8 before");
    QString Label10 = QStringLiteral("Label10 before");
    bool shown = false;
    QMap<int, bool> enabled;

    void clearTyping() override { typed.clear(); }
    void setAnswer(const QString& text) override { answer = text; }
    void setLabel10(const QString& text) override { Label10 = text; }
    void setLabel8(const QString& text) override { Label8 = text; }
    bool translationShown() const override { return shown; }
    void resetTranslationToggle() override { shown = true; }
    void setButtonEnabled(int index, bool on) override { enabled[index] = on; }
    // "6 1 2 3" flags as "1111".
    QString buttons() const {
        QString out;
        for (int i : {6, 1, 2, 3})
            out += enabled.value(i, false) ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    }
};

// Three sentences; the last has no end time. The second is stored with a doubled blank.
Lesson threeSentences(const QString& recording) {
    Lesson lesson;
    lesson.caption = QStringLiteral("Lesson 1");
    lesson.List1 = QStringList{"Hello, Ann!", "Welcome to the  club.", "Thank you very much."};
    lesson.List2 = QStringList{"你好，安！", "欢迎来到俱乐部。", "非常感谢！"};
    lesson.List3 = QStringList{".5", "2.1", "4.55"};
    lesson.List4 = QStringList{"1.8", "4.25", ""};
    lesson.LessonAudioFile = recording;
    return lesson;
}

Lesson withoutSentences(const QString& recording) {
    Lesson lesson;
    lesson.caption = QStringLiteral("Lesson 6");
    lesson.LessonAudioFile = recording;
    return lesson;
}

} // namespace

class TestDictationController : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    FakeMediaPlayer player;
    FailingFileOps files;
    FakeDictationView view;
    std::unique_ptr<DictationController> ctl;

    QString recording() const { return dir.filePath(QStringLiteral("QLX101.dat")); }
    QString copy() const { return dir.filePath(QStringLiteral("sounenclff/QLX101.mp3")); }

    void load(const Lesson& lesson) {
        player.setDuration(copy(), 10.0);
        ctl->loadLesson(lesson, copy());
        player.calls.clear();
    }
    // Lets the virtual clock run in 10 ms samples while the poll is on and the player plays.
    void run(double seconds) {
        for (int ms = 0;
             ms < seconds * 1000 && ctl->pollActive() && player.playState() == IMediaPlayer::Playing;
             ms += 10) {
            player.advance(0.01);
            ctl->tick();
        }
    }
    void press(QChar action) {
        if (action == QLatin1Char('n'))
            ctl->nextSentence();
        else if (action == QLatin1Char('p'))
            ctl->previousSentence();
        else if (action == QLatin1Char('r'))
            ctl->readSentence();
    }

private slots:
    void init() {
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir.path()));
        QFile f(recording());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("ID3") == 3);
        f.close();
        player = FakeMediaPlayer();
        view = FakeDictationView();
        ctl = std::make_unique<DictationController>(player, files, view);
    }

    // A load starts from a stepped, typed-in, hidden-translation exercise.
    void loadSetsUpTheExercise_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("withRecording");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<bool>("toggleReset");
        QTest::newRow("lesson") << "three" << true << "1111"
                                << "你好，安！" << true;
        QTest::newRow("lesson, recording missing") << "three" << false << "0000"
                                                   << "你好，安！" << true;
        QTest::newRow("lesson without sentences") << "none" << true << "1111"
                                                  << "" << true;
        QTest::newRow("book node") << "book" << true << "0000"
                                   << "" << false;
    }
    void loadSetsUpTheExercise() {
        QFETCH(QString, kind);
        QFETCH(bool, withRecording);
        QFETCH(QString, buttons);
        QFETCH(QString, translation);
        QFETCH(bool, toggleReset);
        load(threeSentences(recording()));
        ctl->nextSentence();
        QVERIFY(ctl->pollActive());
        view = FakeDictationView();
        player.calls.clear();
        if (!withRecording)
            QVERIFY(QFile::remove(recording()) && QFile::remove(copy()));

        const Lesson lesson = kind == "three"  ? threeSentences(recording())
                              : kind == "none" ? withoutSentences(recording())
                                               : Lesson();
        ctl->loadLesson(lesson, kind == "book" ? QString() : copy());

        QCOMPARE(ctl->DictationIndex(), 0);
        QVERIFY(!ctl->pollActive());
        QCOMPARE(ctl->lesson().List1, lesson.List1);
        QCOMPARE(ctl->DictationAudioFile(), lesson.LessonAudioFile);
        QCOMPARE(view.typed, QString());
        QCOMPARE(view.answer, QString());
        QCOMPARE(view.Label8, translation);
        QCOMPARE(view.Label10, translation);
        QCOMPARE(view.shown, toggleReset);
        QCOMPARE(view.buttons(), buttons);
        QCOMPARE(ctl->playable(), buttons == "1111");
        // Closed before the copy is made, given the copy (or nothing), left stopped.
        const QString url = buttons == "1111" ? copy() : QString();
        QCOMPARE(player.calls, QStringList({"close", "setUrl " + url, "stop"}));
        if (kind != "book")
            QCOMPARE(QFile::exists(copy()), buttons == "1111");
    }

    // Actions: n "下一句", p "上一句", r "朗  读". Buttons as 6 1 2 3.
    void stepping_data() {
        QTest::addColumn<bool>("sentences");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("lastPlay");
        QTest::newRow("read right after loading") << true << "r" << 0 << "1111"
                                                  << "stopAt 1.801,seek 0.5,play";
        QTest::newRow("next") << true << "n" << 1 << "1111"
                              << "stopAt 4.251,seek 2.1,play";
        QTest::newRow("next onto the last") << true << "nn" << 2 << "1111"
                                            << "stopAt -1,seek 4.55,play";
        QTest::newRow("next past the last") << true << "nnn" << 2 << "1011"
                                            << "stopAt -1,seek 4.55,play";
        QTest::newRow("previous at the first") << true << "p" << 0 << "0111"
                                               << "stopAt 1.801,seek 0.5,play";
        QTest::newRow("back from the end") << true << "nnnp" << 1 << "1111"
                                           << "stopAt 4.251,seek 2.1,play";
        QTest::newRow("no sentences: next") << false << "n" << -1 << "1011"
                                            << "stopAt -1,seek 0,play";
        QTest::newRow("no sentences: next, previous") << false << "np" << 0 << "0111"
                                                      << "stopAt -1,seek 0,play";
    }
    void stepping() {
        QFETCH(bool, sentences);
        QFETCH(QString, actions);
        QFETCH(int, index);
        QFETCH(QString, buttons);
        QFETCH(QString, lastPlay);
        load(sentences ? threeSentences(recording()) : withoutSentences(recording()));
        for (QChar action : actions) {
            view.typed = QStringLiteral("typed");
            view.answer = QStringLiteral("shown");
            player.calls.clear();
            press(action);
            // Stepping empties both boxes; reading leaves them.
            QCOMPARE(view.typed, action == 'r' ? QStringLiteral("typed") : QString());
            QCOMPARE(view.answer, action == 'r' ? QStringLiteral("shown") : QString());
        }
        QCOMPARE(ctl->DictationIndex(), index);
        QCOMPARE(view.buttons(), buttons);
        QCOMPARE(player.calls.join(QLatin1Char(',')), lastPlay);
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
        QVERIFY(ctl->pollActive());
        QCOMPARE(view.Label10, Lesson::at(ctl->lesson().List2, index));
    }

    // A learner goes from the first sentence to the last: each stops at its end, the
    // last plays to the end of the recording.
    void eachSentenceStopsAtItsEnd() {
        const Lesson lesson = threeSentences(recording());
        load(lesson);
        for (int i = 0; i < lesson.count(); ++i) {
            player.calls.clear();
            i == 0 ? ctl->readSentence() : ctl->nextSentence();
            run(12);
            QCOMPARE(player.playState(), IMediaPlayer::Stopped);
            QCOMPARE(ctl->DictationIndex(), i);
            QVERIFY(!ctl->pollActive()); // also when the recording ended by itself
            const QString end = lesson.List4.at(i);
            if (end.isEmpty()) {
                QVERIFY(!player.calls.contains("stop")); // the recording ended by itself
            } else {
                QCOMPARE(player.calls.last(), QStringLiteral("stop"));
                const double stoppedAt = lenientNumber(ctl->Text1());
                QVERIFY2(stoppedAt > lenientNumber(end) && stoppedAt < lenientNumber(end) + 0.01,
                         qPrintable(ctl->Text1()));
            }
        }
    }

    void answerAndReplayKeepWhatIsTyped() {
        load(threeSentences(recording()));
        ctl->nextSentence();
        view.typed = QStringLiteral("welcome to the club");
        ctl->showAnswer();
        QCOMPARE(view.answer, QStringLiteral("Welcome to the  club."));
        run(0.3);
        player.calls.clear();
        ctl->readSentence();
        ctl->readSentence();
        QCOMPARE(player.calls,
                 QStringList({"stopAt 4.251", "seek 2.1", "play", "stopAt 4.251", "seek 2.1", "play"}));
        QCOMPARE(view.typed, QStringLiteral("welcome to the club"));
        QCOMPARE(view.answer, QStringLiteral("Welcome to the  club."));
        QCOMPARE(ctl->DictationIndex(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDictationController)
#include "tst_dictationcontroller.moc"
