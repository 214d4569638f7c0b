// The voice: both engines synthesise into a buffer; the voice plays from its own
// thread, replaces what it is saying, and is silent without a sound server.
#include "platform/GstMediaPlayer.h"
#include "platform/SetUpGate.h"
#include "platform/SynthesizedSpeech.h"
#include "platform/VoiceSynthesizer.h"

#include <QTest>
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
        QVERIFY(speech.startUpMs() >= 0);
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
    // reaches it; a word that replaces another one still sounding does too.
    void speaksThroughSoundServer() {
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        SynthesizedSpeech speech;
        QVERIFY(speech.waitUntilStarted(kWaitMs));
        speech.Speak(QStringLiteral("hello"), 144);
        QVERIFY(speech.waitUntilIdle(kWaitMs));
        QCOMPARE(speech.played(), 1);
        speech.Speak(QStringLiteral("dictionary"), 144);
        QVERIFY(speech.waitUntilIdle(kWaitMs));
        QCOMPARE(speech.played(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
