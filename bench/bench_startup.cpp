// Start-to-window time: process start until the lesson window has been shown, with the
// offscreen platform (median of 5 runs after one warm-up run).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../lesnor");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LESNOR_BENCH_EXIT_WHEN_SHOWN"), QStringLiteral("1"));

    std::vector<double> ms;
    for (int run = 0; run < 6; ++run) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, {});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            std::fprintf(stderr, "bench_startup: %s did not start and show its window\n",
                         qPrintable(program));
            return 1;
        }
        if (run > 0) // the first run warms the file cache
            ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start_to_window_ms: median %.1f min %.1f max %.1f\n", ms[ms.size() / 2], ms.front(),
                ms.back());
    return 0;
}
