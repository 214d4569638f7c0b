// How long the window's event loop is ever kept from running while a learner uses the
// whole program: the built `lesnor` on the desktop that tests/e2e/run-e2e.sh starts
// (virtual X server, window manager, sound server), driven with the X pointer through
// "朗读" of three lessons, 50 sentence clicks, 20 lesson loads, 50 look-ups with
// speech, 5 recordings each played back and saved, and dictation of 10 sentences.
// Meanwhile the end-to-end probe's event-loop probe (a 1 ms timer on the user-interface
// thread) keeps how late each firing came; the figures are over the whole run, and the
// five latest firings are named with the step that was under way.
//   tests/e2e/run-e2e.sh <build>/bench/desktop_stall     (bench/run.sh does this)
#include "E2eKit.h"
#include "ProcessUsage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <csignal>
#include <cstdio>

using namespace lesnor::e2e;

namespace {

const QString kBook1 = QStringLiteral("Vyk英语(第1册)");
const QString kRead = QStringLiteral("Form1/Label6(1)");

QString buildFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/..");
}

QList<Sentence> lessonOf(int lesson) {
    return packSentences(buildFolder() + QStringLiteral("/pack/source/sentences.tsv"), 1, lesson);
}

// What the driver was doing from when on, to name the late firings.
struct Steps {
    QList<QPair<qint64, QString>> list;
    void begin(const QString& what) { list.append({monotonicMicros(), what}); }
    QString at(qint64 micros) const {
        QString what = QStringLiteral("before the first step");
        for (const auto& s : list) {
            if (s.first <= micros)
                what = s.second;
        }
        return what;
    }
};

void skip(const QString& why) {
    for (const char* name : {"ui_stall_max", "ui_stall_p999", "ui_stall_p99"})
        std::printf("%s: skipped (%s)\n", name, qPrintable(why));
}

bool openLesson(Program& app, int lesson) {
    return app.openLesson(QStringLiteral("Form1"), kBook1, lesson) &&
           app.waitForText(QStringLiteral("Form1/Label4(3)"), QStringLiteral("Lesson %1").arg(lesson)) &&
           waitFor([&] { return app.enabled(kRead); }, 5000);
}

// A word of the lesson's sentences at least four letters long, the n-th such.
QString wordOf(const QList<Sentence>& lesson, int n) {
    QStringList words;
    for (const Sentence& s : lesson) {
        for (const QString& w : s.english.split(QRegularExpression(QStringLiteral("[^A-Za-z]+")))) {
            if (w.size() >= 4)
                words << w;
        }
    }
    return words.isEmpty() ? QString() : words[n % words.size()];
}

