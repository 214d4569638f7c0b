// The dictionary the program carries (built from the base list and content/dictionary):
// its layout, the entries a learner expects for words of two letter cases, every word
// of every lesson found, and `lesnor-tool lookup` on it.
#include "dictionary/DictionaryFile.h"
#include "dictionary/WordFinder.h"
#include "dictionary/WordLookup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

using namespace lesnor;

namespace {

QString shippedPath() {
    return qEnvironmentVariable("LESNOR_BINARY_DIR") + QStringLiteral("/pack/mswrd.wd");
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lesson texts as the three boxes show them: each sentence alone (the sentence
// box), and each vocabulary line as the word list shows it ("word /gloss").
struct LessonTexts {
    QStringList sentences;
    QStringList wordLines;
};

LessonTexts lessonTexts() {
    LessonTexts texts;
    const QString content = qEnvironmentVariable("LESNOR_SOURCE_DIR") + QStringLiteral("/content/");
    for (const bool vocabulary : {false, true}) {
        QDirIterator it(content + (vocabulary ? QStringLiteral("words") : QStringLiteral("sentences")),
                        {QStringLiteral("*.tsv")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            for (const QString& line : QString::fromUtf8(readAll(it.next())).split(u'\n')) {
                const QStringList fields = line.split(u'\t');
                if (line.trimmed().isEmpty() || line.startsWith(u'#'))
                    continue;
                if (!vocabulary)
                    texts.sentences << fields.at(0);
                else if (fields.size() >= 3)
                    texts.wordLines << fields.at(1) + QStringLiteral(" /") + fields.at(2);
            }
        }
    }
    return texts;
}

// Every word the three boxes can give for the built-in lessons, without numbers written
// in figures ("1890"), which a learner does not look up.
QSet<QString> lessonWords() {
    const LessonTexts texts = lessonTexts();
    QSet<QString> words;
    for (const QString& sentence : texts.sentences) {
        for (int i = 0; i < sentence.size(); ++i) {
            words.insert(RichWordOver(sentence, i));
            words.insert(GetWord(sentence, i));
        }
    }
    for (const QString& line : texts.wordLines) {
        const int gloss = int(line.indexOf(QLatin1String(" /")));
        for (int i = 0; i < gloss; ++i)
            words.insert(GetWord(line, i));
    }
    words.remove(QString());
    static const QRegularExpression figures(QStringLiteral("^[0-9]+$"));
    words.removeIf([](const QString& w) { return figures.match(w).hasMatch(); });
    return words;
}

} // namespace

class TestShippedDictionary : public QObject {
    Q_OBJECT

    DictionaryText dictionary_;

    QString headword(const QString& word) const {
        const std::optional<DictionaryEntry> e = lookUpWord(dictionary_, word);
        return e ? e->headword : QString();
    }
    QString meaning(const QString& word) const {
        const std::optional<DictionaryEntry> e = lookUpWord(dictionary_, word);
        return e ? e->meaning : QString();
    }

private slots:
    void initTestCase() {
        bool readable = false;
        dictionary_ = DictionaryText::read(shippedPath(), &readable);
        QVERIFY2(readable, qPrintable(shippedPath()));
    }

    // One line, the end marker, CR LF, two NUL bytes; every headword once.
    void layout() {
        const QByteArray bytes = readAll(shippedPath());
        QVERIFY(bytes.endsWith(QByteArray("$\r\n\0\0", 5)));
        QCOMPARE(dictionary_.line().size(), bytes.size() - 4);
        QStringDecoder gbk("GBK");
        const QString line = gbk.decode(dictionary_.line());
        QVERIFY(!gbk.hasError());
        const QStringList records = line.split(u'$', Qt::SkipEmptyParts);
        QVERIFY(records.size() > 15000);
        QSet<QString> seen;
        for (const QString& r : records) {
            const QString key = r.left(r.indexOf(u'[')).toLower();
            QVERIFY2(!seen.contains(key), qPrintable(key));
            seen.insert(key);
        }
    }

    // Whichever letter case the text has, the entry is the one a learner expects.
    void orderRule_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("headword");
        QTest::addColumn<QString>("meaningStart");
        QTest::newRow("may") << "may"
                             << "may"
                             << "aux.";
        QTest::newRow("May") << "May"
                             << "may"
                             << "aux.";
        QTest::newRow("china") << "china"
                               << "China"
                               << "n.中国";
        QTest::newRow("I") << "I"
                           << "I"
                           << "pron.我";
        QTest::newRow("i") << "i"
                           << "I"
                           << "pron.我";
        QTest::newRow("is, not I") << "is"
                                   << "is"
                                   << "v.是";
        QTest::newRow("polished") << "polished"
                                  << "polish"
                                  << "vt.擦亮";
    }
    void orderRule() {
        QFETCH(QString, word);
        QFETCH(QString, headword);
        QFETCH(QString, meaningStart);
        QCOMPARE(this->headword(word), headword);
        QVERIFY2(meaning(word).startsWith(meaningStart), qPrintable(meaning(word)));
    }

    // Every word the three boxes can give for the built-in lessons has an entry. Words
    // that are written with a capital wherever they occur are taken for names, which
    // may stay unfound; they are listed.
    void everyLessonWordFound() {
        const QSet<QString> words = lessonWords();
        QVERIFY(!words.isEmpty());
        QSet<QString> lowerCase;
        for (const QString& w : words)
            if (w.at(0).isLower())
                lowerCase.insert(w.toLower());

        QStringList misses;
        QStringList names;
        for (const QString& w : words) {
            if (lookUpWord(dictionary_, w))
                continue;
            if (w.endsWith(QLatin1String("'s")) && lookUpWord(dictionary_, w.chopped(2)))
                continue; // the pointer's lookup tries a possessive without its ending
            (w.at(0).isUpper() && !lowerCase.contains(w.toLower()) ? names : misses) << w;
        }
        misses.sort();
        names.sort();
        if (!names.isEmpty())
            qInfo("names not in the dictionary: %s", qPrintable(names.join(QLatin1String(", "))));
        QVERIFY2(misses.isEmpty(),
                 qPrintable(QStringLiteral("lesson words not found: ") + misses.join(QLatin1String(", "))));
    }

    // Every word of every lesson reaches the entry a teacher would give. The lookup takes
    // the first inflection candidate it finds, so where the word has no record of its own
    // and two candidates both exist ("using": us, use) or a rule reaches a headword of
    // two letters or fewer, the reviewed list (content/dictionary/reviewed-headwords.txt)
    // names the right headword; a word may also reach a record of its own that names it
    // ("using ... (use 的现在分词)"). Every word and the headword it reaches is written to
    // lesson-word-headwords.txt in the working folder.
    void everyLessonWordReachesItsEntry() {
        QHash<QString, QString> reviewed;
        const QString listPath = qEnvironmentVariable("LESNOR_SOURCE_DIR") +
                                 QStringLiteral("/content/dictionary/reviewed-headwords.txt");
        const QStringList listLines = QString::fromUtf8(readAll(listPath)).split(u'\n');
        for (const QString& line : listLines) {
            const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
            if (f.isEmpty() || f.at(0).startsWith(u'#'))
                continue;
            QVERIFY2(f.size() == 2 && !reviewed.contains(f.at(0)),
                     qPrintable(QStringLiteral("list line: ") + line));
            reviewed.insert(f.at(0), f.at(1));
        }
        QVERIFY2(!reviewed.isEmpty(), qPrintable(listPath));

        QStringList table;
        QStringList unreviewed;
        QStringList wrong;
        for (const QString& word : lessonWords()) {
            // The pointer's lookup: the word, else a possessive without its "'s".
            QString base = word;
            if (!lookUpWord(dictionary_, base) && word.endsWith(QLatin1String("'s")))
                base = word.chopped(2);
            const std::optional<DictionaryEntry> reached = lookUpWord(dictionary_, base);
            if (!reached)
                continue; // everyLessonWordFound judges these
            table << word + u'\t' + reached->headword;
            const bool own = reached->headword.compare(base, Qt::CaseInsensitive) == 0;
            QSet<qsizetype> found;
            QStringList headwords; // the candidates' headwords, in the lookup's order
            for (const QString& c : inflectionCandidates(base)) {
                const qsizetype at = dictionary_.find(c);
                if (at >= 0 && !found.contains(at)) {
                    found.insert(at);
                    headwords << dictionary_.split(at).headword;
                }
            }
            const QString right = reviewed.value(base.toLower());
            if (right.isEmpty()) {
                if (!own && (found.size() > 1 || reached->headword.size() <= 2))
                    unreviewed << word + QStringLiteral(" → ") + reached->headword + QStringLiteral(" (") +
                                      headwords.join(QLatin1String(", ")) + u')';
                continue;
            }
            const bool namesIt =
                own && QRegularExpression(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(right)))
                           .match(reached->meaning)
                           .hasMatch();
            if (reached->headword.compare(right, Qt::CaseInsensitive) != 0 && !namesIt)
                wrong << word + QStringLiteral(" → ") + reached->headword + QStringLiteral(", not ") + right;
        }
        table.sort();
        QFile out(QStringLiteral("lesson-word-headwords.txt"));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(table.join(u'\n').toUtf8() + '\n');
        unreviewed.sort();
        wrong.sort();
        for (const QString& w : std::as_const(unreviewed))
            qWarning("not reviewed (two possible headwords): %s", qPrintable(w));
        for (const QString& w : std::as_const(wrong))
            qWarning("wrong entry: %s", qPrintable(w));
        QVERIFY2(unreviewed.isEmpty() && wrong.isEmpty(),
                 qPrintable(QStringLiteral("%1 words not in %2, %3 at the wrong entry")
                                .arg(unreviewed.size())
                                .arg(listPath)
                                .arg(wrong.size())));
    }

    void lookupTool() {
        const auto run = [](const QStringList& args, QByteArray* out, QByteArray* err) {
            QProcess p;
            p.start(qEnvironmentVariable("LESNOR_BINARY_DIR") + QStringLiteral("/lesnor-tool"), args);
            if (!p.waitForFinished(60000))
                return -1;
            *out = p.readAllStandardOutput();
            *err = p.readAllStandardError();
            return p.exitCode();
        };
        QByteArray out;
        QByteArray err;
        QCOMPARE(run({QStringLiteral("lookup"), shippedPath(), QStringLiteral("studies")}, &out, &err), 0);
        const QStringList lines = QString::fromUtf8(out).split(u'\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QStringLiteral("study"));
        QCOMPARE(lines.at(1), QStringLiteral("ˈstʌdi"));
        QCOMPARE(lines.at(2), meaning(QStringLiteral("study")));
        QCOMPARE(lines.at(3), QString());

        QCOMPARE(run({QStringLiteral("lookup"), shippedPath(), QStringLiteral("qwzx")}, &out, &err), 1);
        QVERIFY(out.isEmpty());
        QCOMPARE(
            run({QStringLiteral("lookup"), shippedPath() + QStringLiteral(".missing"), QStringLiteral("a")},
                &out, &err),
            2);
        QVERIFY(out.isEmpty());
        QCOMPARE(err.count('\n'), 1);
    }
};

QTEST_APPLESS_MAIN(TestShippedDictionary)
#include "tst_shipped_dictionary.moc"
