// The learner's record on a SQLite file in a temporary folder (the same kind of disk as
// the user's data folder):
//   record_call_us         what one action costs the UI thread: LearnerRecord::record()
//                          (the snapshot updated, the save queued for the record's
//                          thread), for look-ups 2 ms apart
//   save_ms                what one save costs where it runs: one transaction, WAL,
//                          synchronous FULL (the time the UI thread would wait if it
//                          saved itself)
//   queue_drained_ms       from the last of those look-ups until all are saved
//   open_and_load_ms       opening a record of 2,000 words and 276 lessons and reading
//                          it whole (on the record's thread at start-up)
#include "learner/LearnerRecord.h"
#include "learner/SqliteLearnerStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lesnor;

namespace {

RecordChange lookUp(int i) {
    NotebookWord w;
    w.headword = QStringLiteral("word%1").arg(i % 400);
    w.form = w.headword;
    w.phonetic = QStringLiteral("ˈwɜːd");
    w.meaning = QStringLiteral("n.单词；话语；消息");
    w.sentence = QStringLiteral("This is the sentence in which word%1 was met.").arg(i % 400);
    w.lesson = {1 + i % 4, 1 + i % 48};
    return change::LookedUp{w, QDateTime::currentDateTimeUtc()};
}

void report(const char* name, std::vector<double> v, const char* unit, const char* what) {
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size())))]; };
    std::printf("%s: %.3f %s (median of %zu %s; p99 %.3f, max %.3f)\n", name, at(0.5), unit, v.size(), what,
                at(0.99), v.back());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    constexpr int actions = 400;

    {
        LearnerRecord record([path] { return std::make_unique<SqliteLearnerStore>(path); });
        record.flush();
        std::vector<double> calls;
        QElapsedTimer t;
        for (int i = 0; i < actions; ++i) {
            t.start();
            record.record(lookUp(i));
            calls.push_back(double(t.nsecsElapsed()) / 1000.0);
            QThread::msleep(2);
            QCoreApplication::processEvents();
        }
        t.start();
        record.flush(60000);
        const double drained = double(t.nsecsElapsed()) / 1e6;
        report("record_call_us", calls, "us", "look-ups on the UI thread");
        std::printf("queue_drained_ms: %.1f ms (after the last of %d look-ups 2 ms apart)\n", drained,
                    actions);
    }

    {
        SqliteLearnerStore store(path);
        std::vector<double> saves;
        QElapsedTimer t;
        for (int i = 0; i < actions; ++i) {
            t.start();
            store.save(lookUp(i));
            saves.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        report("save_ms", saves, "ms", "saves, one transaction each");
        for (int i = 0; i < 2000; ++i) {
            RecordChange c = lookUp(i);
            std::get<change::LookedUp>(c).word.headword = QStringLiteral("other%1").arg(i);
            store.save(c);
        }
        for (int l = 1; l <= 276; ++l)
            store.save(change::LessonFinished{{1 + l % 4, l}, change::Activity::Reading});
    }
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        SqliteLearnerStore store(path);
        const LearnerSnapshot s = store.load();
        opens.push_back(double(t.nsecsElapsed()) / 1e6);
        if (s.words.size() < 2000)
            return 1;
    }
    report("open_and_load_ms", opens, "ms", "opens of 2,400 words");
    return 0;
}
