// A stretch of a recording decoded into memory: the span's length and content in a WAV
// whose loud part is known, and in a lesson's MP3 (the span cut from a decode of the whole
// file); files that cannot be read give nothing. Samples in memory play through the same
// outputs as files.
#include "EnvGuard.h"
#include "platform/GstClipDecoder.h"
#include "platform/GstSoundPlayer.h"
#include "platform/WavFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace lesnor;

namespace {

// 0.3 s of silence, 0.5 s of a 440 Hz tone, 0.4 s of silence, at 16 kHz.
QByteArray quietLoudQuiet() {
    QByteArray data;
    for (int i = 0; i < 19200; ++i) {
        const bool loud = i >= 4800 && i < 12800;
        const auto v = qint16(loud ? std::lround(12000 * std::sin(2 * M_PI * 440 * i / 16000.0)) : 0);
        data.append(reinterpret_cast<const char*>(&v), 2);
    }
    return wavHeader({16000, 1, 16}, data.size()) + data;
}

double rms(const std::vector<qint16>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

} // namespace

class TestClipDecoder : public QObject {
    Q_OBJECT

private slots:
    void wavSpans_data() {
        QTest::addColumn<double>("begin");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("loud");
        QTest::newRow("the tone") << 0.3 << 0.8 << 0.5 << true;
        QTest::newRow("the silence before it") << 0.0 << 0.3 << 0.3 << false;
        QTest::newRow("to the end") << 0.8 << -1.0 << 0.4 << false;
        QTest::newRow("past the end") << 2.0 << 3.0 << 0.0 << false;
        QTest::newRow("an empty span") << 0.5 << 0.5 << 0.0 << false;
    }
    void wavSpans() {
        QFETCH(double, begin);
        QFETCH(double, end);
        QFETCH(double, seconds);
        QFETCH(bool, loud);
        QTemporaryDir dir;
        QFile wav(dir.filePath(QStringLiteral("clip.wav")));
        QVERIFY(wav.open(QIODevice::WriteOnly) && wav.write(quietLoudQuiet()) > 0);
        wav.close();
        const DecodedClip clip = GstClipDecoder().decode(wav.fileName(), begin, end);
        QCOMPARE(clip.ok(), seconds > 0);
        if (!clip.ok())
            return;
        QCOMPARE(clip.rate, GstClipDecoder::kRate);
        QVERIFY2(std::abs(double(clip.samples.size()) / clip.rate - seconds) < 0.005,
                 qPrintable(QString::number(clip.samples.size())));
        // Whole: the edges are as loud (or as quiet) as the middle.
        const size_t n = clip.samples.size(), edge = size_t(clip.rate / 100);
        for (auto [from, to] : {std::pair{size_t(0), edge}, std::pair{n - edge, n}})
            QCOMPARE(rms(clip.samples, from, to) > 4000, loud);
    }

    void lessonMp3Span() {
        const QString mp3 = QStringLiteral(LESNOR_LESSON_RECORDINGS "/QLX101.dat");
        QVERIFY(QFile::exists(mp3));
        GstClipDecoder decoder;
        const DecodedClip whole = decoder.decode(mp3, 0, -1);
        const DecodedClip span = decoder.decode(mp3, 1.0, 3.0);
        QVERIFY(whole.ok() && span.ok());
        QVERIFY(std::abs(double(span.samples.size()) / span.rate - 2.0) < 0.01);
        // The span is the whole file's samples from 1 s on (the decoder's frames may
        // shift it by a few samples): it lines up within 2 ms.
        int bestShift = 0;
        double best = 1e300;
        for (int shift = -100; shift <= 100; ++shift) {
            double diff = 0;
            for (size_t i = 2000; i < 6000; ++i)
                diff += std::abs(double(span.samples[i]) - whole.samples[size_t(44100 + shift) + i]);
            if (diff < best)
                best = diff, bestShift = shift;
        }
        QVERIFY2(std::abs(bestShift) <= 88, qPrintable(QString::number(bestShift)));
        QVERIFY(rms(span.samples, 0, span.samples.size()) > 300);
    }

    void unreadable() {
        QTemporaryDir dir;
        QFile text(dir.filePath(QStringLiteral("text.dat")));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a recording\n") > 0);
        text.close();
        GstClipDecoder decoder;
        QVERIFY(!decoder.decode(text.fileName(), 0, 1).ok());
        QVERIFY(!decoder.decode(dir.filePath(QStringLiteral("missing.mp3")), 0, 1).ok());
    }

    void samplesPlayLikeFiles() {
        GstSoundPlayer player(GstSoundPlayer::Output::Silent);
        const std::vector<qint16> tone(4410, 1000);
        QVERIFY(player.playSamples(tone, 44100));
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 10000);
        QVERIFY(!player.playSamples({}, 44100));
    }

    // play() answers at once; the outcome follows on this thread, for the latest play
    // only: a play asked while an earlier one is still being set up replaces it.
    void outcomesFollowTheLatestPlay() {
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("bad.wav"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write(QByteArray("RIFF----WAVEnot a recording")) > 0);
        file.close();
        GstSoundPlayer player(GstSoundPlayer::Output::Silent);
        QList<ISoundPlayer::PlayOutcome> told;
        player.setOutcomeHandler([&](ISoundPlayer::PlayOutcome outcome) { told << outcome; });
        const std::vector<qint16> tone(44100, 1000);
        QVERIFY(player.playSamples(tone, 44100));
        QVERIFY(player.play(bad)); // a WAV by its header: refused only once tried
        QTRY_COMPARE_WITH_TIMEOUT(told, QList{ISoundPlayer::PlayOutcome::Failed}, 10000);
        QVERIFY(!player.isPlaying());
        QVERIFY(player.playSamples(tone, 44100));
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), 2, 10000);
        QCOMPARE(told.last(), ISoundPlayer::PlayOutcome::Heard);
        QVERIFY(player.isPlaying());
        player.stop();
        QVERIFY(!player.isPlaying());
        QVERIFY(!player.play(dir.filePath(QStringLiteral("missing.wav"))));
    }
};

QTEST_GUILESS_MAIN(TestClipDecoder)
#include "tst_clip_decoder.moc"
