// Jet 3 reader speed on a lesson database of the shipped size (291 sentence rows, a
// quarter of them moved, 3333 word rows), built with the writer:
//   jet3_rows_per_s        rows decoded per second in full scans of both tables
//   jet3_lesson_load_ms    one lesson load: open, requery and read both queries

#include "lessons/Jet3Reader.h"
#include "lessons/Jet3Writer.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "lessons/Recordset.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace lesnor;
using namespace lesnor::jet3;

namespace {

QByteArray realisticDatabase() {
    Writer w(936);
    const LessonTableIds tables = addLessonTables(w);
    const int s = tables.sentences;
    int n = 0;
    for (int book = 1; book <= 4; ++book)
        for (int lesson = 1; lesson <= 5; ++lesson) {
            const int count = 7 + (book * 5 + lesson * 3) % 14;
            double start = 0.5;
            for (int i = 0; i < count && n < 291; ++i, ++n) {
                WriterRow r;
                const QString english =
                    QStringLiteral("Sentence %1 of lesson %2, which is spoken at a steady pace.")
                        .arg(i)
                        .arg(lesson)
                        .left(20 + (n * 37) % 160);
                const double end = start + 1.93;
                r.values = {english,
                            QString(5 + n % 45, QChar(u'课')),
                            QString::number(start, 'g', 4),
                            i + 1 == count ? QString() : QString::number(end, 'g', 4),
                            QStringLiteral("Lesson %1").arg(lesson),
                            QString::number(book)};
                r.moved = n % 7 < 2; // 84 of 291, as in the shipped file
                w.addRow(s, r);
                start = end + 0.3;
            }
        }
    const int t = tables.words;
    const int lessons[] = {72, 96, 60, 48};
    for (int k = 0; k < 3333; ++k) {
        const int book = 1 + k % 4;
        WriterRow r;
        r.values = {QStringLiteral("word%1").arg(k), QStringLiteral("n.词语%1").arg(k % 100),
                    QStringLiteral("Lesson %1").arg(1 + (k / 4) % lessons[book - 1]), QString::number(book)};
        w.addRow(t, r);
    }
    return w.build();
}

double percentile(QList<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.at(std::min<qsizetype>(v.size() - 1, qsizetype(p * double(v.size() - 1) + 0.5)));
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QByteArray image = realisticDatabase();
    if (image.isEmpty() || !dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("qlxxcl.wrd"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
        return 1;
    f.close();
    std::printf("jet3_file_bytes: %lld bytes (%lld pages)\n", static_cast<long long>(image.size()),
                static_cast<long long>(image.size() / PageSize));

    // Full scans, every value decoded.
    Database db;
    if (!db.open(path))
        return 1;
    const TableDef tables[] = {*db.table(QStringLiteral("句库")), *db.table(QStringLiteral("单词"))};
    qint64 rows = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1000) {
        for (const TableDef& table : tables)
            db.scan(table, [&](const RowCells& cells) {
                for (int i = 0; i < table.columns.size(); ++i)
                    db.text(table.columns.at(i), cells[i]);
                ++rows;
                return true;
            });
    }
    std::printf("jet3_rows_per_s: %.0f rows/s (full scans of both tables, every value decoded)\n",
                double(rows) * 1e9 / double(timer.nsecsElapsed()));

    // Lesson loads, the way the lesson window reads them.
    const QString connection = lessonConnectionString(dir.path());
    QList<double> times;
    int sentences = 0;
    int words = 0;
    for (int round = 0; round < 300; ++round) {
        const QString book = QString::number(1 + round % 4);
        const QString lesson = QStringLiteral("Lesson %1").arg(1 + round % 5);
        timer.restart();
        sentences = words = 0;
        for (const bool sentenceQuery : {true, false}) {
            Recordset rs;
            rs.open(QStringLiteral("select * from[%1] where [册别] ='%2'and [课别] ='%3'")
                        .arg(sentenceQuery ? QStringLiteral("句库") : QStringLiteral("单词"), book, lesson),
                    connection);
            rs.requery();
            for (; !rs.atEnd(); rs.moveNext()) {
                if (sentenceQuery) {
                    rs.value(QStringLiteral("句子"));
                    rs.value(QStringLiteral("中文"));
                    rs.value(QStringLiteral("开始时间"));
                    rs.value(QStringLiteral("结束时间"));
                    ++sentences;
                } else {
                    rs.value(QStringLiteral("单词"));
                    rs.value(QStringLiteral("中文"));
                    ++words;
                }
            }
            rs.close();
        }
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf(
        "jet3_lesson_load_ms: %.3f ms (median of 300; p95 %.3f; last lesson: %d sentences, %d words)\n",
        percentile(times, 0.5), percentile(times, 0.95), sentences, words);
    return 0;
}
