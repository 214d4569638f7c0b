// The real lesson player over GStreamer, playing into the silent clock-paced sink (and,
// when a sound server is provided, into it). These tests wait on real playback of a
// 3 s tone; every wait is bounded and generous, no duration is asserted.
#include "EnvGuard.h"
#include "platform/GstMediaPlayer.h"
#include "platform/GstSoundPlayer.h"
#include "platform/SynthesizedSpeech.h"
#include "platform/WavFile.h"
#include "tests/audio/HeardSound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

using namespace lesnor;

namespace {

constexpr int kWaitMs = 5000;

QString fixture() {
    return qEnvironmentVariable("LESNOR_SOURCE_DIR") + QStringLiteral("/tests/data/tone-3s.mp3");
}

// True when this process holds a descriptor open on `path`.
bool isOpenByProcess(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            return true;
    }
    return false;
}

// Reads the position repeatedly for `ms` while playing; fails on any step back.
bool positionsNeverDecrease(GstMediaPlayer& player, int ms, double floor) {
    QElapsedTimer clock;
    clock.start();
    double last = player.currentPosition();
    if (last < floor)
        return false;
    while (clock.elapsed() < ms) {
        QTest::qWait(2);
        const double now = player.currentPosition();
        if (now < last)
            return false;
        last = now;
    }
    return true;
}

// Half a second of a 440 Hz tone at 16 kHz, as a recording is kept.
bool writeTone(const QString& path) {
    const WavFormat format{16000, 1, 16};
    QByteArray data(format.rate, '\0');
    for (int i = 0; i < format.rate / 2; ++i)
        qToLittleEndian(qint16(12000 * std::sin(2 * M_PI * 440.0 * i / format.rate)), data.data() + 2 * i);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wavHeader(format, data.size()) + data) > 0;
}

bool withSoundServer() {
    return qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") == QLatin1String("1");
}

// The private sound server's processes (tests/audio/start-sound-server.sh).
void signalSoundServer(int signal) {
    QFile pids(qEnvironmentVariable("LESNOR_SOUND_SERVER_DIR") + QStringLiteral("/pids"));
    QVERIFY(pids.open(QIODevice::ReadOnly));
    for (const QByteArray& pid : pids.readAll().split('\n')) {
        if (pid.trimmed().toInt() > 0)
            ::kill(pid.trimmed().toInt(), signal);
    }
}

bool runServerScript(const char* script) {
    const QString dir = qEnvironmentVariable("LESNOR_SOUND_SERVER_DIR");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("bash"), {qEnvironmentVariable("LESNOR_SOURCE_DIR") +
                                         QStringLiteral("/tests/audio/") + QLatin1String(script),
                                     dir});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

// The next sentence plays and holds exactly at its stop position: the player is well.
void playsASentence(GstMediaPlayer& player) {
    player.setCurrentPosition(1.0);
    player.setStopPosition(1.301);
    player.play();
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Paused, 3 * kWaitMs);
    QCOMPARE(player.currentPosition(), 1.301);
    player.stop();
}

} // namespace

class TestGstPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(fixture()), qPrintable(fixture()));
        // The bad-media cases make the player log why the media cannot play.
        QLoggingCategory::setFilterRules(QStringLiteral("lesnor.player.warning=false"));
    }

    void opensPausedAtStartAndPlaysOnlyWhenAsked() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        QVERIFY(player.isSilent());
        QCOMPARE(player.playState(), IMediaPlayer::Undefined);
        player.setUrl(fixture());
        QCOMPARE(player.url(), fixture());
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QVERIFY(qAbs(player.duration() - 3.0) < 0.1);
        QTest::qWait(300);
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QCOMPARE(player.currentPosition(), 0.0);

        player.play();
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
        QVERIFY(positionsNeverDecrease(player, 150, 0.0));
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 0.05, kWaitMs);
    }

    void seekIsCompleteAndPlayStartsThere() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        player.setCurrentPosition(1.5);
        QCOMPARE(player.currentPosition(), 1.5);
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        player.play();
        QVERIFY(player.playState() != IMediaPlayer::Stopped);
        QVERIFY(positionsNeverDecrease(player, 200, 1.5));
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 1.55, kWaitMs);
        QVERIFY(player.currentPosition() < 3.0);

        // A seek while playing: the next read is the new position and play goes on. The
        // play cannot have advanced further than the time since the seek began, however
        // loaded the machine is.
        QElapsedTimer sinceSeek;
        sinceSeek.start();
        player.setCurrentPosition(0.5);
        const double afterSeek = player.currentPosition();
        const double limit = 0.5 + sinceSeek.nsecsElapsed() / 1e9 + 0.005;
        QVERIFY2(afterSeek >= 0.5 && afterSeek <= limit,
                 qPrintable(QStringLiteral("%1, at most %2").arg(afterSeek).arg(limit)));
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
        QVERIFY(positionsNeverDecrease(player, 100, 0.5));
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 0.55, kWaitMs);
        QVERIFY(player.currentPosition() < 1.5);

        // Out-of-range seeks land inside the media.
        player.stop();
        player.setCurrentPosition(-4.0);
        QCOMPARE(player.currentPosition(), 0.0);
        player.setCurrentPosition(1e9);
        QVERIFY(player.currentPosition() <= player.duration());
    }

    // A play stopped and cued back to its start before the player's thread takes the
    // requests (a sentence looped): the next play starts at the start again, not where
    // the last one was stopped.
    void replayFromTheSameStartPlaysItAgain() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        player.setStopPosition(2.5);
        player.setCurrentPosition(0.5);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 1.5, kWaitMs);
        player.stop();
        player.setCurrentPosition(0.5);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 0.55, kWaitMs);
        QVERIFY2(player.currentPosition() < 1.4, qPrintable(QString::number(player.currentPosition())));
    }

    void stopReturnsToStart() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        player.setCurrentPosition(1.0);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 1.05, kWaitMs);
        player.stop();
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QCOMPARE(player.currentPosition(), 0.0);
        QTest::qWait(200);
        QCOMPARE(player.currentPosition(), 0.0);
        // The next play starts from 0.
        player.play();
        QVERIFY(positionsNeverDecrease(player, 100, 0.0));
        QVERIFY(player.currentPosition() < 0.9);
    }

    void endOfMediaReportsStoppedAtZero() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        player.setCurrentPosition(2.7);
        player.play();
        QVERIFY(player.playState() != IMediaPlayer::Stopped);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);
        QCOMPARE(player.currentPosition(), 0.0);
        // Played to the end, it starts again from the beginning.
        player.play();
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 0.02, kWaitMs);
        QVERIFY(player.currentPosition() < 2.0);
    }

    void stopPositionHoldsUntilStopped() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        player.setCurrentPosition(1.0);
        player.setStopPosition(1.301);
        player.play();
        double highest = 0.0;
        QTRY_VERIFY_WITH_TIMEOUT((highest = std::max(highest, player.currentPosition()),
                                  player.playState() == IMediaPlayer::Paused),
                                 kWaitMs);
        QVERIFY(highest <= 1.301);
        QCOMPARE(player.currentPosition(), 1.301);
        // It stays there: no end of media, no movement.
        QTest::qWait(300);
        QCOMPARE(player.playState(), IMediaPlayer::Paused);
        QCOMPARE(player.currentPosition(), 1.301);
        player.stop();
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QCOMPARE(player.currentPosition(), 0.0);

        // The stop position stays set for the next sentence's play...
        player.setCurrentPosition(1.2);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Paused, kWaitMs);
        QCOMPARE(player.currentPosition(), 1.301);
        // ...and playing on from the hold runs to the end of the media.
        player.setCurrentPosition(2.7);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);
        QCOMPARE(player.currentPosition(), 0.0);
    }

    // The lesson window's loop: seek, stop position just past the end, play, stop at the
    // first position past the end; every sentence must really play from its start.
    void sentenceAfterSentence() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        for (int i = 0; i < 8; ++i) {
            const double start = 0.2 + 0.3 * i;
            const double end = start + 0.15;
            player.setCurrentPosition(start);
            player.setStopPosition(end + 0.001);
            player.play();
            QCOMPARE(player.playState(), IMediaPlayer::Playing);
            double position = player.currentPosition();
            QVERIFY2(position >= start && position < end, qPrintable(QString::number(position)));
            QTRY_VERIFY_WITH_TIMEOUT((position = player.currentPosition()) > end, kWaitMs);
            QVERIFY(position <= end + 0.001);
            player.stop();
            QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        }
    }

    void clearedStopPositionPlaysToTheEnd() {
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(fixture());
        player.setCurrentPosition(2.4);
        player.setStopPosition(2.5);
        player.setStopPosition(-1.0);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);
        QCOMPARE(player.currentPosition(), 0.0);

        // A stop position set for one play and then cleared is gone from the pipeline too.
        player.setCurrentPosition(2.4);
        player.setStopPosition(2.5);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Paused, kWaitMs);
        player.setStopPosition(-1.0);
        player.setCurrentPosition(2.4);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);

        // A stop position past the end of the media does not hold: the media ends.
        player.setStopPosition(10.0);
        player.setCurrentPosition(2.7);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);
        QCOMPARE(player.currentPosition(), 0.0);
    }

    void closeReleasesTheFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString copy = dir.filePath(QStringLiteral("lesson.mp3"));
        QVERIFY(QFile::copy(fixture(), copy));

        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(copy);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 0.02, kWaitMs);
        QVERIFY(isOpenByProcess(copy));
        player.close();
        QTRY_VERIFY_WITH_TIMEOUT(!isOpenByProcess(copy), kWaitMs);
        QCOMPARE(player.url(), QString());
        QCOMPARE(player.playState(), IMediaPlayer::Undefined);
        QCOMPARE(player.currentPosition(), 0.0);
        QVERIFY(QFile::remove(copy));

        // Opening another file releases the previous one as well.
        QVERIFY(QFile::copy(fixture(), copy));
        const QString second = dir.filePath(QStringLiteral("other.mp3"));
        QVERIFY(QFile::copy(fixture(), second));
        player.setUrl(copy);
        player.setUrl(second);
        QTRY_VERIFY_WITH_TIMEOUT(!isOpenByProcess(copy), kWaitMs);
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
    }

    void missingOrBadMediaIsHarmless_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no media") << "none";
        QTest::newRow("missing file") << "missing";
        QTest::newRow("not audio") << "garbage";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("named pipe") << "fifo";
        QTest::newRow("folder") << "folder";
    }

    void missingOrBadMediaIsHarmless() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path;
        if (kind == QLatin1String("missing")) {
            path = dir.filePath(QStringLiteral("absent.mp3"));
        } else if (kind == QLatin1String("fifo")) {
            path = dir.filePath(QStringLiteral("pipe.mp3"));
            // A player that opened it would wait for a writer for ever.
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == QLatin1String("folder")) {
            path = dir.filePath(QStringLiteral("folder.mp3"));
            QVERIFY(QDir().mkdir(path));
        } else if (kind != QLatin1String("none")) {
            path = dir.filePath(QStringLiteral("bad.mp3"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("garbage"))
                f.write(QByteArray("this is not a recording\n").repeated(50));
        }
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        player.setUrl(path);
        QCOMPARE(player.url(), path);
        const auto expected = path.isEmpty() ? IMediaPlayer::Undefined : IMediaPlayer::Stopped;
        player.setCurrentPosition(1.0);
        player.setStopPosition(1.5);
        player.play();
        QCOMPARE(player.playState(), expected);
        QCOMPARE(player.currentPosition(), 0.0);
        player.stop();
        QCOMPARE(player.playState(), expected);
        QCOMPARE(player.currentPosition(), 0.0);
        QCOMPARE(player.duration(), 0.0);
        player.close();
        QCOMPARE(player.url(), QString());

        // The same player opens good media afterwards.
        player.setUrl(fixture());
        player.setCurrentPosition(1.0);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 1.02, kWaitMs);
    }

    void fallsBackToSilentSinkWithoutSoundServer() {
        {
            EnvGuard server("PULSE_SERVER", "unix:/nonexistent/lesnor-no-server");
            GstMediaPlayer player;
            // ALSA comes next; where it has no device either, the player is silent and
            // says so.
            QCOMPARE(player.soundOutputMissing(), player.isSilent());
            player.setUrl(fixture());
            player.setCurrentPosition(2.8);
            player.play();
            QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);
        }
        EnvGuard forced("LESNOR_AUDIO_SINK", "fake");
        GstMediaPlayer player;
        QVERIFY(player.isSilent());
        QVERIFY(!player.soundOutputMissing()); // chosen, not missing
    }

    // Requests that come while the player's thread is still busy with an earlier one
    // (an opening's preroll and warm-up, a stop's silent tail) wait their turn; none is
    // lost, none keeps a closed file open. Through the sound server when one is given.
    void requestsDuringEarlierOnes_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("stop during preroll") << QStringList{"open", "stop"};
        QTest::newRow("play during warm-up") << QStringList{"open", "play", "stop"};
        QTest::newRow("seek during warm-up") << QStringList{"open", "seek"};
        QTest::newRow("new media during a stop tail") << QStringList{"open", "tail", "other"};
        QTest::newRow("close during a stop tail") << QStringList{"open", "tail", "close", "open"};
        QTest::newRow("rate change between plays") << QStringList{"open", "slow", "tail", "fast"};
    }

    void requestsDuringEarlierOnes() {
        QFETCH(QStringList, steps);
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.mp3"));
        const QString other = dir.filePath(QStringLiteral("other.mp3"));
        QVERIFY(QFile::copy(fixture(), first) && QFile::copy(fixture(), other));
        GstMediaPlayer player(withSoundServer() ? GstMediaPlayer::Output::Automatic
                                                : GstMediaPlayer::Output::Silent);
        for (const QString& step : steps) {
            if (step == QLatin1String("open"))
                player.setUrl(first);
            else if (step == QLatin1String("other"))
                player.setUrl(other);
            else if (step == QLatin1String("play"))
                player.play();
            else if (step == QLatin1String("stop"))
                player.stop();
            else if (step == QLatin1String("seek"))
                player.setCurrentPosition(2.0);
            else if (step == QLatin1String("close"))
                player.close();
            else if (step == QLatin1String("slow") || step == QLatin1String("fast"))
                player.setRate(step == QLatin1String("slow") ? 0.5 : 1.0);
            else if (step == QLatin1String("tail")) {
                // Stopped just before the stop position: the play's silent tail runs on.
                player.setCurrentPosition(1.0);
                player.setStopPosition(1.301);
                player.play();
                QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() >= 1.27, kWaitMs);
                player.stop();
            }
        }
        if (steps.last() == QLatin1String("other") || steps.contains(QLatin1String("close")))
            QTRY_VERIFY_WITH_TIMEOUT(!isOpenByProcess(steps.last() == QLatin1String("other") ? first : other),
                                     kWaitMs);
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        playsASentence(player);
        QCOMPARE(player.currentPosition(), 0.0);
    }

    // Below speed 1 (either stretching element) seeks, positions, the stop position and
    // the length stay in media seconds; a play at 1.0 afterwards is unstretched again.
    void slowPlaysKeepMediaSeconds_data() {
        QTest::addColumn<QString>("stretcher");
        QTest::addColumn<double>("rate");
        QTest::newRow("pitch 0.5") << "pitch" << 0.5;
        QTest::newRow("pitch 0.8") << "pitch" << 0.8;
        QTest::newRow("scaletempo 0.5") << "scaletempo" << 0.5;
    }

    void slowPlaysKeepMediaSeconds() {
        QFETCH(QString, stretcher);
        QFETCH(double, rate);
        qputenv("LESNOR_STRETCH", stretcher.toUtf8());
        GstMediaPlayer player(GstMediaPlayer::Output::Silent);
        qunsetenv("LESNOR_STRETCH");
        player.setUrl(fixture());
        const double length = player.duration();
        QVERIFY(length > 2.9 && length < 3.1);
        for (const double speed : {rate, 1.0, rate}) {
            player.setRate(speed);
            player.setCurrentPosition(1.0);
            player.setStopPosition(1.3);
            player.play();
            QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 1.05, kWaitMs);
            QVERIFY(player.currentPosition() < 1.3);
            QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Paused, kWaitMs);
            QCOMPARE(player.currentPosition(), 1.3);
            player.stop();
        }
        // A new speed during a play: it goes on from where it was to its stop position.
        player.setRate(1.0);
        player.setCurrentPosition(1.0);
        player.setStopPosition(1.5);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentPosition() > 1.1, kWaitMs);
        const double before = player.currentPosition();
        player.setRate(rate);
        QVERIFY(player.currentPosition() >= before);
        QCOMPARE(player.playState(), IMediaPlayer::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Paused, kWaitMs);
        QCOMPARE(player.currentPosition(), 1.5);
        player.stop();
        player.setUrl(fixture()); // opened again after a slow play: the same length
        QCOMPARE(player.duration(), length);
    }

    // A stalled sound server (its processes stopped) is reported, never waited for, and
    // outlived: once it runs again the play goes on to its stop position.
    void outputStallIsReportedAndOutlived() {
        if (!withSoundServer())
            QSKIP("no sound server provided");
        GstMediaPlayer player;
        player.setUrl(fixture());
        playsASentence(player);
        signalSoundServer(SIGSTOP);
        player.setCurrentPosition(0.5);
        player.setStopPosition(2.0);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.outputTrouble(), IMediaPlayer::Trouble::Stalled, 3 * kWaitMs);
        // Every call answers meanwhile.
        player.stop();
        player.setCurrentPosition(1.0);
        QCOMPARE(player.currentPosition(), 1.0);
        signalSoundServer(SIGCONT);
        QTRY_COMPARE_WITH_TIMEOUT(player.outputTrouble(), IMediaPlayer::Trouble::None, 3 * kWaitMs);
        playsASentence(player);
    }

    // A sound server that goes away and comes back at the same place: the play after
    // its return is heard through it again, and so are the recording's play back and
    // the voice, which were connected before it went away.
    void outputRestartReconnects() {
        if (!withSoundServer())
            QSKIP("no sound server provided");
        GstMediaPlayer player;
        player.setUrl(fixture());
        playsASentence(player);
        GstSoundPlayer playBack;
        SynthesizedSpeech voice;
        QVERIFY(voice.waitUntilStarted(kWaitMs));
        QTemporaryDir dir;
        const QString recording = dir.filePath(QStringLiteral("recording.wav"));
        QVERIFY(writeTone(recording));
        QVERIFY(playBack.play(recording));
        QTRY_VERIFY_WITH_TIMEOUT(!playBack.isPlaying(), kWaitMs);
        QVERIFY(runServerScript("stop-sound-server.sh"));
        player.setCurrentPosition(0.2);
        player.setStopPosition(-1.0);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.outputTrouble(), IMediaPlayer::Trouble::Gone, 3 * kWaitMs);
        player.stop();
        QVERIFY(runServerScript("start-sound-server.sh"));
        playsASentence(player);
        QCOMPARE(player.outputTrouble(), IMediaPlayer::Trouble::None);
        QVERIFY(!player.isSilent());
        const std::vector<qint16> heard = test::recordHeard([&] {
            if (!playBack.play(recording))
                return false;
            QTest::qWait(1000);
            voice.Speak(QStringLiteral("handbag"), 0);
            const bool spoken = voice.waitUntilIdle(kWaitMs);
            QTest::qWait(1500);
            return spoken;
        });
        const std::vector<test::HeardRun> runs = test::loudRuns(heard);
        for (const test::HeardRun& run : runs)
            std::printf("heard after the restart: %.3f s to %.3f s\n", run.start, run.end);
        QVERIFY(!playBack.isSilent());
        QVERIFY2(runs.size() == 2, "play back and voice not both heard after the restart");
    }

    // Run by the sound-server test (tests/audio): the same contract through the server.
    void playsThroughSoundServer() {
        if (qEnvironmentVariable("LESNOR_EXPECT_SOUND_SERVER") != QLatin1String("1"))
            QSKIP("no sound server provided");
        GstMediaPlayer player;
        QVERIFY(!player.isSilent());
        QVERIFY(!player.soundOutputMissing());
        player.setUrl(fixture());
        QCOMPARE(player.playState(), IMediaPlayer::Stopped);
        QCOMPARE(player.currentPosition(), 0.0);
        player.setCurrentPosition(1.0);
        QCOMPARE(player.currentPosition(), 1.0);
        player.setStopPosition(1.301);
        player.play();
        QVERIFY(positionsNeverDecrease(player, 100, 1.0));
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Paused, kWaitMs);
        QCOMPARE(player.currentPosition(), 1.301);
        player.stop();
        QCOMPARE(player.currentPosition(), 0.0);
        player.setStopPosition(-1.0);
        player.setCurrentPosition(2.7);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), IMediaPlayer::Stopped, kWaitMs);
        QCOMPARE(player.currentPosition(), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestGstPlayer)
#include "tst_gst_player.moc"
