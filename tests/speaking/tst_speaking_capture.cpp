// Speak and compare through a private headless sound server (run by
// tests/audio/run-with-sound-server.sh): the model sentence played into the virtual
// microphone and captured in memory reads as the model itself; a steady tone reads as
// no speech.
#include "platform/GstVoiceTake.h"
#include "platform/VoiceSynthesizer.h"
#include "platform/WavFile.h"
#include "speaking/Comparison.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace lesnor;

namespace {

QByteArray wav(const std::vector<qint16>& samples, int rate) {
    QByteArray out = wavHeader({rate, 1, 16}, qint64(samples.size() * 2));
    out.append(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
    return out;
}

} // namespace

class TestSpeakingCapture : public QObject {
    Q_OBJECT

private slots:
    void throughTheMicrophone_data() {
        QTest::addColumn<bool>("speech");
        QTest::newRow("the sentence") << true;
        QTest::newRow("a 440 Hz tone") << false;
    }
    void throughTheMicrophone() {
        QFETCH(bool, speech);
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        auto voice = VoiceSynthesizer::open();
        QVERIFY(voice);
        SpeechAudio audio = voice->speak(QStringLiteral("Would you like a cup of tea this afternoon?"));
        const Sound model = soundFromPcm16(audio.samples.data(), audio.samples.size(), audio.rate);
        if (!speech) {
            for (size_t i = 0; i < audio.samples.size(); ++i)
                audio.samples[i] = qint16(8000 * std::sin(2 * M_PI * 440 * double(i) / audio.rate));
        }
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("said.wav")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(wav(audio.samples, audio.rate)) > 0);
        file.close();

        GstVoiceTake take;
        QVERIFY(take.start());
        QTest::qWait(300);
        QProcess speaker;
        speaker.start(QStringLiteral("paplay"), {QStringLiteral("--device=micsink"), file.fileName()});
        QVERIFY(speaker.waitForFinished(30000));
        QTest::qWait(500);
        take.stop();
        QVERIFY(!take.failed());
        const std::vector<qint16> captured = take.samplesFrom(0);
        const Sound attempt = soundFromPcm16(captured.data(), captured.size(), take.rate());
        QVERIFY(attempt.seconds() > model.seconds());

        const Comparison c = compareAttempt(model, attempt);
        if (!speech) {
            QCOMPARE(c.problem, Comparison::Problem::NoSpeech);
            return;
        }
        QVERIFY(c.comparable());
        qInfo("length ratio %.3f, aligned pitch difference median %.2f semitones", c.lengthRatio,
              c.pitchDistanceMedian);
        QVERIFY2(std::fabs(c.lengthRatio - 1) <= 0.05, qPrintable(QString::number(c.lengthRatio)));
        QVERIFY2(c.pitchDistanceMedian < 1, qPrintable(QString::number(c.pitchDistanceMedian)));
        QVERIFY(c.model.medianPitchHz() > 0);
    }
};

QTEST_GUILESS_MAIN(TestSpeakingCapture)
#include "tst_speaking_capture.moc"
