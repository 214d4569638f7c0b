// The built-in lesson pack: its source texts under content/, and what the build makes of
// them in <build>/pack (timed tables, recordings) and <build>/语音库.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <iconv.h>
#include <map>

namespace {

// What the quality gate asks of a book's lessons from lesson 6 on: sentences per lesson,
// the longest sentence in words, in book 1 the share of short sentences, and the length
// of a whole text (book 4).
struct BookRules {
    int lessons;
    int minSentences;
    int maxSentences;
    int maxWords;
    int shortWords;         // a sentence of at most this many words is short
    double shortShare;      // at least this share of a lesson's sentences is short
    int leastTextWords = 0; // a lesson's whole text, in words
    int mostTextWords = 1000;
};
const std::map<int, BookRules> kCatalogue{{1, {72, 8, 14, 13, 10, 0.6}},
                                          {2, {96, 10, 16, 18, 18, 0}},
                                          {3, {60, 10, 16, 30, 30, 0}},
                                          {4, {48, 8, 14, 45, 45, 0, 280, 400}}};
// Lessons 1 to 5 of book 1 keep their texts and word lists, the course's first words.
constexpr int kFirstRuledLesson = 6;
bool ruledLesson(int book, int lesson) {
    return book > 1 || lesson >= kFirstRuledLesson;
}
constexpr int kMinWords = 8;
constexpr int kFewestWords = 4; // a lesson whose text has fewer new words, listed as such
constexpr int kMaxWords = 16;
constexpr int kRate = 22050;
// What the course now meets, book by book, held so that it does not slip back: the mean
// words per sentence of every ten lessons (its level) within a band, the dialogue lessons,
// the mean share of a lesson's listed words that come back in the next ten lessons' texts
// and the words the book's lists teach (tools/course-figures.py prints the same figures). A book that climbs
// never falls back from ten lessons to the next, and its last ten lessons reach endLevel.
struct BookMeasures {
    int book;
    double leastLevel;
    double mostLevel;
    int dialogues;
    double recycled;
    int listed;
    bool climbs = false;
    double endLevel = 0;
};
const BookMeasures kMeasures[] = {{1, 4.5, 9, 68, 0.63, 794, true, 8},
                                  {2, 9, 11, 49, 0.6, 1024},
                                  {3, 15.5, 18, 15, 0.6, 793},
                                  {4, 21.5, 25, 8, 0.6, 714}};
// The level never falls back by more than this from ten lessons to the next, across books too.
constexpr double kLevelFall = 1.0;
constexpr int kRecycleWindow = 10;
// US spellings (and the British word the course uses) that no text holds, with their inflected forms.
const char* const kUsSpellings[][2] = {{"color", "colour"},         {"favorite", "favourite"},
                                       {"neighbor", "neighbour"},   {"honor", "honour"},
                                       {"center", "centre"},        {"theater", "theatre"},
                                       {"realize", "realise"},      {"organize", "organise"},
                                       {"recognize", "recognise"},  {"apologize", "apologise"},
                                       {"traveled", "travelled"},   {"gray", "grey"},
                                       {"jewelry", "jewellery"},    {"defense", "defence"},
                                       {"pajamas", "pyjamas"},      {"mom", "mum"},
                                       {"elevator", "lift"},        {"apartment", "flat"},
                                       {"sidewalk", "pavement"},    {"gasoline", "petrol"},
                                       {"fertilizer", "fertiliser"}};
// Who a dialogue line calls by name or title decides its voice: a line spoken to a woman
// ("Mum", "Mrs Green", "madam") is speaker B's, the male voice, the woman being speaker A;
// one spoken to a man ("Dad", "Mr Webb", "sir") is speaker A's. A form of address opens a
// sentence before a comma or "!", or follows a comma at a sentence's end or before another.
const char* const kAddressed[][2] = {
    {"Mum", "B"},   {"Grandma", "B"}, {"Mrs [A-Z][a-z]+", "B"}, {"Miss [A-Z][a-z]+", "B"},
    {"madam", "B"}, {"Dad", "A"},     {"Grandpa", "A"},         {"Mr [A-Z][a-z]+", "A"},
    {"sir", "A"}};
// The speaker a line must have by the forms of address it holds: "" when it holds none, "?"
// when it holds forms for both voices.
QString addressingSpeaker(const QString& english) {
    QString speaker;
    for (const auto& [form, voice] : kAddressed) {
        const QString f = QString::fromLatin1(form);
        const QRegularExpression address(
            QStringLiteral("(?:(?:^|[.!?] )(?:%1)(?=[,!])|, (?:%1)(?=[,.!?]))").arg(f));
        if (address.match(english).hasMatch())
            speaker = speaker.isEmpty() || speaker == QLatin1String(voice) ? QString::fromLatin1(voice)
                                                                           : QStringLiteral("?");
    }
    return speaker;
}

// Every sentence is recorded at about this loudness (LUFS), whichever voice reads it: the
// sentences' mean is within half a unit of it, and any two sentences are within 1 LU.
constexpr double kLoudness = -18;
constexpr double kLoudnessSpread = 1;

struct Sentence {
    QString english;
    QString chinese;
    QString speaker; // "A" or "B" in a dialogue, "" in a narrative
};

// A lesson that has a text, in course order (book 1 lesson 1 first).
struct LessonId {
    int book;
    int lesson;
    bool operator<(const LessonId& o) const { return std::pair(book, lesson) < std::pair(o.book, o.lesson); }
};

// One row of a generated table, split on tabs.
using Row = QStringList;

QString sourceDir() {
    return qEnvironmentVariable("LESNOR_SOURCE_DIR");
}

QString packDir() {
    return qEnvironmentVariable("LESNOR_BINARY_DIR") + QStringLiteral("/pack");
}

QString audioFolderName() {
    return QStringLiteral("语音库");
}

// The lines of a UTF-8 text file without line ends; fails the test on bad UTF-8.
QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qWarning("cannot open %s", qPrintable(path));
        return {};
    }
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(f.readAll());
    if (decode.hasError()) {
        qWarning("%s is not UTF-8", qPrintable(path));
        return {};
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool encodableInGbk(const QString& text) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const bool ok = iconv(cd, &src, &inLeft, &dst, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(cd);
    return ok;
}

bool isPrintableAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

QString sentenceFile(int book, int lesson) {
    return QStringLiteral("%1/content/sentences/book%2/lesson%3.tsv").arg(sourceDir()).arg(book).arg(lesson);
}

// The sentences of one source file, comments skipped. Malformed lines, a missing premise
// comment on the first line and a speaker on some lines only are problems.
QList<Sentence> readSentences(int book, int lesson, QStringList* problems) {
    QList<Sentence> sentences;
    const QString path = sentenceFile(book, lesson);
    const QStringList lines = readLines(path);
    if (!lines.value(0).startsWith(QLatin1String("# ")))
        problems->append(path + QStringLiteral(": the first line is not the premise comment"));
    QSet<QString> speakers;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("%1:%2").arg(path).arg(i + 1);
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 2 || fields.size() > 3 || fields[0].isEmpty() || fields[1].isEmpty() ||
            (fields.size() == 3 && fields[2] != QLatin1String("A") && fields[2] != QLatin1String("B"))) {
            problems->append(where + QStringLiteral(": not English<TAB>Chinese[<TAB>A|B]"));
            continue;
        }
        for (const QString& field : fields)
            if (field.trimmed() != field)
                problems->append(where + QStringLiteral(": blank at the end of a field"));
        if (!isPrintableAscii(fields[0]))
            problems->append(where + QStringLiteral(": English is not plain ASCII"));
        if (!encodableInGbk(fields[1]))
            problems->append(where + QStringLiteral(": Chinese not representable in GBK"));
        static const QRegularExpression asciiPunctuation(QStringLiteral("[,.?!;:]"));
        if (fields[1].contains(asciiPunctuation))
            problems->append(where + QStringLiteral(": ASCII punctuation in the Chinese text"));
        sentences.append({fields[0], fields[1], fields.value(2)});
        speakers.insert(fields.value(2));
    }
    // A narrative has no speakers; a dialogue has two on every line.
    if (speakers != QSet<QString>{QString()} && speakers != QSet<QString>{"A", "B"})
        problems->append(path + QStringLiteral(": speakers A and B on every line, or on none"));
    return sentences;
}