QString run(Program& app, Steps& steps) {
    // 朗读 of three whole lessons.
    for (int lesson = 1; lesson <= 3; ++lesson) {
        steps.begin(QStringLiteral("loading lesson %1").arg(lesson));
        if (!openLesson(app, lesson))
            return QStringLiteral("lesson %1 did not load").arg(lesson);
        steps.begin(QStringLiteral("朗读 of lesson %1").arg(lesson));
        if (!app.click(kRead) || !waitFor([&] { return !app.enabled(kRead); }, 3000))
            return QStringLiteral("朗读 did not start");
        if (!waitFor([&] { return app.enabled(kRead); }, 120000))
            return QStringLiteral("朗读 did not end");
    }
    // 50 sentence clicks on lesson 3, each heard for a moment, every fifth to its end.
    const QList<Sentence> lesson3 = lessonOf(3);
    for (int i = 0; i < 50; ++i) {
        const Sentence& s = lesson3[i % lesson3.size()];
        steps.begin(QStringLiteral("sentence click %1").arg(i + 1));
        const QRect r = rectFrom(app.ask(QStringLiteral("find Form1/r1 ") + s.english));
        if (!r.isValid())
            return QStringLiteral("sentence not found: ") + s.english;
        x::click(r.center());
        app.waitForText(QStringLiteral("Form1/r2"), s.english, 3000);
        QTest::qWait(i % 5 == 4 && s.end > 0 ? int((s.end - s.start) * 1000) + 300 : 300);
    }
    // 20 lesson loads.
    for (int i = 0; i < 20; ++i) {
        const int lesson = 4 + i % 10;
        steps.begin(QStringLiteral("lesson load %1 (lesson %2)").arg(i + 1).arg(lesson));
        if (!openLesson(app, lesson))
            return QStringLiteral("lesson %1 did not load").arg(lesson);
    }
    // 50 look-ups with speech, on words of the lesson shown (lesson 13).
    const QList<Sentence> shown = lessonOf(13);
    for (int i = 0; i < 50; ++i) {
        const QString word = wordOf(shown, i);
        steps.begin(QStringLiteral("look-up %1 (%2)").arg(i + 1).arg(word));
        const QRect r = rectFrom(app.ask(QStringLiteral("find Form1/r1 ") + word));
        if (!r.isValid())
            return QStringLiteral("word not found: ") + word;
        x::press(r.center(), 3);
        waitFor([&] { return app.visible(QStringLiteral("Form1/Picture8")); }, 3000);
        QTest::qWait(200);
        x::release(3);
        QTest::qWait(400);
    }
    // 5 recordings, each played back and saved.
    QTemporaryDir saves;
    for (int i = 0; i < 5; ++i) {
        steps.begin(QStringLiteral("recording %1").arg(i + 1));
        if (!app.click(QStringLiteral("Form1/Label5(3)")) ||
            !app.waitForText(QStringLiteral("Form1/Label5(3)"), QStringLiteral("停止录音")))
            return QStringLiteral("recording did not start");
        QTest::qWait(1000);
        app.click(QStringLiteral("Form1/Label5(3)"));
        if (!waitFor([&] { return app.enabled(QStringLiteral("Form1/Label5(4)")); }, 3000))
            return QStringLiteral("nothing recorded");
        steps.begin(QStringLiteral("play back %1").arg(i + 1));
        app.click(QStringLiteral("Form1/Label5(4)"));
        QTest::qWait(1500);
        steps.begin(QStringLiteral("save %1").arg(i + 1));
        app.click(QStringLiteral("Form1/Label5(5)"));
        if (!waitFor([&] { return app.ask(QStringLiteral("windows")).contains(QStringLiteral("保存")); },
                     5000))
            return QStringLiteral("no save dialog");
        QTest::qWait(300);
        const QString file = saves.filePath(QStringLiteral("voice%1.wav").arg(i));
        x::type(file);
        x::key(QStringLiteral("Return"));
        if (!waitFor([&] { return QFileInfo(file).size() > 44; }, 5000))
            return QStringLiteral("nothing saved");
        QTest::qWait(300);
    }
    // Dictation of 10 sentences of lesson 2: each "下一句" heard through.
    steps.begin(QStringLiteral("opening 听写"));
    if (!app.click(QStringLiteral("Form1/Label6(3)")) ||
        !waitFor([&] { return app.visible(QStringLiteral("Form2/r1")); }, 5000))
        return QStringLiteral("no dictation window");
    app.settle(QStringLiteral("Form2"));
    steps.begin(QStringLiteral("dictation: loading lesson 2"));
    if (!app.openLesson(QStringLiteral("Form2"), kBook1, 2) ||
        !waitFor([&] { return app.enabled(QStringLiteral("Form2/Label5(1)")); }, 5000))
        return QStringLiteral("the dictation lesson did not load");
    const QList<Sentence> lesson2 = lessonOf(2);
    for (int i = 0; i < 10; ++i) {
        steps.begin(QStringLiteral("dictation sentence %1").arg(i + 1));
        const Sentence& s = lesson2[(i + 1) % lesson2.size()];
        app.click(i % 2 ? QStringLiteral("Form2/Label5(2)") : QStringLiteral("Form2/Label5(1)"));
        QTest::qWait(s.end > 0 ? int((s.end - s.start) * 1000) + 400 : 2000);
    }
    steps.begin(QStringLiteral("back to the lesson window"));
    app.click(QStringLiteral("Form2/Label5(4)"));
    waitFor([&] { return app.visible(QStringLiteral("Form1/r1")); }, 5000);
    QTest::qWait(500);
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    QTemporaryDir tmp;
    Program app(buildFolder() + QStringLiteral("/lesnor"), QStringLiteral(LESNOR_E2E_PROBE_LIBRARY),
                tmp.path());
    if (!app.start() || !waitFor([&] { return app.visible(QStringLiteral("Form1/r1")); }, 30000)) {
        skip(QStringLiteral("the lesson window did not appear"));
        return 0;
    }
    app.settle(QStringLiteral("Form1"));
    // The microphone hears a tone for as long as the run may last.
    QProcess microphone;
    microphone.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("exec pacat --playback --device=micsink --rate=16000 "
                                              "--channels=1 --format=s16le < /dev/urandom")});
    Steps steps;
    QElapsedTimer clock;
    clock.start();
    app.ask(QStringLiteral("loop start"));
    const QString failed = run(app, steps);
    const QStringList answer = app.ask(QStringLiteral("loop stop")).split(QLatin1Char(';'));
    microphone.kill();
    microphone.waitForFinished(3000);
    ::kill(pid_t(app.pid()), SIGTERM);
    app.waitForExit(10000);
    if (!failed.isEmpty()) {
        skip(failed);
        return 1;
    }
    const QStringList f = answer.value(0).split(QLatin1Char(' '));
    if (f.size() != 5 || f[0].toLongLong() == 0) {
        skip(QStringLiteral("the event-loop probe did not answer"));
        return 1;
    }
    const double load = bench::loadAverage();
    const QString over = QStringLiteral("%1 firings of a 1 ms timer over %2 s of use; load %3")
                             .arg(f[0])
                             .arg(clock.elapsed() / 1000.0, 0, 'f', 0)
                             .arg(load, 0, 'f', 2);
    std::printf("ui_stall_max: %.1f ms (%s; goal <= 16)\n", f[4].toDouble() / 1000, qPrintable(over));
    std::printf("ui_stall_p999: %.2f ms (goal <= 8)\n", f[3].toDouble() / 1000);
    std::printf("ui_stall_p99: %.2f ms\n", f[2].toDouble() / 1000);
    std::printf("ui_stall_median: %.3f ms\n", f[1].toDouble() / 1000);
    for (int i = 1; i < answer.size(); ++i) {
        const QStringList w = answer[i].split(QLatin1Char(' '));
        const qint64 late = w.value(1).toLongLong();
        const qint64 running = w.value(2).toLongLong(), waiting = w.value(3).toLongLong();
        const qint64 began = w.value(0).toLongLong() - late - 1000;
        std::printf("ui_stall_worst_%d: %.1f ms (during %s; the thread ran %.1f ms, waited %.1f ms for a "
                    "processor, was blocked %.1f ms)\n",
                    i, late / 1000.0, qPrintable(steps.at(began)), running / 1000.0, waiting / 1000.0,
                    std::max<qint64>(0, late + 1000 - running - waiting) / 1000.0);
    }
    return 0;
}
