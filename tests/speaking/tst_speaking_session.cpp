// Speak and compare from the key to the comparison, on fakes: the model sentence plays on
// the lesson player, recording follows at once and ends by its rules, the model's span is
// decoded once per sentence, and every failure is said.
#include "FakeClipDecoder.h"
#include "FakeMediaPlayer.h"
#include "FakeServices.h"
#include "FakeVoiceTake.h"
#include "speaking/SpeakingSession.h"

#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

namespace {

struct FakeView final : ISpeakingView {
    QStringList sentences;
    std::vector<Sound> attempts;
    QStringList notices;
    int presented = 0;
    double lastSeconds = -1;
    void setSentence(const QString& text, Sound) override { sentences << text; }
    void addAttempt(Sound attempt) override { attempts.push_back(std::move(attempt)); }
    void showRecording(double, double seconds) override { lastSeconds = seconds; }
    void showNotice(const QString& text) override { notices << text; }
    void present() override { ++presented; }
};

const QString kRecording = QStringLiteral("/lesson.mp3");
const ModelSentence kSentence{QStringLiteral("Where is the station?"), 2.0, 4.5};

struct Rig {
    FakeMediaPlayer player;
    FakeVoiceTake take;
    FakeClipDecoder decoder;
    FakeSoundPlayer sound;
    FakeView view;
    SpeakingSession session{player, take, decoder, sound, view};
    QStringList notices;

    Rig() {
        player.setDuration(kRecording, 60);
        player.setUrl(kRecording);
    }
    void start(const ModelSentence& s = kSentence) {
        session.start(s, [this](const QString& t) { notices << t; });
    }
    // The model plays to its end; recording begins.
    void hearModel() {
        player.advance(5);
        session.poll();
    }
    void say(double quiet, double speech, double after) {
        take.feed(quiet, 10);
        take.feed(speech, 8000);
        take.feed(after, 10);
        session.poll();
    }
    bool idle() {
        session.poll();
        return session.phase() == SpeakingSession::Phase::Idle;
    }
};

} // namespace

class TestSpeakingSession : public QObject {
    Q_OBJECT

private slots:
    void fromTheKeyToTheComparison() {
        Rig r;
        r.start();
        QCOMPARE(r.session.phase(), SpeakingSession::Phase::Listening);
        QCOMPARE(r.player.calls.mid(r.player.calls.size() - 3),
                 (QStringList{"stopAt 4.5", "seek 2", "play"}));
        QCOMPARE(r.notices.last(), SpeakingSession::listenText());
        r.player.advance(1);
        r.session.poll();
        QCOMPARE(r.take.startCount, 0); // nothing recorded over the model
        r.hearModel();
        QCOMPARE(r.session.phase(), SpeakingSession::Phase::Recording);
        QCOMPARE(r.take.startCount, 1);
        QVERIFY(r.notices.last().startsWith(QStringLiteral("请跟读…")));

        r.say(0.2, 1.0, 0.5);
        QCOMPARE(r.session.phase(), SpeakingSession::Phase::Recording); // 0.5 s of silence is not yet the end
        QCOMPARE(r.view.lastSeconds, 1.7);
        r.say(0, 0, 0.5);
        QTRY_VERIFY(r.idle());
        QVERIFY(!r.take.isRunning());
        QCOMPARE(r.view.sentences, QStringList{kSentence.text});
        QCOMPARE(r.view.attempts.size(), size_t(1));
        QVERIFY(std::abs(r.view.attempts[0].seconds() - 2.0) < 0.02); // ends 0.8 s after the speech
        QCOMPARE(r.view.presented, 1);
        QCOMPARE(r.decoder.calls, QStringList{kRecording + " 2 4.5"});

        // Again: the same sentence is decoded once and keeps its attempts.
        r.session.again();
        r.hearModel();
        r.say(0.2, 0.5, 1.0);
        QTRY_VERIFY(r.idle());
        QCOMPARE(r.decoder.calls.size(), 1);
        QCOMPARE(r.view.sentences.size(), 1);
        QCOMPARE(r.view.attempts.size(), size_t(2));

        // Model, then a pause of half a second, then the attempt, from memory.
        QVERIFY(r.session.playBoth(r.view.attempts[1]));
        const size_t both = 16000 + 8000 + r.view.attempts[1].samples.size();
        QCOMPARE(r.sound.calls.last(), QStringLiteral("samples %1 16000").arg(both));
        QVERIFY(r.session.playModel());
        QCOMPARE(r.sound.calls.last(), QStringLiteral("samples 16000 16000"));
    }

    // What ends a recording, and what the learner then has.
    void endings_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<double>("seconds");
        QTest::newRow("silence after speech") << "silence" << 1 << 2.0;
        QTest::newRow("3 x the sentence + 2 s") << "limit" << 1 << 9.5;
        QTest::newRow("the key again") << "key" << 1 << 0.6;
        QTest::newRow("Esc while the model plays") << "esc" << 0 << 0.0;
    }
    void endings() {
        QFETCH(QString, how);
        QFETCH(int, attempts);
        QFETCH(double, seconds);
        Rig r;
        r.start();
        if (how == "esc") {
            r.session.stop();
            QCOMPARE(r.player.playState(), IMediaPlayer::Stopped);
            r.hearModel();
            QCOMPARE(r.take.startCount, 0);
        } else {
            r.hearModel();
            if (how == "silence")
                r.say(0.2, 1.0, 1.0);
            else if (how == "limit")
                r.say(10, 0, 0);
            else {
                r.say(0.1, 0.5, 0);
                r.start();
            }
        }
        QTRY_VERIFY(r.idle());
        QCOMPARE(int(r.view.attempts.size()), attempts);
        if (attempts)
            QVERIFY2(std::abs(r.view.attempts[0].seconds() - seconds) < 0.02,
                     qPrintable(QString::number(r.view.attempts[0].seconds())));
    }

    // Every failure is said on the asking window's line (and in the comparison window
    // once it concerns a take), and nothing is shown half-done.
    void failuresSaid_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("inView");
        QTest::newRow("no sentence current") << "sentence" << SpeakingSession::noSentenceText() << false;
        QTest::newRow("no lesson recording") << "recording" << SpeakingSession::modelMissingText() << false;
        QTest::newRow("no microphone or sound server")
            << "microphone" << SpeakingSession::noMicrophoneText() << true;
        QTest::newRow("model unreadable") << "model" << SpeakingSession::modelMissingText() << true;
        QTest::newRow("input broke off, nothing came")
            << "broken" << SpeakingSession::takeFailedText() << true;
    }
    void failuresSaid() {
        QFETCH(QString, fault);
        QFETCH(QString, said);
        QFETCH(bool, inView);
        Rig r;
        if (fault == "recording")
            r.player.close();
        r.take.available = fault != "microphone";
        if (fault == "model")
            r.decoder.clip = {};
        r.start(fault == "sentence" ? ModelSentence{} : kSentence);
        r.hearModel();
        if (fault == "broken")
            r.take.stop();
        else if (r.session.phase() == SpeakingSession::Phase::Recording)
            r.say(0.2, 1.0, 1.0);
        QTRY_VERIFY(r.idle());
        QCOMPARE(r.notices.last(), said);
        QCOMPARE(r.view.notices.contains(said), inView);
        QCOMPARE(r.view.attempts.size(), size_t(0));
        QCOMPARE(r.view.presented, 0);
    }
};

QTEST_GUILESS_MAIN(TestSpeakingSession)
#include "tst_speaking_session.moc"