// The lessons that have a text file, in course order; files outside the catalogue are problems.
QList<LessonId> lessonsWithText(QStringList* problems) {
    QList<LessonId> lessons;
    static const QRegularExpression name(QStringLiteral("^lesson([1-9][0-9]*)\\.tsv$"));
    for (const auto& [book, rules] : kCatalogue) {
        const QDir dir(QStringLiteral("%1/content/sentences/book%2").arg(sourceDir()).arg(book));
        for (const QString& file : dir.entryList(QDir::Files)) {
            const QRegularExpressionMatch m = name.match(file);
            const int lesson = m.captured(1).toInt();
            if (!m.hasMatch() || lesson > rules.lessons)
                problems->append(dir.filePath(file) + QStringLiteral(": not a lesson of the catalogue"));
            else
                lessons.append({book, lesson});
        }
    }
    std::sort(lessons.begin(), lessons.end());
    return lessons;
}

int wordCount(const QString& english) {
    return int(english.split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
}

struct Word {
    int lesson;
    QString word;
    QString gloss;
};

QList<Word> readWords(int book, QStringList* problems) {
    QList<Word> words;
    const QString path = QStringLiteral("%1/content/words/book%2.tsv").arg(sourceDir()).arg(book);
    const QStringList lines = readLines(path);
    // Part of speech, an optional second one ("a.& n."), then a Chinese gloss.
    static const QRegularExpression gloss(
        QStringLiteral("^(n|v|a|ad|pron|prep|conj|int|num|aux)\\.(& ?(n|v|a|ad)\\.)?[^ .\\x00-\\x1f]"));
    static const QRegularExpression cjk(QStringLiteral("\\p{Han}"));
    int previousLesson = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString where = QStringLiteral("%1:%2").arg(path).arg(i + 1);
        const QStringList fields = lines[i].split(QLatin1Char('\t'));
        bool numeric = false;
        const int lesson = fields.value(0).toInt(&numeric);
        if (fields.size() != 3 || !numeric || fields[1].isEmpty() || fields[2].isEmpty()) {
            problems->append(where + QStringLiteral(": not <lesson><TAB><word><TAB><gloss>"));
            continue;
        }
        const QString& word = fields[1];
        const QString& text = fields[2];
        if (lesson < previousLesson)
            problems->append(where + QStringLiteral(": not in lesson order"));
        previousLesson = lesson;
        if (word.trimmed() != word || text.trimmed() != text)
            problems->append(where + QStringLiteral(": blank at the end of a field"));
        if (!isPrintableAscii(word))
            problems->append(where + QStringLiteral(": word is not plain ASCII"));
        if (!gloss.match(text).hasMatch() || !text.contains(cjk))
            problems->append(where + QStringLiteral(": gloss not in the form pos.中文: ") + text);
        if (!encodableInGbk(text))
            problems->append(where + QStringLiteral(": gloss not representable in GBK"));
        // The word table's columns hold 50 characters.
        if (word.size() > 50 || text.size() > 50)
            problems->append(where + QStringLiteral(": longer than 50 characters"));
        words.append({lesson, word, text});
    }
    return words;
}

