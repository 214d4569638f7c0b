// The dictionary file, the phonetic notation, the lookup with its inflection rules and
// the build of the carried file, on small fixture dictionaries.
#include "DictionaryFixture.h"
#include "FakeServices.h"
#include "dictionary/DictionaryBuilder.h"
#include "dictionary/DictionaryFile.h"
#include "dictionary/Phonetic.h"
#include "dictionary/WordLookup.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace lesnor;
using namespace lesnor::test;

namespace {

// A character whose second code page 936 byte is `trail`.
QString characterWithTrailByte(char trail) {
    QStringDecoder gbk("GBK");
    const char pair[] = {char(0xB0), trail};
    return gbk.decode(QByteArrayView(pair, 2));
}

std::optional<DictionaryEntry> lookUp(const QStringList& records, const QString& word) {
    return lookUpWord(DictionaryText(dictionaryBytes(records)), word);
}

QString headwordFound(const QStringList& records, const QString& word) {
    const std::optional<DictionaryEntry> entry = lookUp(records, word);
    return entry ? entry->headword : QStringLiteral("(none)");
}

const QStringList kBaseForms = {
    "book[buk]n.书",       "like[laik]v.喜欢",     "box[b0ks]n.盒子",  "walk[w0:k]v.走",
    "study['st3di]v.学习", "cry[krai]v.哭",        "half[h1:f]n.一半", "tall[t0:l]a.高的",
    "large[l1:d7]a.大的",  "happy['h9pi]a.快乐的", "jump[d73mp]v.跳",  "make[meik]v.做",
    "run[r3n]v.跑",        "fat[f9t]a.胖的",       "hot[h0t]a.热的",   "drop[dr0p]v.落下",
};

} // namespace

