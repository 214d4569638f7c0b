// Marking a typed answer against the sentence, and a lesson's summary.
#include "answers/AnswerComparison.h"
#include "answers/LessonSummary.h"

#include <QtTest>

using namespace lesnor::answers;

namespace {

// The typed text with its marks: a wrong word as "!word", an extra one as "-word", a
// slip as "~word~" with each letter at fault in braces, a missing word as "[word]" at
// its place.
QString render(const QString& typed, const Marking& m) {
    QMap<int, QStringList> missing;
    for (const MissingWord& w : m.missing)
        missing[w.at] << w.text;
    QString out;
    int at = 0;
    auto flushMissing = [&](int upTo) {
        for (auto it = missing.begin(); it != missing.end() && it.key() <= upTo;) {
            out += QStringLiteral("[%1]").arg(it.value().join(QLatin1Char(' ')));
            it = missing.erase(it);
        }
    };
    for (const TypedWord& w : m.typed) {
        flushMissing(w.start);
        out += typed.mid(at, w.start - at);
        QString word;
        for (int p = w.start; p < w.start + w.length; ++p)
            word += w.wrongLetters.contains(p) ? QStringLiteral("{%1}").arg(typed[p]) : QString(typed[p]);
        switch (w.verdict) {
        case Verdict::Slip:
            word = QLatin1Char('~') + word + QLatin1Char('~');
            break;
        case Verdict::Wrong:
            word.prepend(QLatin1Char('!'));
            break;
        case Verdict::Extra:
            word.prepend(QLatin1Char('-'));
            break;
        default:
            break;
        }
        out += word;
        at = w.start + w.length;
    }
    out += typed.mid(at);
    flushMissing(INT_MAX);
    return out;
}

// "case punct quotes short" each turns that tolerance off.
Options optionsFrom(const QString& off) {
    Options o;
    o.ignoreCase = !off.contains(QLatin1String("case"));
    o.ignorePunctuation = !off.contains(QLatin1String("punct"));
    o.sameQuotes = !off.contains(QLatin1String("quotes"));
    o.contractions = !off.contains(QLatin1String("short"));
    return o;
}

} // namespace

class TestAnswers : public QObject {
    Q_OBJECT
private slots:
    void marking_data() {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("off");
        QTest::addColumn<QString>("marked");
        QTest::addColumn<QString>("score");
        const QString handbag = QStringLiteral("Is this your  handbag?");
        auto row = [](const char* name, const QString& sentence, const char* typed, const char* off,
                      const char* marked, const char* score) {
            QTest::newRow(name) << sentence << QString::fromUtf8(typed) << QString::fromLatin1(off)
                                << QString::fromUtf8(marked) << QString::fromUtf8(score);
        };
        row("exact", handbag, "Is this your  handbag?", "", "Is this your  handbag?",
            "4/4 词正确 · 得分 100%");
        row("case and punctuation ignored", handbag, "is this your handbag", "", "is this your handbag",
            "4/4 词正确 · 得分 100%");
        row("case counted: a slip", handbag, "is this your handbag?", "case", "~{i}s~ this your handbag?",
            "3/4 词正确 · 1 处拼写 · 得分 88%");
        row("punctuation counted: a slip", handbag, "Is this your handbag", "punct",
            "Is this your ~handba{g}~", "3/4 词正确 · 1 处拼写 · 得分 88%");
        row("full-width input", handbag, "Ｉｓ　ｔｈｉｓ　ｙｏｕｒ　ｈａｎｄｂａｇ？", "punct",
            "Ｉｓ　ｔｈｉｓ　ｙｏｕｒ　ｈａｎｄｂａｇ？", "4/4 词正确 · 得分 100%");
        row("Chinese punctuation", QStringLiteral("Yes, it is."), "Yes，it is。", "punct", "Yes，it is。",
            "3/3 词正确 · 得分 100%");
        row("doubled blank, punctuation counted", handbag, "Is   this your handbag?", "punct",
            "Is   this your handbag?", "4/4 词正确 · 得分 100%");
        row("curly quotes alike", QStringLiteral("It's Tom's “book”."), "It’s Tom’s \"book\".", "punct",
            "It’s Tom’s \"book\".", "3/3 词正确 · 得分 100%");
        row("curly quotes apart", QStringLiteral("Tom's book."), "Tom’s book.", "quotes punct",
            "~Tom{’}s~ book.", "1/2 词正确 · 1 处拼写 · 得分 75%");
        row("contraction typed long", QStringLiteral("No, it isn't."), "no it is not", "", "no it is not",
            "3/3 词正确 · 得分 100%");
        row("long form typed short", QStringLiteral("I am fine, I cannot stay."), "I'm fine I can't stay", "",
            "I'm fine I can't stay", "6/6 词正确 · 得分 100%");
        row("contraction, punctuation counted", QStringLiteral("No, it isn't."), "No, it is not.", "punct",
            "No, it is not.", "3/3 词正确 · 得分 100%");
        row("'d as had", QStringLiteral("You'd better go."), "you had better go", "", "you had better go",
            "3/3 词正确 · 得分 100%");
        row("contractions counted", QStringLiteral("No, it isn't."), "no it is not", "short",
            "no it !is -not", "2/3 词正确 · 1 个多余词 · 得分 50%");
        row("possessive is no contraction", QStringLiteral("Tom's book."), "Tom is book", "", "!Tom -is book",
            "1/2 词正确 · 1 个多余词 · 得分 33%");
        row("one slip", handbag, "Is this yuor handbag", "", "Is this ~y{u}{o}r~ handbag",
            "3/4 词正确 · 1 处拼写 · 得分 88%");
        row("letter missing", handbag, "Is this your handbg", "", "Is this your ~handb{g}~",
            "3/4 词正确 · 1 处拼写 · 得分 88%");
        row("two slips in a long word", QStringLiteral("It is a beautiful afternoon."),
            "it is a beautifl aftrnoon", "", "it is a ~beautif{l}~ ~aft{r}noon~",
            "3/5 词正确 · 2 处拼写 · 得分 80%");
        row("two edits in a long word", QStringLiteral("Congratulations!"), "Congradulatons", "",
            "~Congra{d}ulat{o}ns~", "0/1 词正确 · 1 处拼写 · 得分 50%");
        row("three edits in a long word", QStringLiteral("Congratulations!"), "Kongradulatins", "",
            "!Kongradulatins", "0/1 词正确 · 得分 0%");
        row("two edits in a short word", handbag, "Is this yr handbag", "", "Is this !yr handbag",
            "3/4 词正确 · 得分 75%");
        row("no slip in two letters", handbag, "Iz this your handbag", "", "!Iz this your handbag",
            "3/4 词正确 · 得分 75%");
        row("wrong word", handbag, "Is this his handbag", "", "Is this !his handbag",
            "3/4 词正确 · 得分 75%");
        row("swapped words", handbag, "this is your handbag", "", "[Is]this -is your handbag",
            "3/4 词正确 · 1 个多余词 · 得分 60%");
        row("missing first word", handbag, "this your handbag", "", "[Is]this your handbag",
            "3/4 词正确 · 得分 75%");
        row("missing last word", handbag, "Is this your", "", "Is this your[handbag]",
            "3/4 词正确 · 得分 75%");
        row("missing inside", handbag, "Is this handbag", "", "Is this[your] handbag",
            "3/4 词正确 · 得分 75%");
        row("extra word", handbag, "Is this your red handbag", "", "Is this your -red handbag",
            "4/4 词正确 · 1 个多余词 · 得分 80%");
        row("empty typing", handbag, "", "", "[Is this your handbag]", "0/4 词正确 · 得分 0%");
        row("blank typing", handbag, "  \n ", "", "  \n [Is this your handbag]", "0/4 词正确 · 得分 0%");
        row("typing far longer", QStringLiteral("Thank you."), "thank you thank you thank you thank you", "",
            "thank you -thank -you -thank -you -thank -you", "2/2 词正确 · 6 个多余词 · 得分 25%");
        row("a sentence without words", QStringLiteral("..."), "anything", "", "-anything", "");
    }
    void marking() {
        QFETCH(QString, sentence);
        QFETCH(QString, typed);
        QFETCH(QString, off);
        const Marking m = compareAnswer(typed, sentence, optionsFrom(off));
        QTEST(render(typed, m), "marked");
        QTEST(m.scoreLine(), "score");
    }

