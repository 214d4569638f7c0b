// Marking a typed answer against its sentence, every tolerance on:
//   answers_40_words    a 40-word sentence against a 40-word answer with a few typical
//                       mistakes (a slip, a wrong word, a missing and an extra word)
//   answers_200_words   the worst case: 200 words against 200 words where no typed word
//                       equals any sentence word, so every pair of words is compared
//                       letter by letter
//   answers_far_longer  a 14-word sentence against 2,000 typed words (a paste)
// Each figure is the median time of one call, with the 95th percentile in the detail.
#include "answers/AnswerComparison.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lesnor::answers;

namespace {

const char* const kWords[] = {"the",  "handbag", "umbrella", "please", "teacher", "morning", "this",
                              "your", "pardon",  "thank",    "very",   "much",    "excuse",  "is",
                              "coat", "dress",   "school",   "house",  "ticket",  "number"};

QString sentenceOf(int words, int seed) {
    QStringList out;
    for (int i = 0; i < words; ++i)
        out << QString::fromLatin1(kWords[(i * 7 + seed) % 20]);
    return out.join(QLatin1Char(' ')) + QLatin1Char('.');
}

void measure(const char* name, const QString& typed, const QString& sentence, int runs, const char* detail) {
    std::vector<double> ms;
    ms.reserve(size_t(runs));
    volatile int sink = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const Marking m = compareAnswer(typed, sentence);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        sink = sink + m.right;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s: %.3f ms (median of %d; p95 %.3f ms; %s)\n", name, ms[ms.size() / 2], runs,
                ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.95))], detail);
}

} // namespace

int main() {
    const QString forty = sentenceOf(40, 0);
    QStringList typed = forty.toLower().split(QLatin1Char(' '));
    typed[3] = QStringLiteral("umbrela");  // slip
    typed[10] = QStringLiteral("cat");     // wrong
    typed.removeAt(20);                    // missing
    typed.insert(30, QStringLiteral("a")); // extra
    measure("answers_40_words", typed.join(QLatin1Char(' ')), forty, 2000,
            "40 typed words against 40, a slip, a wrong, a missing and an extra word");

    QStringList unlike;
    for (int i = 0; i < 200; ++i)
        unlike << QStringLiteral("zq%1x").arg(i);
    measure("answers_200_words", unlike.join(QLatin1Char(' ')), sentenceOf(200, 3), 200,
            "200 typed words against 200, none alike");

    QStringList paste;
    for (int i = 0; i < 2000; ++i)
        paste << QString::fromLatin1(kWords[i % 20]);
    measure("answers_far_longer", paste.join(QLatin1Char(' ')), sentenceOf(14, 5), 50,
            "2000 typed words against 14");
    return 0;
}
