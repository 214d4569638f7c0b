#pragma once
// What a listener of the private sound server hears: the monitor of "nullsink"
// recorded with `parec` while something plays, and the loud stretches in it. Used by
// the tests and benchmarks that measure sound as heard (tests/audio/start-sound-server.sh).
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace lesnor::test {

constexpr int kHeardRate = 48000;

struct HeardRun {
    double start; // seconds into the recording
    double end;
};

// Records the monitor (mono, 16 bit, kHeardRate) while `play` runs; what was heard, or
// nothing when parec could not record. `play` returns false to give up.
inline std::vector<qint16> recordHeard(const std::function<bool()>& play) {
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("heard.raw"));
    QProcess parec;
    parec.setStandardOutputFile(raw);
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--format=s16le"),
                 QStringLiteral("--rate=%1").arg(kHeardRate), QStringLiteral("--channels=1"),
                 QStringLiteral("--latency-msec=200")});
    if (!parec.waitForStarted(5000))
        return {};
    QTest::qWait(500);
    const bool played = parec.state() == QProcess::Running && play();
    QTest::qWait(800);
    parec.terminate();
    parec.waitForFinished(5000);
    if (!played)
        return {};
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<qint16> samples(size_t(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

// Stretches louder than `threshold` (of full scale) parted by at least `minSilence` s.
inline std::vector<HeardRun> loudRuns(const std::vector<qint16>& s, double threshold = 0.02,
                                      double minSilence = 0.1) {
    std::vector<HeardRun> runs;
    const int level = int(threshold * 32767);
    const size_t gap = size_t(minSilence * kHeardRate);
    size_t lastLoud = 0;
    bool in = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(int(s[i])) < level)
            continue;
        if (!in || i - lastLoud > gap) {
            if (in)
                runs.back().end = double(lastLoud + 1) / kHeardRate;
            runs.push_back({double(i) / kHeardRate, 0.0});
            in = true;
        }
        lastLoud = i;
    }
    if (in)
        runs.back().end = double(lastLoud + 1) / kHeardRate;
    return runs;
}

} // namespace lesnor::test
