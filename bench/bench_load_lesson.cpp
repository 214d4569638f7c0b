// Click-to-text time of the lesson window: from a mouse click on a lesson node of the
// tree until LoadLesson has run (both queries, the text, the word list, the audio copy)
// and the window has handled the resulting events. The database has the shipped
// file's shape (291 sentences over 20 lessons, 3333 words over 276 lessons); each
// lesson's recording is the built-in pack's (opened by the real player, silently).
// Two lessons alternate, so every click loads.
#include "lesson_window/Form1.h"
#include "lessons/Catalogue.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "platform/RealServices.h"
#include "startup/DataFolder.h"
#include "startup/Installation.h"

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

    RealServices services(GstMediaPlayer::Output::Silent);
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
    std::vector<double> ms;
    for (int run = 0; run < warmUp + runs; ++run) {
        QTreeWidgetItem* lesson = book->child(run % 2);
        const QPoint at = tree->visualItemRect(lesson).center();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        app.processEvents();
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (form.lesson().caption != lesson->text(0) || form.lesson().count() == 0) {
            std::fprintf(stderr, "bench_load_lesson: the click did not load %s\n",
                         qPrintable(lesson->text(0)));
            return 1;
        }
        if (run >= warmUp)
            ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, size_t(ms.size() * 0.95))];
    std::printf("click_to_text_ms: median %.2f p95 %.2f\n", median, p95);
    return 0;
}
