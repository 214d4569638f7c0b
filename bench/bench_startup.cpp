// Start-to-window time: process start until the lesson window's first frame is painted, with the
// offscreen platform, against the floor (a minimal Qt Widgets window, floor_window)
// started alternately in the same rounds. Wall time and the process's CPU time (user +
// system of the reaped child) per start; one warm-up start of each first.
//   bench_startup [program]     (default: the lesnor of this build)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double childCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec)) /
           1e3;
}

struct Runs {
    std::vector<double> wall;
    std::vector<double> cpu;
};

bool startOnce(const QString& program, const QProcessEnvironment& env, Runs* runs) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(QProcess::nullDevice());
    const double cpuBefore = childCpuMs();
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        std::fprintf(stderr, "bench_startup: %s did not start and show its window\n", qPrintable(program));
        return false;
    }
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    if (runs) {
        runs->wall.push_back(wall);
        runs->cpu.push_back(childCpuMs() - cpuBefore);
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    // Another build's program may be named to compare (bench_startup <lesnor>).
    const QString lesnor =
        app.arguments().size() > 1 ? app.arguments().at(1) : dir + QStringLiteral("/../lesnor");
    const QString floor = dir + QStringLiteral("/floor_window");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LESNOR_BENCH_EXIT_WHEN_SHOWN"), QStringLiteral("1"));

    constexpr int rounds = 11;
    Runs program, minimal;
    if (!startOnce(lesnor, env, nullptr) || !startOnce(floor, env, nullptr))
        return 1;
    for (int round = 0; round < rounds; ++round) {
        if (!startOnce(lesnor, env, &program) || !startOnce(floor, env, &minimal))
            return 1;
    }
    const double programWall = median(program.wall), floorWall = median(minimal.wall);
    const double programCpu = median(program.cpu), floorCpu = median(minimal.cpu);
    std::printf("start_to_window_ms: %.1f ms (median of %d, min %.1f max %.1f)\n", programWall, rounds,
                *std::min_element(program.wall.begin(), program.wall.end()),
                *std::max_element(program.wall.begin(), program.wall.end()));
    std::printf("start_floor_window_ms: %.1f ms (minimal Qt Widgets window, same rounds)\n", floorWall);
    std::printf("start_to_window_vs_floor: %.2f x (wall time; goal <= 2)\n", programWall / floorWall);
    std::printf("start_cpu_ms: %.1f ms (user + system of one start; floor %.1f ms, %.2f x)\n", programCpu,
                floorCpu, programCpu / floorCpu);
    return 0;
}
