#include "answers/AnswerComparison.h"

#include <QtMath>
#include <algorithm>
#include <vector>

namespace lesnor::answers {
namespace {

// Alignment costs in hundredths.
constexpr int kGap = 100;
constexpr int kSlip = 50;
constexpr int kWrong = 100; // plus up to 50 by how unlike the words are

QChar folded(QChar c, const Options& options) {
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E) // full-width ASCII
        return QChar(char16_t(u - 0xFEE0));
    switch (u) {
    case 0x3000: // ideographic space
    case 0x00A0:
        return QLatin1Char(' ');
    case 0x3002: // 。
    case 0xFF61:
    case 0x2026: // …
    case 0x00B7: // ·
    case 0x30FB:
        return QLatin1Char('.');
    case 0x3001: // 、
    case 0xFF64:
        return QLatin1Char(',');
    case 0x2013:
    case 0x2014:
    case 0x2015:
    case 0x2212:
        return QLatin1Char('-');
    case 0x3010:
        return QLatin1Char('[');
    case 0x3011:
        return QLatin1Char(']');
    case 0x3008:
    case 0x300A:
        return QLatin1Char('<');
    case 0x3009:
    case 0x300B:
        return QLatin1Char('>');
    case 0x300C:
    case 0x300D:
    case 0x300E:
    case 0x300F:
        return QLatin1Char('"');
    default:
        break;
    }
    if (options.sameQuotes) {
        switch (u) {
        case 0x2018:
        case 0x2019:
        case 0x201A:
        case 0x201B:
        case 0x2032:
        case 0x0060:
        case 0x00B4:
        case 0x02BC:
            return QLatin1Char('\'');
        case 0x201C:
        case 0x201D:
        case 0x201E:
        case 0x201F:
        case 0x2033:
            return QLatin1Char('"');
        default:
            break;
        }
    }
    return c;
}

bool isApostrophe(QChar c) {
    const char16_t u = c.unicode();
    return u == '\'' || u == 0x2019 || u == 0x2018 || u == 0x0060 || u == 0x00B4 || u == 0x02BC;
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}

// One word: its place in the source text and its comparison key, each key character's
// place in the source (empty for a word made up by expanding a contraction).
struct Word {
    int start = 0;
    int end = 0;
    QString key;
    QList<int> places;
};

// A unit of alignment: a word, or one half of an expanded contraction.
struct Unit {
    QString key;
    QString alt;     // a second reading ("'d": would / had), or ""
    QString letters; // the key's letters and digits, case folded
    QList<int> places;
    int word = 0;
    int letterCount = 0;
};

QList<Word> splitWords(const QString& text, const Options& options) {
    QString f(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        f[i] = folded(text[i], options);
    QList<Word> words;
    Word current;
    auto flush = [&] {
        bool any = false;
        for (QChar c : std::as_const(current.key))
            any = any || isWordChar(c) || !options.ignorePunctuation;
        if (any && !current.key.isEmpty())
            words.append(current);
        current = Word();
    };
    auto add = [&](qsizetype i) {
        if (current.key.isEmpty())
            current.start = int(i);
        current.end = int(i) + 1;
        current.key += options.ignoreCase ? f[i].toCaseFolded() : f[i];
        current.places.append(int(i));
    };
    const qsizetype n = f.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = f[i];
        if (c.isSpace()) {
            flush();
            continue;
        }
        if (isWordChar(c)) {
            add(i);
            continue;
        }
        // Punctuation inside a word holds it together: an apostrophe or hyphen between
        // letters, a point or comma between digits. Anywhere else it ends the word (and
        // belongs to it when punctuation counts): "Yes，it" is two words.
        const bool between =
            i > 0 && i + 1 < n && isWordChar(f[i - 1]) && isWordChar(f[i + 1]) && !current.key.isEmpty();
        const bool joins =
            between &&
            (isApostrophe(c) || c == QLatin1Char('-') ||
             ((c == QLatin1Char('.') || c == QLatin1Char(',')) && f[i - 1].isDigit() && f[i + 1].isDigit()));
        if (joins) {
            add(i);
        } else if (options.ignorePunctuation) {
            flush();
        } else {
            add(i);
            if (between)
                flush();
        }
    }
    flush();
    return words;
}

QString lettersOf(const QString& key) {
    QString out;
    for (QChar c : key)
        if (isWordChar(c))
            out += c.toCaseFolded();
    return out;
}

// A contraction as its long form: {first, second, alternative second}; empty when
// `key` is none. The first part keeps the typed letters where it can.
QStringList expandWord(const QString& key) {
    const QString lower = key.toLower();
    if (lower == QLatin1String("cannot"))
        return {key.left(3), QStringLiteral("not"), QString()};
    qsizetype a = -1;
    for (qsizetype i = lower.size() - 1; i > 0; --i)
        if (isApostrophe(lower[i])) {
            a = i;
            break;
        }
    if (a <= 0)
        return {};
    const QString suffix = lower.mid(a + 1);
    const QString head = key.left(a);
    const QString lowerHead = lower.left(a);
    auto withCaseOf = [&head](const QString& word) {
        return head.at(0).isUpper() ? word.left(1).toUpper() + word.mid(1) : word;
    };
    if (suffix == QLatin1String("t") && lowerHead.size() > 1 && lowerHead.endsWith(QLatin1Char('n'))) {
        const QString base = lowerHead.chopped(1);
        if (base == QLatin1String("ca"))
            return {withCaseOf(QStringLiteral("can")), QStringLiteral("not"), QString()};
        if (base == QLatin1String("wo"))
            return {withCaseOf(QStringLiteral("will")), QStringLiteral("not"), QString()};
        if (base == QLatin1String("sha"))
            return {withCaseOf(QStringLiteral("shall")), QStringLiteral("not"), QString()};
        if (base == QLatin1String("ai"))
            return {};
        return {head.chopped(1), QStringLiteral("not"), QString()};
    }
    static const QList<std::pair<QString, QString>> simple = {
        {QStringLiteral("m"), QStringLiteral("am")},
        {QStringLiteral("re"), QStringLiteral("are")},
        {QStringLiteral("ve"), QStringLiteral("have")},
        {QStringLiteral("ll"), QStringLiteral("will")},
    };
    for (const auto& [s, full] : simple)
        if (suffix == s)
            return {head, full, QString()};
    if (suffix == QLatin1String("d"))
        return {head, QStringLiteral("would"), QStringLiteral("had")};
    if (suffix == QLatin1String("s")) {
        // Only where 's cannot be a possessive.
        static const QStringList pronouns = {"it",  "that",  "what", "there", "here", "he",  "she",
                                             "who", "where", "how",  "when",  "why",  "this"};
        if (lowerHead == QLatin1String("let"))
            return {head, QStringLiteral("us"), QString()};
        if (pronouns.contains(lowerHead))
            return {head, QStringLiteral("is"), QStringLiteral("has")};
    }
    return {};
}

QStringList expandContraction(const QString& whole) {
    // Punctuation around the word (kept when punctuation counts) stays with its halves.
    qsizetype a0 = 0, b0 = whole.size();
    while (a0 < b0 && !isWordChar(whole[a0]))
        ++a0;
    while (b0 > a0 && !isWordChar(whole[b0 - 1]))
        --b0;
    QStringList parts = expandWord(whole.mid(a0, b0 - a0));
    if (!parts.isEmpty()) {
        parts[0].prepend(whole.left(a0));
        parts[1].append(whole.mid(b0));
        if (!parts[2].isEmpty())
            parts[2].append(whole.mid(b0));
    }
    return parts;
}

QList<Unit> unitsOf(const QList<Word>& words, const Options& options) {
    QList<Unit> units;
    units.reserve(words.size());
    auto push = [&units](const QString& key, const QString& alt, const QList<int>& places, int word) {
        Unit u{key, alt, lettersOf(key), places, word, 0};
        u.letterCount = int(u.letters.size());
        units.append(u);
    };
    for (int w = 0; w < words.size(); ++w) {
        const Word& word = words[w];
        const QStringList parts = options.contractions ? expandContraction(word.key) : QStringList();
        if (parts.isEmpty()) {
            push(word.key, QString(), word.places, w);
        } else {
            push(parts[0], QString(), {}, w);
            push(parts[1], parts[2], {}, w);
        }
    }
    return units;
}

bool sameUnit(const Unit& s, const Unit& t) {
    return s.key == t.key || (!s.alt.isEmpty() && s.alt == t.key) || (!t.alt.isEmpty() && t.alt == s.key);
}

// Optimal string alignment distance (a swap of neighbours is one edit). With `faults`,
// also the places in `t` that the cheapest alignment finds at fault; a character
// missing from `t` puts the fault on the character after the gap (before it at the end).
int editDistance(const QString& s, const QString& t, std::vector<int>& d, QList<int>* faults = nullptr) {
    const int n = int(s.size());
    const int m = int(t.size());
    const int w = m + 1;
    d.assign(size_t(n + 1) * size_t(w), 0);
    for (int i = 0; i <= n; ++i)
        d[size_t(i) * w] = i;
    for (int j = 0; j <= m; ++j)
        d[j] = j;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= m; ++j) {
            const int sub = s[i - 1] == t[j - 1] ? 0 : 1;
            int v = std::min({d[size_t(i - 1) * w + j] + 1, d[size_t(i) * w + j - 1] + 1,
                              d[size_t(i - 1) * w + j - 1] + sub});
            if (i > 1 && j > 1 && s[i - 1] == t[j - 2] && s[i - 2] == t[j - 1])
                v = std::min(v, d[size_t(i - 2) * w + j - 2] + 1);
            d[size_t(i) * w + j] = v;
        }
    if (faults) {
        int i = n, j = m;
        auto at = [&](int a, int b) { return d[size_t(a) * w + b]; };
        while (i > 0 || j > 0) {
            const int here = at(i, j);
            if (i > 0 && j > 0 && s[i - 1] == t[j - 1] && here == at(i - 1, j - 1)) {
                --i, --j;
            } else if (i > 0 && j > 0 && here == at(i - 1, j - 1) + 1) {
                faults->prepend(j - 1);
                --i, --j;
            } else if (i > 1 && j > 1 && s[i - 1] == t[j - 2] && s[i - 2] == t[j - 1] &&
                       here == at(i - 2, j - 2) + 1) {
                faults->prepend(j - 1);
                faults->prepend(j - 2);
                i -= 2, j -= 2;
            } else if (j > 0 && here == at(i, j - 1) + 1) {
                faults->prepend(j - 1); // typed one too many
                --j;
            } else {
                if (m > 0)
                    faults->prepend(std::min(j, m - 1)); // one missing before typed j
                --i;
            }
        }
        std::sort(faults->begin(), faults->end());
        faults->erase(std::unique(faults->begin(), faults->end()), faults->end());
    }
    return d[size_t(n) * w + m];
}

