// The whole program's CPU and wake-ups as a learner runs it: the built `lesnor` on the
// virtual X server, window manager and sound server that tests/e2e/run-e2e.sh starts,
// its controls found by the end-to-end probe and pressed with the X pointer, measured
// from /proc over fixed stretches:
//   idle            the lesson window shown, nothing loaded (5 s)
//   reading         book 1 lesson 1 loaded and "朗读" pressed, while it reads (10 s,
//                   the pauses between sentences included)
//   after reading   the reading ended by itself, the lesson still loaded (5 s)
// and, when mpv is installed, mpv playing the same recording without a stop into the
// same sound server for as long as the reading stretch: the peer's figure for reading.
// The probe answers only between the stretches, so it costs nothing inside them.
//   tests/e2e/run-e2e.sh <build>/bench/desktop_cpu    (bench/run.sh does this)
//   <build>/bench/desktop_cpu mpv                     mpv alone, into the current server
#include "E2eKit.h"
#include "ProcessUsage.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>

using namespace lesnor::e2e;
using bench::Usage;

namespace {

constexpr int kQuietMs = 5000;
constexpr int kReadingMs = 10000;
constexpr int kSettleMs = 1000; // after each step, before measuring
constexpr int kLeadInMs = 500;  // from the start of playing to the stretch measured
const char* const kGoal = "goal 0 % and <= 5 wake-ups/s";

QString buildFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/..");
}

QString lessonRecording() {
    return buildFolder() + QStringLiteral("/语音库/QLX101.dat");
}

Usage measure(qint64 pid, int ms) {
    bench::UsageMeter meter(pid);
    meter.start();
    QTest::qWait(ms);
    return meter.stop();
}

void print(const char* name, const Usage& u, const QString& what, const char* goal) {
    QString detail = QStringLiteral("%1; %2 wake-ups/s").arg(what).arg(u.wakeUpsPerSecond, 0, 'f', 1);
    if (u.threadsEnded > 0)
        detail += QStringLiteral(" (%1 thread(s) ended inside, not counted)").arg(u.threadsEnded);
    if (goal)
        detail += QStringLiteral("; ") + QLatin1String(goal);
    std::printf("%s: %.2f %% (%s; load %.2f)\n", name, u.cpuPct, qPrintable(detail), bench::loadAverage());
    std::fflush(stdout);
}

// Seconds of the capture in which something sounds: its stretches of sound (split at
// silences of 200 ms, as the end-to-end suite hears sentences), added up.
double soundingSeconds(const QVector<qint16>& heard) {
    double sounding = 0;
    for (const Burst& b : bursts(heard, 300, 200))
        sounding += double(b.last - b.first + 1) / Capture::rate;
    return sounding;
}

// mpv playing the lesson recording from its start without a stop, measured from the
// same lead-in after its start for as long as the reading stretch.
bool measureMpv(Usage* out) {
    QProcess mpv;
    mpv.setStandardOutputFile(QProcess::nullDevice());
    mpv.setStandardErrorFile(QProcess::nullDevice());
    mpv.start(QStringLiteral("mpv"),
              {QStringLiteral("--no-config"), QStringLiteral("--no-video"), QStringLiteral("--ao=pulse"),
               QStringLiteral("--loop-file=inf"), lessonRecording()});
    if (!mpv.waitForStarted(5000))
        return false;
    QTest::qWait(kLeadInMs);
    bool ok = mpv.state() == QProcess::Running;
    if (ok) {
        *out = measure(mpv.processId(), kReadingMs);
        ok = mpv.state() == QProcess::Running;
    }
    mpv.terminate();
    if (!mpv.waitForFinished(3000))
        mpv.kill();
    mpv.waitForFinished(3000);
    return ok;
}

int mpvOnly() {
    const char* name = "mpv_cpu_playing_continuous_pct";
    Usage mpv;
    if (QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty())
        std::printf("%s: skipped (mpv is not installed)\n", name);
    else if (!measureMpv(&mpv))
        std::printf("%s: skipped (mpv did not play %s)\n", name, qPrintable(lessonRecording()));
    else
        print(name, mpv,
              QStringLiteral("mpv's process playing book 1 lesson 1's recording without a stop, %1 s")
                  .arg(kReadingMs / 1000),
              nullptr);
    return 0;
}

