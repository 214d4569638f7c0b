// The learner's attempt against the model: pitch, alignment, silence and clipping, the
// figures, and when a recording stops by itself.
#include "FakeVoiceTake.h"
#include "platform/VoiceSynthesizer.h"
#include "speaking/AutoStop.h"
#include "speaking/Comparison.h"
#include "speaking/TakeWatcher.h"

#include <QtTest>
#include <cmath>
#include <random>

using namespace lesnor;

namespace {

constexpr double kPi = 3.14159265358979323846;

// `harmonics` partials of `hz` with falling amplitude, at `amplitude` peak.
Sound tone(double hz, double seconds, int rate = 44100, int harmonics = 1, double amplitude = 0.5) {
    Sound s;
    s.rate = rate;
    s.samples.resize(size_t(seconds * rate));
    for (size_t i = 0; i < s.samples.size(); ++i) {
        double v = 0;
        for (int h = 1; h <= harmonics; ++h)
            v += std::sin(2 * kPi * hz * h * double(i) / rate) / h;
        s.samples[i] = float(amplitude * v / (harmonics > 1 ? 1.7 : 1.0));
    }
    return s;
}

Sound silence(double seconds, int rate = 44100, double noiseDb = -200) {
    Sound s;
    s.rate = rate;
    s.samples.resize(size_t(seconds * rate));
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, float(std::pow(10.0, noiseDb / 20)));
    for (float& x : s.samples)
        x = noiseDb > -150 ? noise(random) : 0.0f;
    return s;
}

Sound join(std::initializer_list<Sound> parts) {
    Sound s;
    for (const Sound& p : parts) {
        s.rate = p.rate;
        s.samples.insert(s.samples.end(), p.samples.begin(), p.samples.end());
    }
    return s;
}

Sound scaled(Sound s, float gain) {
    for (float& x : s.samples)
        x = std::clamp(x * gain, -1.0f, 1.0f);
    return s;
}

const Sound& sentence() {
    static const Sound s = [] {
        auto voice = VoiceSynthesizer::open();
        if (!voice)
            return Sound{};
        const SpeechAudio audio = voice->speak(QStringLiteral("Would you like a cup of tea this afternoon?"));
        Sound s = soundFromPcm16(audio.samples.data(), audio.samples.size(), audio.rate);
        // Just the speech: no silence at either end.
        const auto loud = [](float x) { return std::fabs(x) > 0.02f; };
        s.samples.erase(std::find_if(s.samples.rbegin(), s.samples.rend(), loud).base(), s.samples.end());
        s.samples.erase(s.samples.begin(), std::find_if(s.samples.begin(), s.samples.end(), loud));
        return s;
    }();
    return s;
}

// Played `factor` times slower with its spectrum kept: 40 ms Hann grains taken every
// 10 ms / factor and laid every 10 ms (overlap-add; the grains' phases do not match, so
// its pitch is blurred and not compared).
Sound stretched(const Sound& in, double factor) {
    const int grain = in.rate / 25;
    const int outHop = grain / 4;
    Sound out;
    out.rate = in.rate;
    out.samples.assign(size_t(double(in.samples.size()) * factor) + size_t(grain), 0.0f);
    std::vector<float> weight(out.samples.size(), 1e-6f);
    for (size_t at = 0; at + size_t(grain) < out.samples.size(); at += size_t(outHop)) {
        const size_t from = size_t(double(at) / factor);
        for (int k = 0; k < grain && from + size_t(k) < in.samples.size(); ++k) {
            const float w = float(0.5 - 0.5 * std::cos(2 * kPi * k / grain));
            out.samples[at + size_t(k)] += w * in.samples[from + size_t(k)];
            weight[at + size_t(k)] += w;
        }
    }
    for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] /= std::max(weight[i], 0.5f);
    return out;
}