int slipsAllowed(int letters) {
    return letters <= 2 ? 0 : letters <= 9 ? 1 : 2;
}

// The cost of standing typed unit `t` for sentence unit `s`.
int pairCost(const Unit& s, const Unit& t, std::vector<int>& scratch) {
    if (sameUnit(s, t))
        return 0;
    if (!s.letters.isEmpty() && s.letters == t.letters)
        return kSlip; // only case or punctuation differ
    const int d = editDistance(s.key, t.key, scratch);
    if (d <= slipsAllowed(s.letterCount))
        return kSlip;
    const int longer = int(std::max(s.key.size(), t.key.size()));
    return kWrong + (50 * std::min(d, longer)) / std::max(1, longer);
}

QString trimmedWord(const QString& text, const Word& w) {
    int a = w.start, b = w.end;
    while (a < b && !isWordChar(text[a]))
        ++a;
    while (b > a && !isWordChar(text[b - 1]))
        --b;
    return a < b ? text.mid(a, b - a) : text.mid(w.start, w.end - w.start);
}

// The verdict of a word from those of its units.
Verdict combined(const QList<Verdict>& parts, Verdict whenAllGaps) {
    bool allRight = true, allGaps = true, noneWrong = true;
    for (Verdict v : parts) {
        allRight = allRight && v == Verdict::Right;
        allGaps = allGaps && v == whenAllGaps;
        noneWrong = noneWrong && (v == Verdict::Right || v == Verdict::Slip);
    }
    if (allRight)
        return Verdict::Right;
    if (allGaps)
        return whenAllGaps;
    return noneWrong ? Verdict::Slip : Verdict::Wrong;
}

} // namespace

