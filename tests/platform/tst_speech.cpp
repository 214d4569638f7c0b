// The voice: both engines synthesise into a buffer; the voice plays from its own
// thread, replaces what it is saying, and is silent without a sound server.
#include "platform/GstMediaPlayer.h"
#include "platform/SetUpGate.h"
#include "platform/SynthesizedSpeech.h"
#include "platform/VoiceSynthesizer.h"

#include <QProcess>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>

using namespace lesnor;

namespace {

constexpr int kWaitMs = 20000;

// Seconds of the audio that are louder than near-silence.
double voicedSeconds(const SpeechAudio& audio) {
    const auto loud = std::count_if(audio.samples.begin(), audio.samples.end(),
                                    [](qint16 s) { return std::abs(int(s)) > 1000; });
    return audio.rate > 0 ? double(loud) / audio.rate : 0.0;
}

// From the first to the last sample above near-silence, in seconds.
double voicedSpan(const SpeechAudio& audio) {
    const auto loud = [](qint16 s) { return std::abs(int(s)) > 1000; };
    const auto first = std::find_if(audio.samples.begin(), audio.samples.end(), loud);
    const auto last = std::find_if(audio.samples.rbegin(), audio.samples.rend(), loud);
    if (first == audio.samples.end() || audio.rate <= 0)
        return 0.0;
    return double(std::distance(first, last.base())) / audio.rate;
}

// What the private sound server plays, heard on the default sink's monitor.
class Monitor {
public:
    static constexpr int rate = 16000;
    bool start() {
        parec_.start(QStringLiteral("parec"),
                     {QStringLiteral("--device=nullsink.monitor"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=%1").arg(rate), QStringLiteral("--channels=1"),
                      QStringLiteral("--latency-msec=20")});
        return parec_.waitForStarted(5000);
    }
    void stop() {
        read();
        parec_.terminate();
        parec_.waitForFinished(5000);
        read();
    }
    // Samples heard so far; the first and last one above near-silence (-1: none).
    qsizetype heardSoFar() {
        read();
        return samples_.size() / 2;
    }
    qsizetype firstLoud() {
        read();
        for (qsizetype i = 0; i < samples_.size() / 2; ++i)
            if (loud(i))
                return i;
        return -1;
    }
    qsizetype lastLoud() {
        read();
        for (qsizetype i = samples_.size() / 2 - 1; i >= 0; --i)
            if (loud(i))
                return i;
        return -1;
    }

private:
    void read() { samples_ += parec_.readAllStandardOutput(); }
    bool loud(qsizetype i) const {
        return std::abs(int(qFromLittleEndian<qint16>(samples_.constData() + 2 * i))) > 1000;
    }
    QProcess parec_;
    QByteArray samples_;
};

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT

private slots:
    void enginesSynthesise_data() {
        QTest::addColumn<QByteArray>("choice");
        QTest::addColumn<QString>("name");
        QTest::newRow("flite") << QByteArray() << "flite slt";
        QTest::newRow("espeak-ng") << QByteArray("espeak-ng") << "espeak-ng en-us";
    }
    void enginesSynthesise() {
        QFETCH(QByteArray, choice);
        QFETCH(QString, name);
        qputenv("LESNOR_SPEECH_ENGINE", choice);
        const std::unique_ptr<VoiceSynthesizer> voice = VoiceSynthesizer::open();
        qunsetenv("LESNOR_SPEECH_ENGINE");
        QVERIFY(voice);
        QCOMPARE(voice->name(), name);
        const SpeechAudio word = voice->synthesize(QStringLiteral("dictionary"));
        QVERIFY(word.rate >= 16000);
        QVERIFY2(voicedSeconds(word) > 0.1, qPrintable(QString::number(voicedSeconds(word))));
        QVERIFY(voice->synthesize(QStringLiteral("  ")).samples.empty());
    }