// A word and its simply inflected forms, lower case.
QStringList inflectedForms(const QString& word) {
    const QString w = word.toLower();
    QStringList forms{w, w + "s", w + "es", w + "ed", w + "d", w + "ing", w + "'s"};
    if (w.endsWith(QLatin1Char('y'))) {
        const QString stem = w.chopped(1);
        forms << stem + "ies" << stem + "ied";
    }
    if (w.endsWith(QLatin1Char('e')))
        forms << w.chopped(1) + "ing";
    forms << w + w.back() + "ed" << w + w.back() + "ing";
    return forms;
}

// Whether the word, or a simply inflected form of it, occurs in the text as a whole word.
bool occursInflected(const QString& word, const QString& text) {
    const QString lower = text.toLower();
    for (const QString& form : inflectedForms(word)) {
        const QRegularExpression re(
            QStringLiteral("(?<![a-z])%1(?![a-z])").arg(QRegularExpression::escape(form)));
        if (re.match(lower).hasMatch())
            return true;
    }
    return false;
}

// The text of many lessons, asked the same question as occursInflected() quickly: single
// words against the set of the text's letter runs, anything else against the text.
class CourseText {
public:
    void add(const QString& english) {
        const QString lower = english.toLower();
        static const QRegularExpression run(QStringLiteral("[a-z]+"));
        for (const QRegularExpressionMatch& m : run.globalMatch(lower))
            tokens_.insert(m.captured());
        text_ += lower + QLatin1Char('\n');
    }
    bool has(const QString& word) const {
        static const QRegularExpression letters(QStringLiteral("^[A-Za-z]+$"));
        if (!letters.match(word).hasMatch())
            return occursInflected(word, text_);
        const QStringList forms = inflectedForms(word);
        return std::any_of(forms.begin(), forms.end(), [&](const QString& f) { return tokens_.contains(f); });
    }

private:
    QSet<QString> tokens_;
    QString text_;
};

// A generated table: the header line, then rows.
QList<Row> readTable(const QString& name, const QString& header) {
    const QStringList lines = readLines(packDir() + QStringLiteral("/source/") + name);
    if (lines.isEmpty() || lines.first() != header) {
        qWarning("%s: missing or wrong header", qPrintable(name));
        return {};
    }
    QList<Row> rows;
    for (int i = 1; i < lines.size(); ++i)
        rows.append(lines[i].split(QLatin1Char('\t')));
    return rows;
}

// A stored time ("2.73", ".5", "36") in hundredths of a second, or -1 when it is not in that form.
int centiseconds(const QString& time) {
    static const QRegularExpression form(QStringLiteral("^([1-9][0-9]*)?(\\.([0-9]?[1-9]))?$"));
    const QRegularExpressionMatch m = form.match(time);
    if (time.isEmpty() || time == QLatin1String(".") || !m.hasMatch())
        return -1;
    const int whole = m.captured(1).toInt();
    QString frac = m.captured(3);
    while (frac.size() < 2)
        frac += QLatin1Char('0');
    return whole * 100 + frac.toInt();
}

