// A long session in one process: the lesson window on the built-in lesson pack loads
// lessons, plays sentences, looks words up and records, thousands of times, on the fake
// player's virtual clock and the fake recorder. Afterwards the heap and the resident
// size may have grown only by a small bound, no file descriptor may be left open that
// was not open before, and no timer of the window may still run.
#include "FakeServices.h"
#include "lesson_window/Form1.h"
#include "platform/DataFolder.h"
#include "playback/SentenceController.h"
#include "resources/Installation.h"
#include "widgets/Controls.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <malloc.h>
#include <memory>
#include <unistd.h>

using namespace lesnor;
using namespace lesnor::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true; // the sanitizer's quarantine keeps freed memory
#else
constexpr bool kSanitized = false;
#endif

struct Usage {
    double heapMiB = 0;
    double residentMiB = 0;
    int descriptors = 0;
};

Usage usage() {
    Usage u;
    const struct mallinfo2 m = mallinfo2();
    u.heapMiB = double(m.uordblks + m.hblkhd) / (1 << 20);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly))
        u.residentMiB =
            statm.readAll().split(' ').value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1 << 20);
    u.descriptors =
        int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
    return u;
}

void print(const char* name, double value, const char* unit, const QString& detail = {}) {
    std::printf("%s: %.2f %s%s\n", name, value, unit,
                detail.isEmpty() ? "" : qPrintable(QStringLiteral(" (%1)").arg(detail)));
    std::fflush(stdout);
}

} // namespace

class tst_soak : public QObject {
    Q_OBJECT

    QTemporaryDir data_;
    std::unique_ptr<FakeServices> services_;
    std::unique_ptr<Form1> form_;
    int loads_ = 0;
    QList<QPoint> lessons_; // (book, lesson)

    // A click on lesson `lesson` of book `book` in the tree, as the window gets it.
    void load(int book, int lesson) {
        QTreeWidgetItem* node = form_->T1()->topLevelItem(book - 1)->child(lesson - 1);
        form_->T1()->setCurrentItem(node);
        form_->LoadLesson();
        ++loads_;
    }

    // The lessons of the pack that have sentences, alternating between the books.
    void loadNext() {
        const QPoint next = lessons_.at(loads_ % lessons_.size());
        load(next.x(), next.y());
    }

    QPoint sentencePoint(int i) const {
        QTextCursor c(form_->r1()->document());
        c.setPosition(form_->lesson().documentStart(i) + 1);
        return form_->r1()->cursorRect(c).center();
    }

    // Plays sentence i by a click on it and lets the virtual clock run past its end.
    void playSentence(int i) {
        QWidget* viewport = form_->r1()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, sentencePoint(i));
        // One sample while it plays, one past the end of any sentence, the last included.
        services_->player.advance(0.01);
        form_->controller().tick();
        services_->player.advance(100);
        form_->controller().tick();
        services_->player.calls.clear(); // the fake's own log, not the window's state
    }

    void releaseOn(CaptionLabel* label) {
        QTest::mousePress(label, Qt::LeftButton);
        QTest::mouseRelease(label, Qt::LeftButton);
    }

    // One of each kind of work, so every cache the window fills is filled before the
    // first measure.
    void oneRound() {
        loadNext();
        playSentence(0);
        lookUp();
        record();
    }

    // A right press on the first word of the lesson text; true when its pop-up showed.
    bool lookUp() {
        QWidget* viewport = form_->r1()->viewport();
        const QPoint word = sentencePoint(0);
        QTest::mousePress(viewport, Qt::RightButton, {}, word);
        const bool shown = form_->Picture8()->isVisible();
        QTest::mouseRelease(viewport, Qt::RightButton, {}, word);
        return shown;
    }

    void record() {
        releaseOn(form_->Label5(3));
        releaseOn(form_->Label5(3));
        QVERIFY(form_->Label5(4)->isEnabled()); // a recording is kept
        services_->recorder.commands.clear();
    }

    void verifyNoTimerRuns() {
        for (const QTimer* t : form_->findChildren<QTimer*>())
            QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
    }

