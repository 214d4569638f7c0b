// Click-to-text time of the lesson window: from a mouse click on a lesson node of the
// tree until LoadLesson has run (both queries, the text, the word list, the audio copy)
// and the window has handled the resulting events. The database has the shipped
// file's shape (291 sentences over 20 lessons, 3333 words over 276 lessons); each
// lesson's recording is the built-in pack's (opened by the real player, silently).
// Two lessons alternate, so every click loads. Measured with the silent output and with
// the sound server's (when one answers), as the time the user-interface thread takes
// without the time it waits for a processor (bench/ThreadClock.h), so a busy machine
// does not inflate it.
#include "ThreadClock.h"
#include "drill/DrillSettings.h"
#include "drill/SentenceDrill.h"
#include "drill/SettingsWriter.h"
#include "lesson_window/Form1.h"
#include "lessons/Catalogue.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "platform/DataFolder.h"
#include "playback/SentenceController.h"
#include "resources/Installation.h"
#include "startup/RealServices.h"
#include "widgets/Controls.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace lesnor;

namespace {

QByteArray shippedShapeDatabase() {
    QList<SentenceRow> sentences;
    int total = 0;
    for (int book = 1; book <= 4; ++book) {
        for (int n = 1; n <= 5 && total < 291; ++n) {
            const int count = (book == 4 && n == 5) ? 291 - total : 14 + (n % 3);
            double start = 0.5;
            for (int i = 0; i < count; ++i, ++total) {
                const double end = start + 2.4 + (i % 4) * 0.7;
                sentences.append(
                    {QStringLiteral("Sentence %1 of lesson %2, a line of ordinary length to read.")
                         .arg(i + 1)
                         .arg(n),
                     QStringLiteral("第%1册第%2课第%3句的中文翻译。").arg(book).arg(n).arg(i + 1),
                     QString::number(start, 'f', 2),
                     i + 1 == count ? QString() : QString::number(end, 'f', 2), lessonCaption(n),
                     QString::number(book)});
                start = end + 0.3;
            }
        }
    }
    QList<WordRow> words;
    const QList<CatalogueBook>& books = catalogueBooks();
    for (int w = 0; words.size() < 3333; ++w) {
        for (int b = 0; b < 4 && words.size() < 3333; ++b) {
            const int lesson = 1 + w % books[b].lessonCount;
            words.append({QStringLiteral("word%1").arg(w), QStringLiteral("n.单词%1").arg(w),
                          lessonCaption(lesson), QString::number(b + 1)});
        }
    }
    return buildLessonDatabase(sentences, words);
}

// While the lesson is read: a change of speed, of the loop, of pause to repeat, of listen
// first and of the text size, each from the command to the repainted window, on the
// user-interface thread, with each change kept in a settings file as the program keeps
// it (listen first masked word by word was 19.7 ms median before its changes were laid
// out once; 3.8 ms after). The file's write itself, which the program does on a thread
// of its own, is measured alone (on the user-interface thread it was 2.8 ms median,
// 25.8 ms at worst, on a loaded machine).
void measureDrillChanges(QApplication& app, Form1& form, bool silent) {
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("lesnor/drill.conf"));
    SettingsWriter writer(path);
    form.drill().setKeeper([&writer](const DrillSettings& settings) { writer.keep(settings); });
    form.controller().readLesson();
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"slower", [&form] { form.drill().slower(); }},
        {"faster", [&form] { form.drill().faster(); }},
        {"listen first", [&form] { form.drill().toggleListenFirst(); }},
        {"loop", [&form] { form.drill().toggleLoop(); }},
        {"pause to repeat", [&form] { form.drill().togglePauseToRepeat(); }},
        {"larger text", [&form] { form.drill().largerText(); }},
        {"normal text", [&form] { form.drill().normalText(); }},
    };
    std::vector<double> unloaded, wall;
    double slowest = 0;
    const char* slowestName = "";
    for (int run = 0; run < 8; ++run) {
        for (const auto& c : changes) {
            bench::ThreadClock clock;
            clock.start();
            c.change();
            form.repaint();
            app.processEvents();
            unloaded.push_back(clock.unloadedMs());
            wall.push_back(clock.wallMs());
            if (unloaded.back() > slowest) {
                slowest = unloaded.back();
                slowestName = c.name;
            }
        }
    }
    form.controller().stopReading();
    form.drill().setKeeper({});
    writer.flush(5000);
    std::vector<double> saves;
    for (int run = 0; run < 40; ++run) {
        DrillSettings settings;
        settings.loopTimes = run % 2 ? 3 : 1;
        bench::ThreadClock clock;
        clock.start();
        DrillSettings::write(path, settings);
        saves.push_back(clock.unloadedMs());
    }
    std::printf("%s: %.2f ms (p95 of %zu changes of speed, listen first, loop, pause to repeat and text "
                "size while reading, each kept in the settings file, without the time spent waiting for a "
                "processor; max %.2f, a change of %s; wall p95 %.2f; %s output; goal <= 16)\n",
                silent ? "drill_toggle_ui" : "drill_toggle_ui_sound", bench::percentile(unloaded, 0.95),
                unloaded.size(), slowest, slowestName, bench::percentile(wall, 0.95),
                silent ? "silent" : "sound server");
    std::printf("%s: %.2f ms (median of %zu writes of the settings file, done on a thread of its own, "
                "not the user-interface thread; max %.2f)\n",
                silent ? "drill_settings_write_ms" : "drill_settings_write_sound_ms", bench::median(saves),
                saves.size(), *std::max_element(saves.begin(), saves.end()));
}