// The reference pitch, by another method: the lag of the highest normalised
// autocorrelation (60-500 Hz) of 40 ms windows every 10 ms, where that peak is above 0.8
// (clearly periodic) and the window is loud; the median over those windows.
double autocorrelationMedianHz(const Sound& s) {
    const int window = s.rate / 25;
    std::vector<double> found;
    for (size_t at = 0; at + size_t(2 * window) < s.samples.size(); at += size_t(s.rate / 100)) {
        const float* x = s.samples.data() + at;
        double energy = 0;
        for (int i = 0; i < window; ++i)
            energy += double(x[i]) * x[i];
        if (levelDb(energy / window) < -35)
            continue;
        double best = 0;
        int bestLag = 0;
        for (int lag = s.rate / 500; lag <= s.rate / 60; ++lag) {
            double xy = 0, yy = 0;
            for (int i = 0; i < window; ++i) {
                xy += double(x[i]) * x[i + lag];
                yy += double(x[i + lag]) * x[i + lag];
            }
            const double r = xy / std::sqrt(energy * yy + 1e-12);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        if (best > 0.8)
            found.push_back(double(s.rate) / bestLag);
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? 0 : found[found.size() / 2];
}

} // namespace

Q_DECLARE_METATYPE(Sound)
Q_DECLARE_METATYPE(VoiceAnalysis::Verdict)
Q_DECLARE_METATYPE(AutoStop::Decision)

class TestSpeaking : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (sentence().samples.empty())
            QFAIL("no voice synthesiser for the test sentence");
    }

    void pitchOfTonesAndASentence_data() {
        QTest::addColumn<Sound>("sound");
        QTest::addColumn<double>("hz");
        QTest::newRow("110 Hz, harmonics, 44.1 kHz") << tone(110, 1, 44100, 8) << 110.0;
        QTest::newRow("220 Hz sine, 16 kHz") << tone(220, 1, 16000) << 220.0;
        QTest::newRow("330 Hz, harmonics, 22.05 kHz") << tone(330, 1, 22050, 4) << 330.0;
        QTest::newRow("440 Hz sine, 48 kHz") << tone(440, 1, 48000) << 440.0;
        QTest::newRow("sentence") << sentence() << autocorrelationMedianHz(sentence());
    }
    void pitchOfTonesAndASentence() {
        QFETCH(Sound, sound);
        QFETCH(double, hz);
        // A tone alone is all floor: frame it with silence so it counts as sound.
        const VoiceAnalysis a =
            analyseVoice(join({silence(0.5, sound.rate), sound, silence(0.5, sound.rate)}));
        QVERIFY(hz > 60);
        QVERIFY2(std::fabs(a.medianPitchHz() / hz - 1) <= 0.02,
                 qPrintable(QStringLiteral("%1 Hz against %2 Hz").arg(a.medianPitchHz()).arg(hz)));
    }

    void verdictsPausesAndClipping_data() {
        QTest::addColumn<Sound>("sound");
        QTest::addColumn<VoiceAnalysis::Verdict>("verdict");
        QTest::addColumn<int>("pauses");
        QTest::addColumn<bool>("clipped");
        using V = VoiceAnalysis::Verdict;
        const Sound& s = sentence();
        const int r = s.rate;
        QTest::newRow("digital silence") << silence(2, r) << V::Silence << 0 << false;
        QTest::newRow("a quiet room") << silence(2, r, -65) << V::Silence << 0 << false;
        QTest::newRow("440 Hz tone") << join({silence(0.3, r), tone(440, 2, r), silence(0.3, r)})
                                     << V::NoSpeech << 0 << false;
        QTest::newRow("a hum with nothing over it") << tone(100, 2, r, 3, 0.05) << V::NoSpeech << 0 << false;
        QTest::newRow("a click") << join({silence(1, r), tone(300, 0.05, r), silence(1, r)}) << V::NoSpeech
                                 << 0 << false;
        QTest::newRow("sentence in room noise")
            << join({silence(0.4, r, -60), s, silence(0.4, r, -60)}) << V::Speech << 0 << false;
        QTest::newRow("0.5 s gap is a pause") << join({s, silence(0.5, r), s}) << V::Speech << 1 << false;
        QTest::newRow("0.2 s gap is not") << join({s, silence(0.2, r), s}) << V::Speech << 0 << false;
        QTest::newRow("sentence too loud") << scaled(s, 8) << V::Speech << 0 << true;
        QTest::newRow("tone at full scale")
            << join({silence(0.3, r), tone(440, 1, r, 1, 1.2), silence(0.3, r)}) << V::NoSpeech << 0 << true;
    }
    void verdictsPausesAndClipping() {
        QFETCH(Sound, sound);
        QFETCH(VoiceAnalysis::Verdict, verdict);
        QFETCH(int, pauses);
        QFETCH(bool, clipped);
        const VoiceAnalysis a = analyseVoice(sound);
        QCOMPARE(a.verdict, verdict);
        QCOMPARE(int(a.pauses.size()), pauses);
        QCOMPARE(a.clipped, clipped);
        for (const auto& p : a.pauses)
            QVERIFY(std::fabs(p.end - p.begin - 0.5) < 0.1);
    }

    // Exact warps of a one-number feature: each frame of the slow side maps back to the
    // frame it repeats.
    void warpOfKnownSequences() {
        const auto rows = [](std::vector<float> v) { return FeatureRows{1, std::move(v)}; };
        const WarpPath same = warpAlign(rows({1, 5, 2, 8}), rows({1, 5, 2, 8}));
        QCOMPARE(same.pairs, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
        QCOMPARE(same.cost, 0.0);
        const WarpPath slow = warpAlign(rows({1, 5, 2, 8}), rows({1, 1, 5, 5, 5, 2, 8, 8}));
        QCOMPARE(slow.cost, 0.0);
        for (const auto& [a, b] : slow.pairs)
            QCOMPARE(int(std::vector<int>{0, 0, 1, 1, 1, 2, 3, 3}[size_t(b)]), a);
        QVERIFY(warpAlign(rows({}), rows({1})).pairs.empty());
        QVERIFY(warpAlign(FeatureRows{2, {1, 2}}, rows({1})).pairs.empty());
    }

    // The sentence said 1.3 times slower lines up with the model: its length reads as
    // 1.3 times the model's, and model frames meet the attempt's frames at 1.3 times
    // their time.
    void stretchedSentenceAlignsBack() {
        const Sound& s = sentence();
        const Comparison c = compareAttempt(s, join({silence(0.4, s.rate, -60), stretched(s, 1.3)}));
        QVERIFY(c.comparable());
        QVERIFY2(std::fabs(c.lengthRatio - 1.3) < 0.07, qPrintable(QString::number(c.lengthRatio)));
        const WarpPath path = warpAlign(
            FeatureRows{c.model.features.dim,
                        {c.model.features.values.begin() + long(c.model.speechBegin) * c.model.features.dim,
                         c.model.features.values.begin() + long(c.model.speechEnd) * c.model.features.dim}},
            FeatureRows{
                c.attempt.features.dim,
                {c.attempt.features.values.begin() + long(c.attempt.speechBegin) * c.attempt.features.dim,
                 c.attempt.features.values.begin() + long(c.attempt.speechEnd) * c.attempt.features.dim}});
        std::vector<double> errors;
        for (const auto& [m, t] : path.pairs)
            errors.push_back(std::fabs(t - 1.3 * m));
        std::sort(errors.begin(), errors.end());
        const double frameMs = c.model.frameSeconds() * 1000;
        QVERIFY2(errors[errors.size() / 2] * frameMs < 40,
                 qPrintable(QString::number(errors[errors.size() / 2])));
    }

    void comparisonProblems_data() {
        QTest::addColumn<Sound>("model");
        QTest::addColumn<Sound>("attempt");
        QTest::addColumn<int>("problem");
        const Sound& s = sentence();
        using P = Comparison::Problem;
        QTest::newRow("itself after a lead") << s << join({silence(0.3, s.rate, -60), s}) << int(P::None);
        QTest::newRow("silent attempt") << s << silence(3, s.rate, -70) << int(P::Silence);
        QTest::newRow("a tone") << s << join({silence(0.3, s.rate), tone(440, 2, s.rate)})
                                << int(P::NoSpeech);
        QTest::newRow("empty attempt") << s << Sound{} << int(P::Silence);
        QTest::newRow("silent model") << silence(1, s.rate) << s << int(P::ModelMissing);
    }
    void comparisonProblems() {
        QFETCH(Sound, model);
        QFETCH(Sound, attempt);
        QFETCH(int, problem);
        const Comparison c = compareAttempt(model, attempt);
        QCOMPARE(int(c.problem), problem);
        QCOMPARE(c.alignedPitch.size(), size_t(c.model.frames()));
        if (c.comparable()) {
            QVERIFY(std::fabs(c.lengthRatio - 1) < 0.05);
            QVERIFY(c.pitchDistanceMedian < 0.5);
        } else {
            QVERIFY(!problemText(c.problem).isEmpty());
        }
    }

    // Levels in 10 ms blocks: `pattern` is runs of (seconds, dBFS).
    void autoStop_data() {
        QTest::addColumn<double>("sentence");
        QTest::addColumn<QList<QPointF>>("pattern");
        QTest::addColumn<AutoStop::Decision>("decision");
        QTest::addColumn<double>("at");
        using D = AutoStop::Decision;
        using L = QList<QPointF>;
        QTest::newRow("speech then silence")
            << 2.0 << L{{0.5, -70}, {1.5, -20}, {5, -70}} << D::SilenceAfterSpeech << 2.8;
        QTest::newRow("a short breath does not end it")
            << 2.0 << L{{0.5, -70}, {1, -20}, {0.5, -70}, {1, -20}, {5, -70}} << D::SilenceAfterSpeech << 3.8;
        QTest::newRow("nothing said: the limit") << 1.0 << L{{10, -70}} << D::TimeLimit << 5.0;
        QTest::newRow("a click is not speech")
            << 1.0 << L{{0.5, -70}, {0.05, -10}, {10, -70}} << D::TimeLimit << 5.0;
        QTest::newRow("speaking on and on") << 1.0 << L{{10, -20}} << D::TimeLimit << 5.0;
        QTest::newRow("speech over a hum")
            << 3.0 << L{{0.5, -40}, {1, -15}, {5, -40}} << D::SilenceAfterSpeech << 2.3;
        QTest::newRow("a hum alone") << 0.0 << L{{5, -40}} << D::TimeLimit << 2.0;
    }
    void autoStop() {
        QFETCH(double, sentence);
        QFETCH(QList<QPointF>, pattern);
        QFETCH(AutoStop::Decision, decision);
        QFETCH(double, at);
        AutoStop stop(sentence);
        constexpr double block = 0.01;
        int blocks = 0;
        for (const QPointF& run : pattern) {
            for (int i = 0; i < int(std::lround(run.x() / block)); ++i) {
                const double end = ++blocks * block;
                const AutoStop::Decision d = stop.feed(end, block, run.y());
                if (d != AutoStop::Decision::Continue) {
                    QCOMPARE(d, decision);
                    QVERIFY2(std::fabs(end - at) < 0.015, qPrintable(QString::number(end)));
                    return;
                }
            }
        }
        QFAIL("never stopped");
    }

    // A take watched in polls of uneven size: its time is the samples', so it stops
    // 0.8 s after the speech however the polls fall, and hands over the take up to there
    // (what a late poll brought in after it is not the attempt's).
    void watchedTakeStopsAfterSpeech() {
        test::FakeVoiceTake take;
        QVERIFY(take.start());
        TakeWatcher watcher(take, 2.0);
        const std::pair<double, qint16> input[] = {{0.3, 20}, {0.7, 8000}, {0.45, 8000}, {0.37, 20},
                                                   {0.2, 20}, {0.3, 20},   {0.5, 20}};
        TakeWatcher::Progress p;
        for (const auto& [seconds, amplitude] : input) {
            take.feed(seconds, amplitude);
            p = watcher.poll();
            if (p.decision != AutoStop::Decision::Continue)
                break;
        }
        QCOMPARE(p.decision, AutoStop::Decision::SilenceAfterSpeech);
        QVERIFY2(std::fabs(p.seconds - (1.45 + 0.8)) < 0.015, qPrintable(QString::number(p.seconds)));
        QVERIFY(p.levelDb < -60);
        const Sound sound = watcher.finish();
        QVERIFY(!take.isRunning());
        QCOMPARE(sound.rate, 16000);
        QCOMPARE(sound.samples.size(), size_t(std::lround(p.seconds * 16000)));
        QVERIFY(take.samplesFrom(0).size() > sound.samples.size());
    }
};

QTEST_GUILESS_MAIN(TestSpeaking)
#include "tst_speaking.moc"