class TestDictionary : public QObject {
    Q_OBJECT

private slots:
    void phoneticConversion_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("ipa");
        QTest::newRow("separator and space") << "ei, 2"
                                             << "ei/E"
                                             << "ei, ə";
        QTest::newRow("file 5 before stress 5") << "0:l'52u"
                                                << "C:l5TEu"
                                                << "ɔːlˈðəu";
        QTest::newRow("file / before stress /") << "2'f/2"
                                                << "E5fZE"
                                                << "əˈfɛə";
        QTest::newRow("secondary stress") << "2,k0m2'dei62n"
                                          << "E/kCmE5deiFEn"
                                          << "əˌkɔməˈdeiʃən";
        QTest::newRow("every code") << "0123456789/"
                                    << "CBEQWTFVNAZ"
                                    << "ɔɑəʌθðʃʒŋæɛ";
        QTest::newRow("phrase") << "2'baut tu:"
                                << "E5bauttu:"
                                << "əˈbaut tuː";
        QTest::newRow("meaningless marks pass") << "2(r)-;`"
                                                << "E(r)-;`"
                                                << "ə(r)-;`";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }
    void phoneticConversion() {
        QFETCH(QString, field);
        QFETCH(QString, display);
        QFETCH(QString, ipa);
        QCOMPARE(convertPhonetic(field), display);
        QCOMPARE(phoneticToIpa(field), ipa);
    }

    // Split: what a found record gives, on records in the carried layout.
    void split_data() {
        const QString bracketTrail = characterWithTrailByte(']');
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<bool>("endMarker");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("expected"); // headword, display phonetic, meaning; empty: none
        QTest::newRow("brackets in the meaning")
            << QStringList{"cheque[t6ek]n.支票=[美作:check]"} << true << "cheque"
            << QStringList{"cheque", "tFek", "n.支票=[美作:check]"};
        QTest::newRow("empty phonetic")
            << QStringList{"and so on[]等等"} << true << "and so on" << QStringList{"and so on", "", "等等"};
        QTest::newRow("empty meaning")
            << QStringList{"zip[zip]"} << true << "zip" << QStringList{"zip", "zip", ""};
        QTest::newRow("no end marker: the last record is never shown")
            << QStringList{"sunk[s38k]sink的过去分词"} << false << "sunk" << QStringList{};
        QTest::newRow("no end marker: earlier records are")
            << QStringList{"slid[slid]slide的过去式", "sunk[s38k]"} << false << "slid"
            << QStringList{"slid", "slid", "slide的过去式"};
        QTest::newRow("no ] : the rest is the meaning")
            << QStringList{"odd[0d n.奇怪"} << true << "odd" << QStringList{"odd", "", "0d n.奇怪"};
        QTest::newRow("a character whose second byte is ]")
            << QStringList{"good[gud]a." + bracketTrail + "好"} << true << "good"
            << QStringList{"good", "gud", "a." + bracketTrail + "好"};
        QTest::newRow("a key matches only a whole headword")
            << QStringList{"bookcase['bukkeis]n.书架", "xbook[]x", "book[buk]n.书"} << true << "book"
            << QStringList{"book", "buk", "n.书"};
    }
    void split() {
        QFETCH(QStringList, records);
        QFETCH(bool, endMarker);
        QFETCH(QString, word);
        QFETCH(QStringList, expected);
        const std::optional<DictionaryEntry> entry =
            lookUpWord(DictionaryText(dictionaryBytes(records, endMarker)), word);
        QCOMPARE(entry.has_value(), !expected.isEmpty());
        if (entry) {
            QCOMPARE(entry->headword, expected.at(0));
            QCOMPARE(entry->phonetic, expected.at(1));
            QCOMPARE(entry->meaning, expected.at(2));
        }
    }

    void inflectionCandidatesInRuleOrder_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QStringList>("candidates");
        QTest::newRow("ing: remove 3, add e, remove 4") << "running" << QStringList{"runn", "runne", "run"};
        QTest::newRow("er and r") << "taller" << QStringList{"tall", "talle", "tal"};
        QTest::newRow("iest") << "happiest" << QStringList{"happi", "happie", "happy", "happ"};
        QTest::newRow("ies, es, s") << "studies" << QStringList{"studie", "studi", "study"};
        QTest::newRow("ied, ed, d") << "cried" << QStringList{"crie", "cri", "cry", "cr"};
        QTest::newRow("ves") << "halves" << QStringList{"halve", "halv", "half"};
        QTest::newRow("endings are case-sensitive") << "BOOKS" << QStringList{};
        QTest::newRow("whole base removed") << "ing" << QStringList{"", "e"};
        QTest::newRow("no rule applies") << "cat" << QStringList{};
    }
    void inflectionCandidatesInRuleOrder() {
        QFETCH(QString, base);
        QFETCH(QStringList, candidates);
        QCOMPARE(inflectionCandidates(base), candidates);
    }

    // The 19 rules' examples against a dictionary of the base forms, and the order cases.
    void lookup_data() {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("headword");
        const QStringList rules[] = {
            {"books", "book"},     {"liked", "like"},    {"boxes", "box"},    {"walked", "walk"},
            {"studies", "study"},  {"cried", "cry"},     {"halves", "half"},  {"taller", "tall"},
            {"larger", "large"},   {"happier", "happy"}, {"tallest", "tall"}, {"largest", "large"},
            {"happiest", "happy"}, {"jumping", "jump"},  {"making", "make"},  {"running", "run"},
            {"fatter", "fat"},     {"hottest", "hot"},   {"dropped", "drop"},
        };
        for (const QStringList& r : rules)
            QTest::addRow("rule: %s", qPrintable(r.at(0))) << kBaseForms << r.at(0) << r.at(1);
        QTest::newRow("case ignored, stored case shown") << QStringList{"Monday['m3ndi]n.星期一"} << "monday"
                                                         << "Monday";
        QTest::newRow("ending exact, search not") << kBaseForms << "Books"
                                                  << "book";
        QTest::newRow("upper-case ending") << kBaseForms << "BOOKS"
                                           << "(none)";
        QTest::newRow("first rule found wins")
            << QStringList{"leaf[li:f]n.叶", "leave[li:v]v.离开"} << "leaves"
            << "leave";
        QTest::newRow("earlier rule's candidate first")
            << QStringList{"stop[st0p]v.停", "stopp[]x"} << "stopped"
            << "stopp";
        QTest::newRow("headword itself first")
            << QStringList{"read[ri:d]v.读", "reading['ri:di8]n.阅读"} << "reading"
            << "reading";
        QTest::newRow("earlier of two cases wins")
            << QStringList{"May[mei]n.五月", "may[mei]aux.可以"} << "may"
            << "May";
        QTest::newRow("blanks around the word") << kBaseForms << "  book "
                                                << "book";
        QTest::newRow("only blanks are trimmed") << kBaseForms << "\tbook"
                                                 << "(none)";
        QTest::newRow("empty word") << kBaseForms << ""
                                    << "(none)";
        QTest::newRow("blank word") << kBaseForms << "   "
                                    << "(none)";
        QTest::newRow("base ing: candidate e") << QStringList{"e[i:]字母E"} << "ing"
                                               << "e";
        QTest::newRow("not a headword") << kBaseForms << "zebra"
                                        << "(none)";
        QTest::newRow("Chinese word") << QStringList{"汉[]x"} << "汉"
                                      << "汉";
        QTest::newRow("character outside the code page") << QStringList{"?[]x"} << "😀"
                                                         << "(none)";
    }
    void lookup() {
        QFETCH(QStringList, records);
        QFETCH(QString, word);
        QFETCH(QString, headword);
        QCOMPARE(headwordFound(records, word), headword);
    }

    // schword reads the file anew each time, speaks only what it finds and survives any
    // file.
    void schwordOverFiles() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mswrd.wd"));
        const auto write = [&path](const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(bytes), bytes.size());
        };
        FakeSpeech speech;
        WordLookup lookup(speech, [&path] { return path; });

        QVERIFY(!lookup.schword(QStringLiteral("book"))); // no file
        write(dictionaryBytes(kBaseForms));
        const std::optional<DictionaryEntry> found = lookup.schword(QStringLiteral("Books"));
        QVERIFY(found);
        QCOMPARE(speech.spoken, QStringList{"book"});
        QCOMPARE(speech.lastFlags, 144);
        QVERIFY(!lookup.schword(QStringLiteral("zebra")));
        write(dictionaryBytes({"zebra['zi:br2]n.斑马"}));
        QCOMPARE(lookup.schword(QStringLiteral("zebras"))->headword, QStringLiteral("zebra"));

        write(QByteArray("$\x81\x24\xff\xfe[\x80]\x81$book[]\xa1$\r\n")); // invalid bytes
        QVERIFY(!lookup.schword(QStringLiteral("\xff")));
        QCOMPARE(lookup.schword(QStringLiteral("book"))->headword, QStringLiteral("book"));
        write(QByteArray(10 * 1024 * 1024, '$')); // 10 MB of empty records
        QVERIFY(!lookup.schword(QStringLiteral("book")));
        write(QByteArray(10 * 1024 * 1024, 'a'));
        QVERIFY(!lookup.schword(QStringLiteral("aaa")));
        QCOMPARE(speech.spoken, (QStringList{"book", "zebra", "book"}));

        speech.spoken.clear();
        write(dictionaryBytes({"grandfather['gr9nd,f1:52]n.祖父"}));
        QCOMPARE(lookup.lookUpPointedWord(QStringLiteral("grandfather's"))->headword,
                 QStringLiteral("grandfather"));
        QVERIFY(!lookup.lookUpPointedWord(QStringLiteral("'s")));
        QCOMPARE(speech.spoken, QStringList{"grandfather"});
    }

    void build_data() {
        QTest::addColumn<QByteArray>("base"); // UTF-8 here, code page 936 when built
        QTest::addColumn<QByteArray>("additions");
        QTest::addColumn<QString>("line"); // the built record line; empty: an error
        QTest::addColumn<QString>("error");
        QTest::newRow("an addition takes the place of its headword, others follow")
            << QByteArray("$a[ei]一\n$May[mei]五月\n$zoo[zu:]动物园\n")
            << QByteArray("# comment\n\n$may[mei]aux.可以 n.五月\r\n$new[nju:]新的\n")
            << "$a[ei]一$may[mei]aux.可以 n.五月$zoo[zu:]动物园$new[nju:]新的$"
            << "";
        QTest::newRow("a repeated base headword keeps its first record")
            << QByteArray("$i[ai]我\n$I[ai]字母I\n") << QByteArray("") << "$i[ai]我$"
            << "";
        QTest::newRow("an addition given twice")
            << QByteArray("$a[]x\n") << QByteArray("$new[]1\n$New[]2\n") << ""
            << "additions line 2: the headword \"new\" is given twice";
        QTest::newRow("a long headword given twice is quoted short")
            << QByteArray("")
            << QByteArray("$" + QByteArray(200, 'x') + "[]1\n$" + QByteArray(200, 'X') + "[]2\n") << ""
            << "additions line 2: the headword \"" + QString(80, u'x') + "...\" is given twice";
        QTest::newRow("a CR inside a record")
            << QByteArray("") << QByteArray("$handbag[]n.手\r提包\n$hello[]int.喂\n") << ""
            << "additions line 1 holds a control character (a line break inside a record?)";
        QTest::newRow("no $ first") << QByteArray("$a[]x\n") << QByteArray("new[]1\n") << ""
                                    << "additions line 1 does not start with \"$\"";
        QTest::newRow("no brackets") << QByteArray("$a[]x\n$b x\n") << QByteArray("") << ""
                                     << "base line 2 has no \"[\" and \"]\" after the headword";
        QTest::newRow("$ inside") << QByteArray("") << QByteArray("\n$a[]x$y\n") << ""
                                  << "additions line 2 has a \"$\" inside";
        QTest::newRow("empty headword") << QByteArray("") << QByteArray("$[]x\n") << ""
                                        << "additions line 1 has an empty headword";
        QTest::newRow("outside the code page") << QByteArray("") << QByteArray("$a[]x\n$b[]😀\n") << ""
                                               << "additions line 2 holds text outside code page 936";
    }
    void build() {
        QFETCH(QByteArray, base);
        QFETCH(QByteArray, additions);
        QFETCH(QString, line);
        QFETCH(QString, error);
        QStringEncoder gbk("GBK");
        QString message;
        const QByteArray built = buildDictionary(gbk.encode(QString::fromUtf8(base)), additions, &message);
        QCOMPARE(message, error);
        if (line.isEmpty()) {
            QVERIFY(built.isEmpty());
            return;
        }
        QVERIFY(built.endsWith(QByteArray("$\r\n\0\0", 5)));
        QStringDecoder decode("GBK");
        QCOMPARE(decode.decode(built.chopped(4)), line);
    }
};

QTEST_APPLESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"