// Clicks two lessons in turn; prints the click-to-text figures for one output.
int measure(QApplication& app, GstMediaPlayer::Output output) {
    RealServices services(output);
    const bool silent = services.player.isSilent();
    if (output != GstMediaPlayer::Output::Silent && silent) {
        std::printf("click_to_text_sound_ms: skipped (no sound server)\n");
        return 0;
    }
    Form1 form(services.view);
    form.Form_Load();
    form.showNormal();
    form.resize(1280, 800);
    app.processEvents();

    QTreeWidget* tree = form.T1();
    QTreeWidgetItem* book = tree->topLevelItem(0);
    book->setExpanded(true);
    app.processEvents();

    const int warmUp = 3;
    const int runs = 40;
    std::vector<double> wall, unloaded;
    for (int run = 0; run < warmUp + runs; ++run) {
        QTreeWidgetItem* lesson = book->child(run % 2);
        const QPoint at = tree->visualItemRect(lesson).center();
        bench::ThreadClock clock;
        clock.start();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        app.processEvents();
        if (run >= warmUp) {
            wall.push_back(clock.wallMs());
            unloaded.push_back(clock.unloadedMs());
        }
        if (form.lesson().caption != lesson->text(0) || form.lesson().count() == 0 ||
            !form.Label6(1)->isEnabled()) {
            std::fprintf(stderr, "bench_load_lesson: the click did not load %s\n",
                         qPrintable(lesson->text(0)));
            return 1;
        }
        // What the learner does next: read a little while the recording is ready.
        QEventLoop idle;
        QTimer::singleShot(150, &idle, &QEventLoop::quit);
        idle.exec();
    }
    measureDrillChanges(app, form, silent);
    const char* name = silent ? "click_to_text_ms" : "click_to_text_sound_ms";
    std::printf("%s: %.2f ms (median of %d without the time spent waiting for a processor; p95 %.2f; "
                "wall median %.2f; %s output; goal <= 16)\n",
                name, bench::median(unloaded), runs, bench::percentile(unloaded, 0.95), bench::median(wall),
                silent ? "silent" : "sound server");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir data;
    QTemporaryDir program;
    setDataFolder(data.path() + QLatin1Char('/'));
    setProgramFolder(program.path());
    QFile db(dataPath(DataFolder(), files::database));
    if (!db.open(QIODevice::WriteOnly) || db.write(shippedShapeDatabase()) <= 0) {
        std::fprintf(stderr, "bench_load_lesson: cannot write the database\n");
        return 1;
    }
    db.close();
    QDir(program.path()).mkpath(QStringLiteral("语音库"));
    // The built-in pack's recordings (beside the build's executable) are what the player
    // really opens; without them, files of a recording's size stand in.
    const QString packAudio = QCoreApplication::applicationDirPath() + QStringLiteral("/../语音库/");
    for (const char* name : {"QLX101.dat", "QLX102.dat"}) {
        const QString target = program.path() + QStringLiteral("/语音库/") + QLatin1String(name);
        if (QFile::copy(packAudio + QLatin1String(name), target))
            continue;
        QFile audio(target);
        if (!audio.open(QIODevice::WriteOnly) || audio.write(QByteArray(1536 * 1024, '\x55')) <= 0) {
            std::fprintf(stderr, "bench_load_lesson: cannot write a recording\n");
            return 1;
        }
    }

    // The silent output first, then the sound server's when one answers.
    for (const auto output : {GstMediaPlayer::Output::Silent, GstMediaPlayer::Output::Automatic}) {
        const int status = measure(app, output);
        if (status != 0)
            return status;
    }
    return 0;
}