    // Without a sound server every text is synthesised and none is heard; a burst of
    // texts ends with the voice idle.
    void silentVoiceTakesEveryText() {
        SynthesizedSpeech speech(SynthesizedSpeech::Output::Silent);
        QVERIFY(speech.waitUntilStarted(kWaitMs));
        QCOMPARE(speech.engineName(), QStringLiteral("flite slt"));
        for (const char* word : {"one", "two", "three", "", "four"})
            speech.Speak(QString::fromLatin1(word), 144);
        QVERIFY(speech.waitUntilIdle(kWaitMs));
        QCOMPARE(speech.played(), 0);
        speech.setSpeed(120);
        QCOMPARE(speech.speed(), 120);
    }

    // A set-up held while the window comes up waits for its release; whatever needs the
    // voice or the player releases it first, so no caller ever waits on the window.
    void heldSetUpNeverBlocksACaller() {
        holdSetUp();
        SynthesizedSpeech speech(SynthesizedSpeech::Output::Silent);
        QTest::qWait(50);
        QCOMPARE(speech.startUpMs(), -1.0); // held: not set up
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        QVERIFY(player.isSilent()); // needed: released, set up, answered
        QVERIFY(speech.waitUntilStarted(kWaitMs));

        holdSetUp();
        SynthesizedSpeech second(SynthesizedSpeech::Output::Silent);
        second.Speak(QStringLiteral("word"), 144);
        QTRY_VERIFY_WITH_TIMEOUT(second.startUpMs() >= 0, kWaitMs);
        releaseSetUp();
    }

    // With a sound server (run through tests/audio/run-with-sound-server.sh) a word
    // reaches it; a word given while a long one is sounding replaces it: heard on the
    // server's monitor, the long one is cut and the new one is heard whole after it.
    void speaksThroughSoundServer() {
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        SynthesizedSpeech speech;
        QVERIFY(speech.waitUntilStarted(kWaitMs));
        speech.Speak(QStringLiteral("hello"), 144);
        QVERIFY(speech.waitUntilIdle(kWaitMs));
        QCOMPARE(speech.played(), 1);
        QTest::qWait(1000); // "hello" has ended

        const QString first = QStringLiteral("international dictionary of pronunciation");
        const QString second = QStringLiteral("yes");
        const std::unique_ptr<VoiceSynthesizer> voice = VoiceSynthesizer::open();
        QVERIFY(voice);
        const double firstSeconds = voicedSpan(voice->synthesize(first));
        const double secondSeconds = voicedSpan(voice->synthesize(second));
        QVERIFY2(firstSeconds > secondSeconds + 1.0, qPrintable(QString::number(firstSeconds)));

        Monitor monitor;
        QVERIFY(monitor.start());
        speech.Speak(first, 144);
        QTRY_VERIFY_WITH_TIMEOUT(monitor.firstLoud() >= 0, kWaitMs);
        QTest::qWait(200);
        const qsizetype replacedAt = monitor.heardSoFar();
        speech.Speak(second, 144);
        QVERIFY(speech.waitUntilIdle(kWaitMs));
        QTest::qWait(int(firstSeconds * 1000) + 500);
        monitor.stop();
        QCOMPARE(speech.played(), 3);
        const double onset = monitor.firstLoud() / double(Monitor::rate);
        const double end = monitor.lastLoud() / double(Monitor::rate);
        const double replaced = replacedAt / double(Monitor::rate);
        const QString heard =
            QStringLiteral("heard %1 s to %2 s, the second word given at %3 s; the words last %4 s "
                           "and %5 s")
                .arg(onset)
                .arg(end)
                .arg(replaced)
                .arg(firstSeconds)
                .arg(secondSeconds);
        qInfo("%s", qPrintable(heard));
        // The first is cut: the sound ends well before the first word would have.
        QVERIFY2(end < onset + firstSeconds - 0.1, qPrintable(heard));
        // The second is heard: sound goes on for at least its length after it was given.
        QVERIFY2(end - replaced >= secondSeconds - 0.05, qPrintable(heard));
    }
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