// The number of samples an MP3 file decodes to when its encoder's gapless header is
// honoured (frames × 576 − encoder delay − padding), after checking that the frame
// count in the header agrees with the frames in the file. -1 when it is not such a file.
qint64 gaplessSamples(const QByteArray& mp3, QString* why) {
    const auto byte = [&](qsizetype i) { return quint8(mp3.at(i)); };
    const auto big32 = [&](qsizetype i) {
        return (quint32(byte(i)) << 24) | (quint32(byte(i + 1)) << 16) | (quint32(byte(i + 2)) << 8) |
               byte(i + 3);
    };
    // MPEG-2 layer III, 22.05 kHz: 576 samples a frame, 72 × bitrate / rate bytes.
    static const int kBitrates[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    qsizetype pos = 0;
    int frames = 0;
    while (pos + 4 <= mp3.size()) {
        if (byte(pos) != 0xff || (byte(pos + 1) & 0xfe) != 0xf2) {
            *why = QStringLiteral("no MPEG-2 layer III frame at byte %1").arg(pos);
            return -1;
        }
        const int bitrate = kBitrates[byte(pos + 2) >> 4];
        const int rateIndex = (byte(pos + 2) >> 2) & 3;
        if (bitrate == 0 || rateIndex != 0) {
            *why = QStringLiteral("unexpected bitrate or sampling rate at byte %1").arg(pos);
            return -1;
        }
        if ((byte(pos + 3) >> 6) != 3) {
            *why = QStringLiteral("not mono");
            return -1;
        }
        pos += 72 * bitrate * 1000 / kRate + ((byte(pos + 2) >> 1) & 1);
        ++frames;
    }
    // The first frame carries the "Info" header (mono MPEG-2: after 4 + 9 bytes) and the
    // encoder's delay and padding, 12 bits each, 21 bytes after "LAME".
    const qsizetype info = 4 + 9;
    if (mp3.mid(info, 4) != "Info" && mp3.mid(info, 4) != "Xing") {
        *why = QStringLiteral("no gapless header");
        return -1;
    }
    if (!(big32(info + 4) & 1)) {
        *why = QStringLiteral("gapless header without a frame count");
        return -1;
    }
    const qint64 counted = big32(info + 8);
    const qsizetype lame = mp3.indexOf("LAME", info);
    if (lame < 0 || lame > 400) {
        *why = QStringLiteral("no encoder tag");
        return -1;
    }
    if (counted != frames - 1) {
        *why = QStringLiteral("header counts %1 frames, the file has %2 after the header")
                   .arg(counted)
                   .arg(frames - 1);
        return -1;
    }
    const int delay = (byte(lame + 21) << 4) | (byte(lame + 22) >> 4);
    const int padding = ((byte(lame + 22) & 0x0f) << 8) | byte(lame + 23);
    return counted * 576 - delay - padding;
}

} // namespace