    // Far more typing than any sentence: only the first part is aligned, the rest is extra.
    void pastedBookIsBounded() {
        const QString sentence = QStringLiteral("Thank you very much.");
        QString typed = QStringLiteral("thank you very much");
        for (int i = 0; i < 20000; ++i)
            typed += QStringLiteral(" word");
        const Marking m = compareAnswer(typed, sentence);
        QCOMPARE(m.right, 4);
        QCOMPARE(m.extra, 20000);
        QCOMPARE(m.typed.size(), 20004);
    }

    void summary() {
        LessonSummary summary(14);
        QVERIFY(summary.isEmpty());
        summary.record(0, QStringLiteral("Excuse me!"), QStringLiteral("excuse me"));
        summary.record(1, QStringLiteral("Is this your handbag?"), QStringLiteral("is this you handbeg"));
        summary.record(1, QStringLiteral("Is this your handbag?"), QStringLiteral("is this your handbag"));
        summary.record(2, QStringLiteral("Pardon? Is this your handbag?"),
                       QStringLiteral("pardon is this handbog"));
        const LessonSummary::Figures f = summary.figures(Options());
        QCOMPARE(f.sentencesDone, 3); // the second answer to sentence 1 does not count
        QCOMPARE(f.sentenceCount, 14);
        // 100%, (2 + 2 × 0.5) / 4, (3 + 0.5) / 5
        QCOMPARE(qRound(f.averageScore * 1000), qRound((1.0 + 0.75 + 0.7) / 3 * 1000));
        using Counted = QList<std::pair<QString, int>>;
        QCOMPARE(f.oftenWrong, (Counted{{"your", 2}, {"handbag", 2}}));
        QCOMPARE(LessonSummary::text(f),
                 QStringLiteral("已听写 3/14 句 · 平均得分 82% · 最常写错：your（2 次）、handbag（2 次）"));
        QCOMPARE(LessonSummary::text(LessonSummary(3).figures(Options())),
                 QStringLiteral("已听写 0/3 句 · 平均得分 0% · 最常写错：无"));
    }
};

QTEST_APPLESS_MAIN(TestAnswers)
#include "tst_answers.moc"