// The figures not measured, each with the reason.
int skipFrom(int first, const char* why) {
    static const char* const names[] = {"desktop_cpu_idle_pct", "desktop_cpu_reading_pct",
                                        "desktop_cpu_after_reading_pct", "desktop_cpu_reading_vs_mpv"};
    for (int i = first; i < 4; ++i)
        std::printf("%s: skipped (%s)\n", names[i], why);
    return 0;
}

// Rests the pointer on the lesson text, away from buttons and their tool tips.
void restPointer(Program& app) {
    const QRect text = app.widget(QStringLiteral("Form1/r1"));
    if (text.isValid())
        x::run({QStringLiteral("mousemove"), QString::number(text.center().x()),
                QString::number(text.center().y())});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    if (qapp.arguments().value(1) == QLatin1String("mpv"))
        return mpvOnly();

    QTemporaryDir tmp;
    Program app(buildFolder() + QStringLiteral("/lesnor"), QStringLiteral(LESNOR_E2E_PROBE_LIBRARY),
                tmp.path());
    if (!app.start() || !waitFor([&] { return app.visible(QStringLiteral("Form1/r1")); }, 30000))
        return skipFrom(0, "the lesson window did not appear");
    app.settle(QStringLiteral("Form1"));
    restPointer(app);
    QTest::qWait(kSettleMs);
    const qint64 pid = app.pid();
    print("desktop_cpu_idle_pct", measure(pid, kQuietMs),
          QStringLiteral("%1 s, the lesson window shown, nothing loaded").arg(kQuietMs / 1000), kGoal);

    const QString read = QStringLiteral("Form1/Label6(1)");
    if (!app.openLesson(QStringLiteral("Form1"), QStringLiteral("Vyk英语(第1册)"), 1) ||
        !app.waitForText(QStringLiteral("Form1/Label4(3)"), QStringLiteral("Lesson 1")) ||
        !waitFor([&] { return app.enabled(read); }, 5000))
        return skipFrom(1, "book 1 lesson 1 did not load");
    QTest::qWait(kSettleMs);
    if (!app.click(read) || !waitFor([&] { return !app.enabled(read); }, 3000))
        return skipFrom(1, "\"朗读\" did not start a reading");
    restPointer(app);
    QTest::qWait(kLeadInMs);
    // What the sound server plays during the stretch, heard on its monitor by a process of
    // its own: a player that fell back to a silent output reads as 0 s sounding.
    Capture heard;
    const bool hearing = heard.start();
    const Usage reading = measure(pid, kReadingMs);
    const bool readThrough = !app.enabled(read);
    QVector<qint16> samples = hearing ? heard.stop() : QVector<qint16>();
    samples.resize(qMin(samples.size(), Capture::rate * kReadingMs / 1000));
    print(
        "desktop_cpu_reading_pct", reading,
        QStringLiteral("%1 s of \"朗读\" on book 1 lesson 1, %2 s of it heard sounding, the rest pauses "
                       "between sentences%3")
            .arg(kReadingMs / 1000)
            .arg(hearing ? QString::number(soundingSeconds(samples), 'f', 1) : QStringLiteral("(not heard)"))
            .arg(readThrough ? QString() : QStringLiteral(", THE READING ENDED INSIDE")),
        nullptr);

    if (!waitFor([&] { return app.enabled(read); }, 60000))
        skipFrom(2, "the reading did not end within a minute");
    else {
        QTest::qWait(kSettleMs);
        print(
            "desktop_cpu_after_reading_pct", measure(pid, kQuietMs),
            QStringLiteral("%1 s after the reading ended by itself, the lesson loaded").arg(kQuietMs / 1000),
            kGoal);
    }
    ::kill(pid_t(pid), SIGTERM);
    app.waitForExit(10000);

    Usage mpv;
    if (QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty())
        return skipFrom(3, "mpv is not installed");
    if (!measureMpv(&mpv) || mpv.cpuPct <= 0)
        return skipFrom(3, "mpv did not play the recording");
    std::printf(
        "desktop_cpu_reading_vs_mpv: %.2f x (goal <= 0.8; Lesnor %.2f %% reading, mpv %.2f %% and %.1f "
        "wake-ups/s playing the same recording without a stop into the same sound server)\n",
        reading.cpuPct / mpv.cpuPct, reading.cpuPct, mpv.cpuPct, mpv.wakeUpsPerSecond);
    return 0;
}