class TestPack : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(sourceDir() + QStringLiteral("/content")),
                 "LESNOR_SOURCE_DIR is not the project");
        QVERIFY2(QFile::exists(packDir() + QStringLiteral("/source/sentences.tsv")),
                 "LESNOR_BINARY_DIR holds no lesson pack");
    }

    // Every catalogue lesson has a text. Every lesson file: well formed, its sentence count and lengths
    // within its book's rules (book 1 from lesson 6 on).
    void sentenceSourcesFollowTheRules() {
        QStringList problems;
        const QList<LessonId> lessons = lessonsWithText(&problems);
        int catalogued = 0;
        for (const auto& [book, rules] : kCatalogue)
            catalogued += rules.lessons;
        QCOMPARE(lessons.size(), catalogued);
        for (const LessonId& l : lessons) {
            const BookRules& rules = kCatalogue.at(l.book);
            const QList<Sentence> sentences = readSentences(l.book, l.lesson, &problems);
            const QString lesson = QStringLiteral("book %1 lesson %2: ").arg(l.book).arg(l.lesson);
            const bool ruled = ruledLesson(l.book, l.lesson);
            const int n = int(sentences.size());
            if (ruled ? n < rules.minSentences || n > rules.maxSentences : n < 7 || n > 20)
                problems.append(lesson + QStringLiteral("%1 sentences").arg(n));
            int shortOnes = 0;
            int textWords = 0;
            for (const Sentence& s : sentences) {
                const int words = wordCount(s.english);
                textWords += words;
                shortOnes += words <= rules.shortWords;
                if (words > rules.maxWords)
                    problems.append(lesson + QStringLiteral("%1 words in: %2").arg(words).arg(s.english));
            }
            if (textWords < rules.leastTextWords || textWords > rules.mostTextWords)
                problems.append(lesson + QStringLiteral("%1 words in its text").arg(textWords));
            if (ruled && shortOnes < rules.shortShare * n)
                problems.append(lesson + QStringLiteral("only %1 of %2 sentences have at most %3 words")
                                             .arg(shortOnes)
                                             .arg(n)
                                             .arg(rules.shortWords));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // A sentence of one lesson may come back in another only when content/repeated-sentences.txt
    // allows it (greetings and the like); blanks and case do not make a sentence new.
    void noSentenceRepeatsAcrossLessons() {
        QSet<QString> allowed;
        for (const QString& line : readLines(sourceDir() + QStringLiteral("/content/repeated-sentences.txt")))
            if (!line.startsWith(QLatin1Char('#')) && !line.isEmpty())
                allowed.insert(line.simplified().toLower());
        QStringList problems;
        std::map<QString, QString> firstSeen;
        for (const LessonId& l : lessonsWithText(&problems)) {
            const QString lesson = QStringLiteral("book %1 lesson %2").arg(l.book).arg(l.lesson);
            for (const Sentence& s : readSentences(l.book, l.lesson, &problems)) {
                const QString key = s.english.simplified().toLower();
                const auto [it, inserted] = firstSeen.emplace(key, lesson);
                if (!inserted && it->second != lesson && !allowed.contains(key))
                    problems.append(lesson + QStringLiteral(" repeats \"%1\" of ").arg(s.english) +
                                    it->second);
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Dialogue lines are said in the voice that fits whom they address (kAddressed), and a
    // title is written the British way, without a full stop ("Mr Webb").
    void voicesFitWhomTheyAddress() {
        struct Case {
            const char* english;
            const char* speaker;
        };
        const Case cases[] = {
            {"Mum, can we keep the kitten?", "B"},    {"Yes, Grandpa. I have a lesson.", "A"},
            {"Is that your dog, Mrs Green?", "B"},    {"Yes! Mum! I'm here!", "B"},
            {"Thank you, sir, and you, madam.", "?"}, {"Miss Lane. She's very patient.", ""},
            {"That's Mr Fox, my teacher!", ""},       {"Mummy's home, Sam.", ""}};
        for (const Case& c : cases)
            QCOMPARE(addressingSpeaker(QString::fromLatin1(c.english)), QString::fromLatin1(c.speaker));
        QStringList problems;
        const QRegularExpression title(QStringLiteral("\\b(Mr|Mrs|Ms|Dr)\\."));
        for (const LessonId& l : lessonsWithText(&problems))
            for (const Sentence& s : readSentences(l.book, l.lesson, &problems)) {
                const QString needed = addressingSpeaker(s.english);
                const QString lesson = QStringLiteral("book %1 lesson %2: ").arg(l.book).arg(l.lesson);
                if (!needed.isEmpty() && !s.speaker.isEmpty() && needed != s.speaker)
                    problems.append(lesson + QStringLiteral("%1 says \"%2\"").arg(s.speaker, s.english));
                if (title.match(s.english).hasMatch())
                    problems.append(lesson + QStringLiteral("a title with a full stop: ") + s.english);
            }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Content the lesson window's behaviour is checked against: a repeated sentence stored
    // with a doubled blank, the first and last sentence of the first lesson, a long line.
    void sentenceSourcesHoldTheAwkwardCases() {
        QStringList problems;
        const QList<Sentence> first = readSentences(1, 1, &problems);
        QVERIFY(!first.isEmpty());
        QCOMPARE(first.first().english, QStringLiteral("Excuse me!"));
        QCOMPARE(first.first().chinese, QStringLiteral("对不起"));
        QCOMPARE(first.last().english, QStringLiteral("Thank you very much."));
        QCOMPARE(first.last().chinese, QStringLiteral("非常感谢！"));
        const auto count = [](const QList<Sentence>& list, const QString& english) {
            return std::count_if(list.begin(), list.end(),
                                 [&](const Sentence& s) { return s.english == english; });
        };
        QCOMPARE(count(first, QStringLiteral("Is this your handbag?")), 1);
        QCOMPARE(count(first, QStringLiteral("Is this your  handbag?")), 1);
        const QList<Sentence> third = readSentences(1, 3, &problems);
        QCOMPARE(count(third, QStringLiteral("Nice to meet you.")), 4);
        QCOMPARE(count(third, QStringLiteral("Nice to meet  you.")), 1);

        // A line long enough to wrap in the lesson text, in the last book.
        bool longSentence = false;
        for (int lesson = 1; lesson <= 5; ++lesson)
            for (const Sentence& s : readSentences(4, lesson, &problems))
                longSentence = longSentence || s.english.size() > 150;
        QVERIFY(longSentence);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Each lesson's word list holds its new words: 8 to 16 (book 1 lesson 4 none; fewer
    // where content/short-word-lists.txt says the text has no more), each in its lesson's
    // text, in no earlier lesson's list and (but for book 1's first lessons) in the text
    // of no earlier lesson of the course.
    void wordListsHoldNewWords() {
        QStringList problems;
        QSet<QString> shortLists;
        for (const QString& line : readLines(sourceDir() + QStringLiteral("/content/short-word-lists.txt")))
            if (!line.startsWith(QLatin1Char('#')) && !line.isEmpty())
                shortLists.insert(line.simplified().section(QLatin1Char(' '), 0, 1));
        std::map<LessonId, QList<Word>> lists;
        for (const auto& [book, rules] : kCatalogue)
            for (const Word& w : readWords(book, &problems)) {
                if (w.lesson < 1 || w.lesson > rules.lessons)
                    problems.append(QStringLiteral("book %1: %2 in lesson %3, outside the catalogue")
                                        .arg(book)
                                        .arg(w.word)
                                        .arg(w.lesson));
                lists[{book, w.lesson}].append(w);
            }
        CourseText earlier;
        QSet<QString> taught;
        for (const LessonId& l : lessonsWithText(&problems)) {
            const QString lesson = QStringLiteral("book %1 lesson %2: ").arg(l.book).arg(l.lesson);
            const QList<Sentence> sentences = readSentences(l.book, l.lesson, &problems);
            CourseText own;
            for (const Sentence& s : sentences)
                own.add(s.english);
            const QList<Word>& words = lists[l];
            const bool wordless = l.book == 1 && l.lesson == 4;
            const int least = shortLists.contains(QStringLiteral("%1 %2").arg(l.book).arg(l.lesson))
                                  ? kFewestWords
                                  : kMinWords;
            if (wordless ? !words.isEmpty() : words.size() < least || words.size() > kMaxWords)
                problems.append(lesson + QStringLiteral("%1 words").arg(words.size()));
            QSet<QString> listed;
            for (const Word& w : words) {
                if (!own.has(w.word))
                    problems.append(lesson + w.word + QStringLiteral(" is not in the text"));
                if (ruledLesson(l.book, l.lesson) && earlier.has(w.word))
                    problems.append(lesson + w.word + QStringLiteral(" is in an earlier lesson"));
                if (listed.contains(w.word.toLower()) || taught.contains(w.word.toLower()))
                    problems.append(lesson + w.word + QStringLiteral(" is listed twice"));
                listed.insert(w.word.toLower());
            }
            for (const Sentence& s : sentences)
                earlier.add(s.english);
            taught += listed;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The course's level, dialogues, recycling and spelling meet kMeasures and kUsSpellings.
    void courseKeepsItsMeasures() {
        QStringList problems;
        std::map<int, QList<Word>> words;
        for (const BookMeasures& m : kMeasures)
            for (const Word& w : readWords(m.book, &problems))
                words[m.book].append(w);
        struct Read {
            LessonId id;
            QList<Sentence> sentences;
            CourseText text;
        };
        QList<Read> course;
        for (const LessonId& l : lessonsWithText(&problems)) {
            Read r{l, readSentences(l.book, l.lesson, &problems), {}};
            for (const Sentence& s : r.sentences)
                r.text.add(s.english);
            for (const auto& [us, british] : kUsSpellings)
                if (r.text.has(QString::fromLatin1(us)))
                    problems.append(QStringLiteral("book %1 lesson %2: \"%3\" where the course writes \"%4\"")
                                        .arg(l.book)
                                        .arg(l.lesson)
                                        .arg(QString::fromLatin1(us), QString::fromLatin1(british)));
            course.append(std::move(r));
        }
        double previousLevel = 0;
        for (const BookMeasures& m : kMeasures) {
            int dialogues = 0;
            double recycled = 0;
            int recycledLessons = 0;
            std::map<int, std::pair<int, int>> tens; // first lesson of ten: words, sentences
            for (qsizetype i = 0; i < course.size(); ++i) {
                const Read& r = course[i];
                if (r.id.book != m.book)
                    continue;
                dialogues += !r.sentences.isEmpty() && !r.sentences.first().speaker.isEmpty();
                auto& [wordsOfTen, sentencesOfTen] = tens[(r.id.lesson - 1) / 10 * 10 + 1];
                for (const Sentence& s : r.sentences)
                    wordsOfTen += wordCount(s.english);
                sentencesOfTen += int(r.sentences.size());
                QList<Word> listed;
                for (const Word& w : words[m.book])
                    if (w.lesson == r.id.lesson)
                        listed.append(w);
                if (listed.isEmpty() || i + kRecycleWindow >= course.size())
                    continue;
                const auto comesBack = [&](const Word& w) {
                    return std::any_of(course.begin() + i + 1, course.begin() + i + 1 + kRecycleWindow,
                                       [&](const Read& later) { return later.text.has(w.word); });
                };
                recycled += double(std::count_if(listed.begin(), listed.end(), comesBack)) / listed.size();
                ++recycledLessons;
            }
            const QString book = QStringLiteral("book %1: ").arg(m.book);
            const int lastTen = tens.empty() ? 0 : tens.rbegin()->first;
            for (const auto& [first, count] : tens) {
                const double level = double(count.first) / count.second;
                const double least =
                    m.climbs && first > 1 ? std::max(m.leastLevel, previousLevel) : m.leastLevel;
                if (level < least || level > m.mostLevel || level < previousLevel - kLevelFall ||
                    (m.climbs && first == lastTen && level < m.endLevel))
                    problems.append(book + QStringLiteral("lessons %1-%2: %3 words a sentence")
                                               .arg(first)
                                               .arg(first + 9)
                                               .arg(level, 0, 'f', 1));
                previousLevel = level;
            }
            if (dialogues < m.dialogues)
                problems.append(book + QStringLiteral("%1 dialogues").arg(dialogues));
            if (recycledLessons == 0 || recycled / recycledLessons < m.recycled)
                problems.append(book + QStringLiteral("%1 of the listed words come back")
                                           .arg(recycledLessons ? recycled / recycledLessons : 0, 0, 'f', 2));
            if (words[m.book].size() < m.listed)
                problems.append(book + QStringLiteral("%1 words listed").arg(words[m.book].size()));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void newWordsAreFoundAsWholeWords() {
        struct Case {
            const char* word;
            const char* text;
            bool found;
        };
        const Case cases[] = {
            {"bury", "I imagined buried treasure.", true},
            {"wrap", "Inside, wrapped in an oilcloth", true},
            {"thank you", "Thank you very much.", true},
            {"Mr.", "Good morning, Mr. Hall.", true},
            {"grandfather", "in my grandfather's handwriting", true},
            {"hand", "Is this your handbag?", false},
            {"me", "Nice to meet you.", false},
            {"drawn", "a hand-drawn map", true},
        };
        for (const Case& c : cases) {
            CourseText text;
            text.add(QString::fromLatin1(c.text));
            QVERIFY2(occursInflected(QString::fromLatin1(c.word), QString::fromLatin1(c.text)) == c.found,
                     c.word);
            QVERIFY2(text.has(QString::fromLatin1(c.word)) == c.found, c.word);
        }
    }

    // The timed table holds the source texts unchanged (doubled blanks too), in book,
    // lesson and line order; every lesson with a text has its recording.
    void generatedTablesEqualTheSources() {
        const QList<Row> rows = readTable(QStringLiteral("sentences.tsv"),
                                          QStringLiteral("book\tlesson\tenglish\tchinese\tstart\tend"));
        const QList<Row> durations = readTable(QStringLiteral("durations.tsv"),
                                               QStringLiteral("book\tlesson\tfile\tsamples\tseconds"));
        QList<Row> expected;
        QList<Row> expectedRecordings;
        QStringList problems;
        for (const LessonId& l : lessonsWithText(&problems)) {
            const QString lesson = QStringLiteral("Lesson %1").arg(l.lesson);
            for (const Sentence& s : readSentences(l.book, l.lesson, &problems))
                expected.append({QString::number(l.book), lesson, s.english, s.chinese});
            expectedRecordings.append(
                {QString::number(l.book), lesson,
                 QStringLiteral("QLX%1%2%3.dat")
                     .arg(QString::number(l.book), QStringLiteral("0"), QString::number(l.lesson))});
        }
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].size(), 6);
            QCOMPARE(rows[i].mid(0, 4), expected[i]);
        }
        QCOMPARE(durations.size(), expectedRecordings.size());
        for (int i = 0; i < durations.size(); ++i)
            QCOMPARE(durations[i].mid(0, 3), expectedRecordings[i]);

        const QList<Row> words =
            readTable(QStringLiteral("words.tsv"), QStringLiteral("book\tlesson\tword\tgloss"));
        QList<Row> expectedWords;
        for (const auto& [book, rules] : kCatalogue)
            for (const Word& w : readWords(book, &problems))
                expectedWords.append(
                    {QString::number(book), QStringLiteral("Lesson %1").arg(w.lesson), w.word, w.gloss});
        QCOMPARE(words, expectedWords);
    }

    // Each lesson's times: the first sentence after the lead-in, each start 0.30 s after
    // its predecessor's end, the last end empty, all inside the recording.
    void timesFollowTheRecordings() {
        const QList<Row> rows = readTable(QStringLiteral("sentences.tsv"),
                                          QStringLiteral("book\tlesson\tenglish\tchinese\tstart\tend"));
        const QList<Row> durations = readTable(QStringLiteral("durations.tsv"),
                                               QStringLiteral("book\tlesson\tfile\tsamples\tseconds"));
        QStringList problems;
        for (const Row& d : durations) {
            const QString lesson = d[0] + QLatin1Char(' ') + d[1];
            const qint64 samples = d[3].toLongLong();
            // Hundredths of a second, rounded down: a time may not pass the last sample.
            const int length = int(samples * 100 / kRate);
            QList<Row> own;
            for (const Row& r : rows)
                if (r[0] == d[0] && r[1] == d[1])
                    own.append(r);
            if (own.isEmpty())
                problems.append(lesson + QStringLiteral(": no sentences"));
            for (int i = 0; i < own.size(); ++i) {
                const int start = centiseconds(own[i][4]);
                const bool last = i + 1 == own.size();
                const int end = last ? length : centiseconds(own[i][5]);
                const QString where =
                    QStringLiteral("%1 sentence %2 (%3-%4)").arg(lesson).arg(i).arg(own[i][4], own[i][5]);
                if (start < 0 || end < 0)
                    problems.append(where + QStringLiteral(": time not in the stored form"));
                else if (!(start < end && end <= length))
                    problems.append(where + QStringLiteral(": outside the recording of ") + d[4] +
                                    QStringLiteral(" s"));
                if (last && !own[i][5].isEmpty())
                    problems.append(where + QStringLiteral(": last sentence has an end time"));
                if (i == 0 && own[i][4] != QLatin1String(".5"))
                    problems.append(where + QStringLiteral(": first sentence does not start at .5"));
                if (i > 0 && start != centiseconds(own[i - 1][5]) + 30)
                    problems.append(where + QStringLiteral(": does not start 0.30 s after its predecessor"));
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The two voices sound equally loud: each sentence's loudness, measured on the samples
    // that went into its recording, is the common one.
    void sentencesAreEquallyLoud() {
        const QList<Row> rows = readTable(QStringLiteral("sentences.tsv"),
                                          QStringLiteral("book\tlesson\tenglish\tchinese\tstart\tend"));
        const QList<Row> levels = readTable(QStringLiteral("loudness.tsv"),
                                            QStringLiteral("book\tlesson\tline\tspeaker\tloudness"));
        QCOMPARE(levels.size(), rows.size());
        QStringList problems;
        double least = 1000, most = -1000, sum = 0;
        for (int i = 0; i < levels.size(); ++i) {
            const Row& l = levels[i];
            bool measured = false;
            const double lufs = l.value(4).toDouble(&measured);
            if (l.mid(0, 2) != rows[i].mid(0, 2) || !measured)
                problems.append(l.join(QLatin1Char(' ')) + QStringLiteral(": ") + rows[i].value(2));
            least = std::min(least, lufs);
            most = std::max(most, lufs);
            sum += lufs;
        }
        const double mean = sum / std::max<qsizetype>(1, levels.size());
        if (most - least > kLoudnessSpread || qAbs(mean - kLoudness) > kLoudnessSpread / 2)
            problems.append(
                QStringLiteral("loudness from %1 to %2 LUFS, mean %3").arg(least).arg(most).arg(mean));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void storedTimeForm() {
        QCOMPARE(centiseconds(QStringLiteral(".5")), 50);
        QCOMPARE(centiseconds(QStringLiteral(".05")), 5);
        QCOMPARE(centiseconds(QStringLiteral("109.31")), 10931);
        QCOMPARE(centiseconds(QStringLiteral("36")), 3600);
        for (const char* bad : {"0.5", ".50", "2.730", "", ".", "1.", " 2", "2.5 "})
            QVERIFY2(centiseconds(QString::fromLatin1(bad)) < 0, bad);
    }

    // Every recording decodes (gaplessly) to exactly the samples the times were computed
    // from; the folder beside the executable holds exactly the pack's recordings.
    void recordingsMatchTheirTimes() {
        const QList<Row> durations = readTable(QStringLiteral("durations.tsv"),
                                               QStringLiteral("book\tlesson\tfile\tsamples\tseconds"));
        const QDir beside(qEnvironmentVariable("LESNOR_BINARY_DIR") + QLatin1Char('/') + audioFolderName());
        QStringList names;
        for (const Row& d : durations)
            names.append(d[2]);
        names.sort();
        QCOMPARE(beside.entryList(QDir::Files, QDir::Name), names);
        for (const Row& d : durations) {
            QFile file(beside.filePath(d[2]));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(d[2]));
            QString why;
            QCOMPARE(gaplessSamples(file.readAll(), &why), d[3].toLongLong());
            QVERIFY2(why.isEmpty(), qPrintable(d[2] + QStringLiteral(": ") + why));
        }
    }

    // The build script on a small pack of its own: comments skipped, blanks inside a
    // sentence kept, a dialogue's two voices, exact times; a lesson whose file is gone
    // loses its recording; a malformed file stops it with the file (and line) named.
    void buildScriptOnASmallPack() {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString content = temp.filePath(QStringLiteral("content"));
        const QString dialogue = content + QStringLiteral("/sentences/book2/lesson10.tsv");
        const QString narrative = content + QStringLiteral("/sentences/book2/lesson11.tsv");
        QVERIFY(QDir().mkpath(content + QStringLiteral("/sentences/book2")));
        QVERIFY(QDir().mkpath(content + QStringLiteral("/words")));
        const auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        QVERIFY(write(dialogue, "# a comment\nGood  morning!\t早上好！\tA\nYes.\t是的。\tB\n"));
        QVERIFY(write(narrative, "# a story\nIt rained.\t下雨了。\n"));
        QVERIFY(write(content + QStringLiteral("/words/book2.tsv"), "10\tmorning\tn.早晨\n"));
        const QString out = temp.filePath(QStringLiteral("out"));
        const auto run = [&](QProcess& p) {
            p.start(QStringLiteral("bash"),
                    {sourceDir() + QStringLiteral("/tools/build-pack.sh"), content, out});
            return p.waitForFinished(120000);
        };
        QProcess ok;
        QVERIFY(run(ok));
        QVERIFY2(ok.exitCode() == 0, ok.readAllStandardError().constData());
        const QStringList rows = readLines(out + QStringLiteral("/source/sentences.tsv"));
        QCOMPARE(rows.size(), 4);
        const QStringList first = rows[1].split(QLatin1Char('\t'));
        const QStringList second = rows[2].split(QLatin1Char('\t'));
        QCOMPARE(first.mid(0, 5), (QStringList{"2", "Lesson 10", "Good  morning!", "早上好！", ".5"}));
        QCOMPARE(second.mid(0, 4), (QStringList{"2", "Lesson 10", "Yes.", "是的。"}));
        QCOMPARE(centiseconds(second[4]), centiseconds(first[5]) + 30);
        QCOMPARE(second[5], QString());
        QCOMPARE(rows[3].split(QLatin1Char('\t')).mid(0, 5),
                 (QStringList{"2", "Lesson 11", "It rained.", "下雨了。", ".5"}));
        const QString audio = out + QLatin1Char('/') + audioFolderName();
        QCOMPARE(QDir(audio).entryList(QDir::Files), (QStringList{"QLX2010.dat", "QLX2011.dat"}));
        QCOMPARE(readLines(out + QStringLiteral("/source/loudness.tsv")).size(), 4);
        QCOMPARE(readLines(out + QStringLiteral("/source/words.tsv")).value(1),
                 QStringLiteral("2\tLesson 10\tmorning\tn.早晨"));

        QVERIFY(QFile::remove(narrative));
        QProcess again;
        QVERIFY(run(again));
        QVERIFY2(again.exitCode() == 0, again.readAllStandardError().constData());
        QCOMPARE(QDir(audio).entryList(QDir::Files), QStringList{"QLX2010.dat"});
        QCOMPARE(readLines(out + QStringLiteral("/source/durations.tsv")).size(), 2);

        const struct {
            const char* text;
            const char* named;
        } malformed[] = {
            {"Good morning!\n", "lesson10.tsv:1"},
            {"# x\nHi.\t嗨。\tC\n", "lesson10.tsv:2"},
            {"Hi.\t嗨。\tA\nYes.\t是。\n", "lesson10.tsv: a speaker on some lines only"},
        };
        for (const auto& m : malformed) {
            QVERIFY(write(dialogue, m.text));
            QProcess bad;
            QVERIFY(run(bad));
            QVERIFY2(bad.exitCode() != 0, m.text);
            QVERIFY2(bad.readAllStandardError().contains(m.named), m.named);
        }
    }
};

QTEST_APPLESS_MAIN(TestPack)
#include "tst_pack.moc"
