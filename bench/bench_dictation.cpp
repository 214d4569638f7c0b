// The dictation window on the built-in lesson pack, with the real player:
//   open_ms        "听写" pressed in the lesson window until the dictation window is shown
//   load_ms        a click on a lesson node of its tree until the lesson is loaded and its
//                  recording is in the player (lessons 1 and 2 of book 1 alternate)
//   stop_after_end a learner's walk through book 1 lesson 1, "朗  读" on the first
//                  sentence and "下一句" for each next: for every sentence with an end
//                  time, the last position the poll sampled (where it stopped the
//                  player) minus the end time, in ms; the last sentence has to run to the
//                  end of the recording. Real time: as long as the lesson.
// Needs the built-in pack (database and recordings) of the build; prints "skipped"
// without it. Uses the sound server when one answers, else the clock-paced silent sink.
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "lesson_window/Form1.h"
#include "lessons/LenientNumber.h"
#include "platform/DataFolder.h"
#include "resources/Installation.h"
#include "startup/RealServices.h"
#include "widgets/Controls.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lesnor;

namespace {

struct Figures {
    double median;
    double p95;
    double max;
};

Figures figures(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, size_t(double(v.size()) * 0.95))], v.back()};
}

void clickNode(QTreeWidget* tree, QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

// Runs the event loop (so the real 1 ms poll ticks) until `done` or `seconds` passed.
template <class Done> bool waitFor(Done done, double seconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString build = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    const QString packDatabase = build + QStringLiteral("/pack/") + files::database;
    if (!QFile::exists(packDatabase) || !QFile::exists(build + QStringLiteral("/语音库/QLX101.dat"))) {
        std::printf("dictation: skipped (no built-in lesson pack in the build)\n");
        return 0;
    }
    QTemporaryDir data;
    setDataFolder(data.path() + QLatin1Char('/'));
    setProgramFolder(build);
    if (!QFile::copy(packDatabase, dataPath(DataFolder(), files::database))) {
        std::fprintf(stderr, "bench_dictation: cannot copy the lesson database\n");
        return 1;
    }

    RealServices services;
    Form1 form(services.view);
    form.Form_Load();
    DictationLauncher launcher(form, services.view);
    app.processEvents();

    std::vector<double> openMs;
    for (int run = 0; run < 23; ++run) {
        QElapsedTimer timer;
        timer.start();
        emit form.dictationRequested();
        app.processEvents();
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (!launcher.window() || !launcher.window()->isVisible()) {
            std::fprintf(stderr, "bench_dictation: the dictation window did not open\n");
            return 1;
        }
        if (run >= 3)
            openMs.push_back(elapsed);
        if (run < 22) {
            launcher.window()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    Form2* form2 = launcher.window();
    QTreeWidget* tree = form2->T1();
    QTreeWidgetItem* book = tree->topLevelItem(0);
    clickNode(tree, book);
    app.processEvents();

    std::vector<double> loadMs;
    for (int run = 0; run < 43; ++run) {
        QTreeWidgetItem* lesson = book->child(run % 2);
        QElapsedTimer timer;
        timer.start();
        clickNode(tree, lesson);
        app.processEvents();
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (form2->controller().lesson().caption != lesson->text(0) || !form2->controller().playable()) {
            std::fprintf(stderr, "bench_dictation: the click did not load %s with its recording\n",
                         qPrintable(lesson->text(0)));
            return 1;
        }
        if (run >= 3)
            loadMs.push_back(elapsed);
    }

    clickNode(tree, book->child(0));
    app.processEvents();
    DictationController& ctl = form2->controller();
    const Lesson lesson = ctl.lesson();
    std::vector<double> afterEndMs;
    bool lastRanToTheEnd = false;
    for (int i = 0; i < lesson.count(); ++i) {
        QTest::mouseClick(form2->Label5(i == 0 ? DictationController::Read : DictationController::Next),
                          Qt::LeftButton);
        const QString end = lesson.List4.at(i);
        if (end.isEmpty()) {
            lastRanToTheEnd =
                waitFor([&] { return services.player.playState() == IMediaPlayer::Stopped; }, 30.0);
            break;
        }
        if (!waitFor([&] { return !ctl.pollActive(); }, 30.0)) {
            std::fprintf(stderr, "bench_dictation: sentence %d did not stop\n", i);
            return 1;
        }
        afterEndMs.push_back((lenientNumber(ctl.Text1()) - lenientNumber(end)) * 1000.0);
    }
    const Figures open = figures(openMs);
    const Figures load = figures(loadMs);
    const Figures stop = figures(afterEndMs);
    std::printf("dictation_open_ms: %.2f ms (median; p95 %.2f; \"听写\" to the dictation window shown)\n",
                open.median, open.p95);
    std::printf("dictation_load_ms: %.2f ms (median; p95 %.2f; lesson click to recording in the player)\n",
                load.median, load.p95);
    std::printf(
        "dictation_stop_after_end_ms: %.2f ms (median; max %.2f; book 1 lesson 1, %zu sentences; last "
        "sentence %s)\n",
        stop.median, stop.max, afterEndMs.size(),
        lastRanToTheEnd ? "ran to the end of the recording" : "DID NOT reach the end");
    return lastRanToTheEnd ? 0 : 1;
}
