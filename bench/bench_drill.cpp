// The sentence drill's loop as a listener hears it, and what looping costs.
//
// One sentence (1.0 s of a steady tone in a WAV file, from 0.5 s) repeats 10 times at
// 0.8× through the real player, the lesson window's controller and the drill's steps,
// into the private sound server's "nullsink", while `parec` records its monitor:
//   gap error  = silence heard between two plays - the gap setting (800 ms)
//   play error = length heard - 1.0 s / the speed the player reports
// and the CPU time of this process over the same stretch, against mpv looping the same
// sentence of the same file with --speed=0.8 (mpv keeps the pitch by default) on the
// same server for as long. Needs the sound server (bench/run.sh starts one); mpv for
// the comparison. Prints "skipped" without them. A first argument sets another speed
// (bench_drill 1.0: the same loop unstretched).
#include "ProcessUsage.h"
#include "platform/GstMediaPlayer.h"
#include "platform/WavFile.h"
#include "tests/audio/HeardSound.h"
#include "tests/drill/LoopRig.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lesnor;

namespace {

constexpr int kPlays = 10;
constexpr double kRate = 0.8;
constexpr double kStart = 0.5;
constexpr double kLength = 1.0;

bool writeTone(const QString& path) {
    const WavFormat format{44100, 1, 16};
    QByteArray data(format.rate * 3 * 2, '\0');
    for (int i = 0; i < format.rate * 3; ++i)
        qToLittleEndian(qint16(std::lround(12000 * std::sin(2 * M_PI * 440.0 * i / format.rate))),
                        data.data() + 2 * i);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wavHeader(format, data.size()) + data) > 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double worst(const std::vector<double>& v) {
    double w = 0;
    for (double x : v)
        w = std::max(w, std::abs(x));
    return w;
}

void skip(const char* why) {
    for (const char* name :
         {"drill_loop_gap_error_median", "drill_loop_gap_error_max", "drill_loop_cpu_vs_mpv"})
        std::printf("%s: skipped (%s)\n", name, why);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    GstMediaPlayer player;
    if (player.isSilent()) {
        skip("no sound server");
        return 0;
    }
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    if (!writeTone(wav)) {
        skip("cannot write the tone");
        return 0;
    }

    lesnor::test::LoopRig rig(player, wav, kStart, kLength);
    SentenceController& ctl = rig.ctl;
    SentenceDrill& drill = rig.drill;
    drill.setLoopTimes(0);
    // The speed: the first argument, else 0.8.
    const double wanted = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 0.0;
    drill.setRate(wanted > 0.0 ? wanted : kRate);
    const double rate = player.rate();

    double cpu = 0;
    double seconds = 0;
    const std::vector<qint16> heard = lesnor::test::recordHeard([&] {
        QElapsedTimer wall;
        wall.start();
        const double before = bench::cpuSecondsOf(getpid());
        ctl.sentenceClicked(0);
        const bool done = QTest::qWaitFor([&] { return ctl.plays() == kPlays && !ctl.pollActive(); }, 60000);
        cpu = bench::cpuSecondsOf(getpid()) - before;
        seconds = wall.elapsed() / 1000.0;
        ctl.endPlayback();
        return done;
    });
    const std::vector<lesnor::test::HeardRun> runs = lesnor::test::loudRuns(heard);
    if (runs.size() != size_t(kPlays)) {
        std::printf("drill_loop_heard: %zu plays (expected %d; the analysis failed)\n", runs.size(), kPlays);
        for (const lesnor::test::HeardRun& run : runs)
            std::printf("  heard %.3f s to %.3f s\n", run.start, run.end);
        return 1;
    }
    std::vector<double> gaps, plays;
    for (size_t i = 0; i < runs.size(); ++i) {
        plays.push_back((runs[i].end - runs[i].start - kLength / rate) * 1000);
        if (i > 0)
            gaps.push_back((runs[i].start - runs[i - 1].end) * 1000 - DrillSettings::loopGapMs);
    }
    std::printf("drill_loop_gap_error_median: %+.1f ms (heard gap - %d ms setting, %zu gaps, speed %.1f)\n",
                median(gaps), DrillSettings::loopGapMs, gaps.size(), rate);
    std::printf("drill_loop_gap_error_max: %.1f ms (largest |error|; goal <= 5)\n", worst(gaps));
    std::printf("drill_loop_play_error_median: %+.1f ms (heard length - %.0f ms / speed %.1f)\n",
                median(plays), kLength * 1000, rate);
    const double ours = 100.0 * cpu / seconds;
    std::printf("drill_loop_cpu_pct: %.2f %% (this process over %.1f s of looping)\n", ours, seconds);

    if (QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty()) {
        std::printf("drill_loop_cpu_vs_mpv: skipped (mpv is not installed)\n");
        return 0;
    }
    QProcess mpv;
    mpv.start(QStringLiteral("mpv"),
              {QStringLiteral("--no-config"), QStringLiteral("--no-video"), QStringLiteral("--no-terminal"),
               QStringLiteral("--ao=pulse"), QStringLiteral("--speed=%1").arg(kRate),
               QStringLiteral("--ab-loop-a=%1").arg(kStart),
               QStringLiteral("--ab-loop-b=%1").arg(kStart + kLength), wav});
    if (!mpv.waitForStarted(5000)) {
        std::printf("drill_loop_cpu_vs_mpv: skipped (mpv did not start)\n");
        return 0;
    }
    QTest::qWait(1000); // its start-up is not looping
    const double before = bench::cpuSecondsOf(mpv.processId());
    QTest::qWait(int(seconds * 1000));
    const double theirs = 100.0 * (bench::cpuSecondsOf(mpv.processId()) - before) / seconds;
    mpv.terminate();
    mpv.waitForFinished(5000);
    std::printf("drill_loop_mpv_cpu_pct: %.2f %% (mpv --speed=%.1f --ab-loop over %.1f s)\n", theirs, kRate,
                seconds);
    std::printf("drill_loop_cpu_vs_mpv: %.2f (ours / mpv; goal <= 1.2; our speed %.1f)\n",
                theirs > 0 ? ours / theirs : 0.0, rate);
    return 0;
}