private slots:
    void initTestCase() {
        const QString folder = data_.path() + QLatin1Char('/');
        setDataFolder(folder);
        setProgramFolder(qEnvironmentVariable("LESNOR_BINARY_DIR") + QLatin1Char('/'));
        services_ = std::make_unique<FakeServices>();
        QCOMPARE(installCarriedFiles(folder, services_->files), carriedFiles().size());
        services_->files.failing.clear();
        form_ = std::make_unique<Form1>(services_->view);
        form_->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QList<QList<int>> byBook(form_->T1()->topLevelItemCount());
        for (int book = 1; book <= byBook.size(); ++book) {
            for (int lesson = 1; lesson <= form_->T1()->topLevelItem(book - 1)->childCount(); ++lesson) {
                load(book, lesson);
                if (!form_->lesson().List1.isEmpty())
                    byBook[book - 1] << lesson;
            }
        }
        for (int round = 0; lessons_.size() < 2 || round < 5; ++round) {
            for (int book = 1; book <= byBook.size(); ++book) {
                if (!byBook[book - 1].isEmpty())
                    lessons_ << QPoint(book, byBook[book - 1].at(round % byBook[book - 1].size()));
            }
            QVERIFY2(!lessons_.isEmpty(), "the built-in pack has no lesson with sentences");
        }
        for (int i = 0; i < 50; ++i)
            oneRound();
        services_->files.log.clear();
    }

    void longSession() {
        QCoreApplication::processEvents();
        const Usage before = usage();
        const int loadsBefore = loads_;

        for (int i = 0; i < 2000; ++i) {
            loadNext();
            if (i % 100 == 0) {
                services_->files.log.clear();
                services_->player.calls.clear();
                QCoreApplication::processEvents();
            }
        }
        QVERIFY(!form_->lesson().List1.isEmpty());
        int plays = 0;
        for (int i = 0; plays < 500; ++i) {
            if (i % 10 == 0)
                loadNext();
            playSentence(i % form_->lesson().List1.size());
            QCOMPARE(form_->SentenceIndex(), qint16(i % form_->lesson().List1.size()));
            QVERIFY(!form_->controller().pollActive());
            ++plays;
        }
        int lookups = 0;
        for (; lookups < 500; ++lookups) {
            QVERIFY(lookUp());
            QVERIFY(!form_->Picture8()->isVisible());
        }
        int recordings = 0;
        for (; recordings < 50; ++recordings)
            record();
        services_->files.log.clear();
        services_->speech.spoken.clear();
        QCoreApplication::processEvents();
        verifyNoTimerRuns();

        const Usage after = usage();
        print("soak_work", loads_ - loadsBefore, "lesson loads",
              QStringLiteral("%1 sentence plays, %2 lookups, %3 recordings")
                  .arg(plays)
                  .arg(lookups)
                  .arg(recordings));
        print("soak_heap_growth", after.heapMiB - before.heapMiB, "MiB",
              QStringLiteral("%1 -> %2 MiB in use")
                  .arg(before.heapMiB, 0, 'f', 2)
                  .arg(after.heapMiB, 0, 'f', 2));
        print("soak_resident_growth", after.residentMiB - before.residentMiB, "MiB",
              QStringLiteral("%1 -> %2 MiB resident")
                  .arg(before.residentMiB, 0, 'f', 1)
                  .arg(after.residentMiB, 0, 'f', 1));
        print("soak_descriptors", after.descriptors, "open",
              QStringLiteral("%1 before").arg(before.descriptors));
        QCOMPARE(after.descriptors, before.descriptors);
        if (!kSanitized) {
            QVERIFY2(after.heapMiB - before.heapMiB < 2.0, "the heap grew during the session");
            QVERIFY2(after.residentMiB - before.residentMiB < 8.0,
                     "the resident size grew during the session");
        }
    }
};

QTEST_MAIN(tst_soak)
#include "tst_soak.moc"
