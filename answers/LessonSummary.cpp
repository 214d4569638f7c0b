#include "answers/LessonSummary.h"

#include <QHash>
#include <QtMath>
#include <algorithm>

namespace lesnor::answers {

void LessonSummary::record(int sentence, const QString& sentenceText, const QString& typed) {
    if (!attempts_.contains(sentence))
        attempts_.insert(sentence, {sentenceText, typed});
}

LessonSummary::Figures LessonSummary::figures(const Options& options, int wordsShown) const {
    Figures out;
    out.sentencesDone = int(attempts_.size());
    out.sentenceCount = sentenceCount_;
    struct Tally {
        QString shown;
        int count = 0;
        int first = 0;
    };
    QHash<QString, Tally> tally;
    double total = 0;
    for (const Attempt& a : attempts_) {
        const Marking m = compareAnswer(a.typed, a.sentence, options);
        total += m.score();
        for (const SentenceWord& w : m.sentence) {
            if (w.verdict == Verdict::Right)
                continue;
            Tally& t = tally[w.text.toCaseFolded()];
            if (t.count++ == 0) {
                t.shown = w.text;
                t.first = int(tally.size());
            }
        }
    }
    out.averageScore = out.sentencesDone ? total / out.sentencesDone : 0;
    QList<Tally> ranked = tally.values();
    std::sort(ranked.begin(), ranked.end(), [](const Tally& a, const Tally& b) {
        return a.count != b.count ? a.count > b.count : a.first < b.first;
    });
    for (int i = 0; i < std::min<qsizetype>(wordsShown, ranked.size()); ++i)
        out.oftenWrong.append({ranked[i].shown, ranked[i].count});
    return out;
}

QString LessonSummary::text(const Figures& f) {
    QString line = QStringLiteral("已听写 %1/%2 句 · 平均得分 %3%")
                       .arg(f.sentencesDone)
                       .arg(f.sentenceCount)
                       .arg(qRound(f.averageScore * 100));
    QStringList words;
    for (const auto& [word, count] : f.oftenWrong)
        words << (count > 1 ? QStringLiteral("%1（%2 次）").arg(word).arg(count) : word);
    line += QStringLiteral(" · 最常写错：") +
            (words.isEmpty() ? QStringLiteral("无") : words.join(QStringLiteral("、")));
    return line;
}

} // namespace lesnor::answers