double Marking::score() const {
    const int total = words() + extra;
    return total == 0 ? 1.0 : (right + 0.5 * slips) / total;
}

QString Marking::scoreLine() const {
    if (words() == 0)
        return QString();
    QString line = QStringLiteral("%1/%2 词正确").arg(right).arg(words());
    if (slips > 0)
        line += QStringLiteral(" · %1 处拼写").arg(slips);
    if (extra > 0)
        line += QStringLiteral(" · %1 个多余词").arg(extra);
    return line + QStringLiteral(" · 得分 %1%").arg(qRound(score() * 100));
}

Marking compareAnswer(const QString& typed, const QString& sentence, const Options& options) {
    const QList<Word> sWords = splitWords(sentence, options);
    const QList<Word> tWords = splitWords(typed, options);
    const QList<Unit> s = unitsOf(sWords, options);
    const QList<Unit> tAll = unitsOf(tWords, options);
    const int n = int(s.size());
    const int m = int(std::min<qsizetype>(tAll.size(), 4 * qsizetype(n) + 100));
    std::vector<int> scratch;

    // cost[i][j]: sentence unit i against typed unit j; D[i][j]: the cheapest alignment
    // of the sentence units from i on with the typed ones from j on. Walking it forward,
    // a tie goes to the earliest match, so what is typed first stands for the sentence
    // and a repetition after it is extra.
    const size_t w = size_t(m) + 1;
    std::vector<int> cost(size_t(n) * size_t(std::max(m, 1)));
    std::vector<int> D(size_t(n + 1) * w);
    for (int j = m; j >= 0; --j)
        D[size_t(n) * w + j] = (m - j) * kGap;
    for (int i = n - 1; i >= 0; --i) {
        D[size_t(i) * w + m] = (n - i) * kGap;
        for (int j = m - 1; j >= 0; --j) {
            const int c = pairCost(s[i], tAll[j], scratch);
            cost[size_t(i) * size_t(m) + size_t(j)] = c;
            D[size_t(i) * w + j] =
                std::min({D[size_t(i + 1) * w + j + 1] + c, D[size_t(i + 1) * w + j] + kGap,
                          D[size_t(i) * w + j + 1] + kGap});
        }
    }

    // Which typed unit (or none, -1) stands for each sentence unit. Between a missing
    // and an extra unit of equal cost, the missing one comes first.
    std::vector<int> typedFor(size_t(n), -1);
    std::vector<int> sentenceFor(size_t(tAll.size()), -1);
    for (int i = 0, j = 0; i < n || j < m;) {
        const int here = D[size_t(i) * w + j];
        if (i < n && j < m &&
            here == D[size_t(i + 1) * w + j + 1] + cost[size_t(i) * size_t(m) + size_t(j)]) {
            typedFor[size_t(i)] = j;
            sentenceFor[size_t(j)] = i;
            ++i, ++j;
        } else if (i < n && here == D[size_t(i + 1) * w + j] + kGap) {
            ++i;
        } else {
            ++j;
        }
    }

    Marking out;
    QList<QList<Verdict>> sParts(sWords.size()), tParts(tWords.size());
    std::vector<Verdict> unitVerdict(size_t(n), Verdict::Missing);
    for (int i = 0; i < n; ++i) {
        const int j = typedFor[size_t(i)];
        if (j >= 0) {
            const int c = cost[size_t(i) * size_t(m) + size_t(j)];
            unitVerdict[size_t(i)] = c == 0 ? Verdict::Right : c == kSlip ? Verdict::Slip : Verdict::Wrong;
        }
        sParts[s[i].word].append(unitVerdict[size_t(i)]);
    }
    for (int j = 0; j < tAll.size(); ++j) {
        const int i = sentenceFor[size_t(j)];
        tParts[tAll[j].word].append(i < 0 ? Verdict::Extra : unitVerdict[size_t(i)]);
    }

    for (int k = 0; k < sWords.size(); ++k) {
        const Verdict v = combined(sParts[k], Verdict::Missing);
        out.sentence.append({trimmedWord(sentence, sWords[k]), v});
        out.right += v == Verdict::Right ? 1 : 0;
        out.slips += v == Verdict::Slip ? 1 : 0;
    }
    for (int k = 0; k < tWords.size(); ++k) {
        TypedWord tw{
            tWords[k].start, tWords[k].end - tWords[k].start, combined(tParts[k], Verdict::Extra), {}};
        out.extra += tw.verdict == Verdict::Extra ? 1 : 0;
        out.typed.append(tw);
    }
    // The wrong letters of each slip.
    for (int j = 0; j < tAll.size(); ++j) {
        const int i = sentenceFor[size_t(j)];
        if (i < 0 || unitVerdict[size_t(i)] != Verdict::Slip)
            continue;
        TypedWord& tw = out.typed[tAll[j].word];
        if (tw.verdict != Verdict::Slip)
            continue;
        QList<int> faults;
        editDistance(s[i].key, tAll[j].key, scratch, &faults);
        if (tAll[j].places.isEmpty()) {
            for (int p = tw.start; p < tw.start + tw.length; ++p)
                tw.wrongLetters.append(p);
        } else {
            for (int f : std::as_const(faults))
                tw.wrongLetters.append(tAll[j].places.value(f, tw.start));
        }
    }
    // Where each missing unit belongs: after the last typed word matched before it. A
    // word missing whole is named as stored; a missing half of a contraction by itself.
    int after = 0;
    for (int i = 0; i < n; ++i) {
        const int j = typedFor[size_t(i)];
        if (j >= 0) {
            after = tWords[tAll[j].word].end;
            continue;
        }
        const int k = s[i].word;
        if (out.sentence[k].verdict != Verdict::Missing)
            out.missing.append({after, s[i].key});
        else if (i == 0 || s[i - 1].word != k)
            out.missing.append({after, out.sentence[k].text});
    }
    return out;
}

} // namespace lesnor::answers
