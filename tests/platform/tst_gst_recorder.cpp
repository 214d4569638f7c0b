// The real recorder (the command interpreter over GStreamer capture) and the play-back
// player. Without a sound server a recording must fail at once; with the private one
// (tests/audio/run-with-sound-server.sh) whose microphone is fed a 440 Hz tone, ~2 s are
// recorded, saved, checked and played back; then, with the microphone removed, recording
// is refused. Waits are bounded; the recording's length is held only to bounds that
// load cannot break: at least the wait between record and stop, at most the time from
// before record to after stop.
#include "EnvGuard.h"
#include "platform/DataFolder.h"
#include "platform/GstSoundCapture.h"
#include "platform/GstSoundPlayer.h"
#include "platform/WavFile.h"
#include "playback/RecorderCommands.h"
#include "playback/VoiceRecorder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace lesnor;

namespace {

constexpr double kToneHz = 440.0;

// A tone of `seconds` at 16 kHz, half scale.
QByteArray toneWav(double seconds) {
    const WavFormat format{16000, 1, 16};
    const int frames = int(seconds * format.rate);
    QByteArray data(frames * 2, '\0');
    for (int i = 0; i < frames; ++i) {
        const auto sample = qint16(std::lround(16000.0 * std::sin(2.0 * M_PI * kToneHz * i / format.rate)));
        qToLittleEndian(sample, data.data() + 2 * i);
    }
    return wavHeader(format, data.size()) + data;
}

// Power of `hz` in mono 16-bit samples (Goertzel), per sample.
double powerAt(const QByteArray& pcm, int rate, double hz) {
    const qsizetype n = pcm.size() / 2;
    const double k = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double s = qFromLittleEndian<qint16>(pcm.constData() + 2 * i) + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return (s1 * s1 + s2 * s2 - k * s1 * s2) / double(n);
}

QString pactl(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("pactl"), args);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestGstRecorder : public QObject {
    Q_OBJECT

private slots:
    void failsWithoutSoundServer() {
        QTemporaryDir dir;
        const EnvGuard noServer("PULSE_SERVER", "unix:" + QFile::encodeName(dir.path()) + "/no-server");
        GstSoundCapture capture;
        CommandRecorder recorder(capture);
        const QString saved = dir.path() + QStringLiteral("/mcesound.wav");
        QCOMPARE(recorder.sendString(recorder::closeAll), int(IRecorder::Ok));
        QCOMPARE(recorder.sendString(recorder::open), int(IRecorder::Ok));
        QCOMPARE(recorder.sendString(recorder::record), int(IRecorder::NoDevice));
        QVERIFY(!capture.isCapturing());
        QCOMPARE(recorder.sendString(recorder::stop), int(IRecorder::Ok));
        QCOMPARE(recorder.sendString(recorder::savePrefix + saved), int(IRecorder::CannotSave));
        QVERIFY(!QFile::exists(saved));
        QVERIFY(!GstSoundPlayer().play(saved));
    }

    // Play back without a sound server: the sound card through ALSA (here ALSA's null
    // device), else unheard, which the player tells.
    void playBackFallsToAlsaThenSilence_data() {
        QTest::addColumn<QByteArray>("alsaConfig");
        QTest::addColumn<QString>("output");
        QTest::newRow("a sound card") << QByteArray("pcm.!default { type null }\n") << "alsasink";
        QTest::newRow("no sound card") << QByteArray("pcm.!default { type hw card 99 }\n") << "fakesink";
    }
    void playBackFallsToAlsaThenSilence() {
        QFETCH(QByteArray, alsaConfig);
        QFETCH(QString, output);
        QTemporaryDir dir;
        QFile config(dir.filePath(QStringLiteral("asound.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly) && config.write(alsaConfig) > 0);
        config.close();
        QFile wav(dir.filePath(QStringLiteral("tone.wav")));
        QVERIFY(wav.open(QIODevice::WriteOnly) && wav.write(toneWav(0.2)) > 0);
        wav.close();
        const EnvGuard noServer("PULSE_SERVER", "unix:" + QFile::encodeName(dir.path()) + "/no-server");
        const EnvGuard alsa("ALSA_CONFIG_PATH", QFile::encodeName(config.fileName()));
        GstSoundPlayer player;
        QVERIFY(player.play(wav.fileName()));
        QCOMPARE(player.outputName(), output);
        QCOMPARE(player.playsUnheard(), output == QLatin1String("fakesink"));
        QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 10000);
    }

    void recordsToneThroughSoundServer() {
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        QTemporaryDir dir;
        const QString tone = dir.path() + QStringLiteral("/tone.wav");
        QFile file(tone);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(toneWav(8.0)) > 0);
        file.close();

        // The microphone hears the tone for as long as this runs.
        QProcess speaker;
        speaker.start(QStringLiteral("paplay"), {QStringLiteral("--device=micsink"), tone});
        QVERIFY2(speaker.waitForStarted(5000), "paplay did not start");
        QTRY_VERIFY_WITH_TIMEOUT(
            !pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")})
                 .isEmpty(),
            10000);
        QTest::qWait(200);

        // In the private folder the capture works through its descriptor: a link planted
        // as the recording is replaced, and its target left alone.
        PrivateFolder folder;
        QVERIFY(folder.open(dir.path()));
        const QString victim = dir.path() + QStringLiteral("/victim.txt");
        QFile victimFile(victim);
        QVERIFY(victimFile.open(QIODevice::WriteOnly) && victimFile.write("mine") == 4);
        victimFile.close();
        const QString planted = folder.path() + QStringLiteral("mcesound.wav");
        QVERIFY(QFile::link(victim, planted));

        GstSoundCapture capture;
        capture.setPrivateFolder(&folder);
        CommandRecorder recorder(capture);
        // "我的 录音" also checks a path with blanks and Chinese characters.
        const QString saved = dir.path() + QStringLiteral("/我的 录音.wav");
        QCOMPARE(recorder.sendString(recorder::closeAll), int(IRecorder::Ok));
        QCOMPARE(recorder.sendString(recorder::open), int(IRecorder::Ok));
        QElapsedTimer around;
        around.start();
        QCOMPARE(recorder.sendString(recorder::record), int(IRecorder::Ok));
        QTest::qWait(2000);
        // The level meter hears the tone (half scale: -9 dBFS less the server's volume).
        const InputLevel level = recorder.inputLevel();
        QVERIFY(level.recording && level.seconds > 1.0);
        QVERIFY2(level.levelDb > -40, qPrintable(QString::number(level.levelDb)));
        QCOMPARE(recorder.sendString(recorder::stop), int(IRecorder::Ok));
        QVERIFY(!recorder.inputLevel().recording);
        const double atMost = around.nsecsElapsed() / 1e9;
        QCOMPARE(recorder.sendString(recorder::savePrefix + saved), int(IRecorder::Ok));
        QCOMPARE(recorder.sendString(recorder::savePrefix + planted), int(IRecorder::Ok));
        QVERIFY(!QFileInfo(planted).isSymLink());
        QCOMPARE(QFileInfo(planted).size(), QFileInfo(saved).size());
        QVERIFY(victimFile.open(QIODevice::ReadOnly));
        QCOMPARE(victimFile.readAll(), QByteArray("mine"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("mcesound.wav")}); // the scratch files have no name
        speaker.kill();
        speaker.waitForFinished(5000);

        QFile wav(saved);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        WavInfo info;
        QVERIFY(readWavInfo(bytes, info));
        QCOMPARE(info.format.rate, 44100);
        QCOMPARE(info.format.channels, 1);
        QCOMPARE(info.format.bitsPerSample, 16);
        QCOMPARE(info.dataOffset, kWavHeaderBytes);
        QCOMPARE(info.dataBytes, bytes.size() - kWavHeaderBytes);
        QCOMPARE(info.riffSize, bytes.size() - 8);
        // The recording spans start() to stop(): no less than the 2 s between them (less a
        // frame's rounding), no more than the time around both calls (plus one buffer).
        QVERIFY2(
            info.seconds() >= 1.999 && info.seconds() <= atMost + 0.025,
            qPrintable(QStringLiteral("%1 s recorded, 2 to %2 s expected").arg(info.seconds()).arg(atMost)));

        // The middle second holds the tone, well above its neighbours and loud enough.
        const QByteArray middle = bytes.mid(kWavHeaderBytes + 44100, 2 * 44100);
        const double tonePower = powerAt(middle, 44100, kToneHz);
        for (const double other : {220.0, 1000.0, 3000.0})
            QVERIFY2(tonePower > 100 * powerAt(middle, 44100, other), qPrintable(QString::number(other)));
        QVERIFY2(tonePower > 1e6, qPrintable(QString::number(tonePower)));

        // Play back goes to the sound server and ends by itself.
        GstSoundPlayer player;
        QVERIFY(player.play(saved));
        QVERIFY(!player.isSilent());
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 10000);
    }

    // Without a microphone the server offers the monitor of an output as its input:
    // recording from it would capture the lesson, so recording is refused.
    void refusesMonitorWithoutMicrophone() {
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        pactl({QStringLiteral("unload-module"), QStringLiteral("module-remap-source")});
        QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("get-default-source")}).endsWith(".monitor"), 5000);
        GstSoundCapture capture;
        CommandRecorder recorder(capture);
        QCOMPARE(recorder.sendString(recorder::open), int(IRecorder::Ok));
        QCOMPARE(recorder.sendString(recorder::record), int(IRecorder::NoDevice));
        QVERIFY(!capture.isCapturing());
    }
};

QTEST_GUILESS_MAIN(TestGstRecorder)
#include "tst_gst_recorder.moc"
