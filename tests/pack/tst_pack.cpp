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

// Lessons per book, as in the catalogue tree.
const std::map<int, int> kCatalogue{{1, 72}, {2, 96}, {3, 60}, {4, 48}};
constexpr int kSentenceLessons = 5;
constexpr int kRate = 22050;

struct Sentence {
    QString english;
    QString chinese;
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

// The sentences of one source file, comments skipped; malformed lines give a failure.
QList<Sentence> readSentences(int book, int lesson, QStringList* problems) {
    QList<Sentence> sentences;
    const QString path = sentenceFile(book, lesson);
    const QStringList lines = readLines(path);
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("%1:%2").arg(path).arg(i + 1);
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 2 || fields[0].isEmpty() || fields[1].isEmpty()) {
            problems->append(where + QStringLiteral(": not English<TAB>Chinese"));
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
        sentences.append({fields[0], fields[1]});
    }
    return sentences;
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

// Whether the word, or a simply inflected form of it, occurs in the text as a whole word.
bool occursInflected(const QString& word, const QString& text) {
    const QString w = word.toLower();
    QStringList forms{w, w + "s", w + "es", w + "ed", w + "d", w + "ing", w + "'s"};
    if (w.endsWith(QLatin1Char('y'))) {
        const QString stem = w.chopped(1);
        forms << stem + "ies" << stem + "ied";
    }
    if (w.endsWith(QLatin1Char('e')))
        forms << w.chopped(1) + "ing";
    forms << w + w.back() + "ed" << w + w.back() + "ing";
    for (const QString& form : std::as_const(forms)) {
        const QRegularExpression re(
            QStringLiteral("(?<![a-z])%1(?![a-z])").arg(QRegularExpression::escape(form)));
        if (re.match(text.toLower()).hasMatch())
            return true;
    }
    return false;
}

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

    void sentenceSourcesAreWellFormed() {
        QStringList problems;
        for (const auto& [book, lessons] : kCatalogue) {
            for (int lesson = 1; lesson <= kSentenceLessons; ++lesson) {
                const QList<Sentence> sentences = readSentences(book, lesson, &problems);
                if (sentences.size() < 7 || sentences.size() > 20)
                    problems.append(QStringLiteral("book %1 lesson %2: %3 sentences")
                                        .arg(book)
                                        .arg(lesson)
                                        .arg(sentences.size()));
            }
            // Only lessons 1 to 5 have texts.
            const QStringList files =
                QDir(QStringLiteral("%1/content/sentences/book%2").arg(sourceDir()).arg(book))
                    .entryList(QDir::Files);
            QCOMPARE(files.size(), kSentenceLessons);
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
        for (int lesson = 1; lesson <= kSentenceLessons; ++lesson)
            for (const Sentence& s : readSentences(4, lesson, &problems))
                longSentence = longSentence || s.english.size() > 150;
        QVERIFY(longSentence);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void everyCatalogueLessonHasItsWords() {
        QStringList problems;
        for (const auto& [book, lessons] : kCatalogue) {
            std::map<int, int> perLesson;
            QSet<QString> seen;
            for (const Word& w : readWords(book, &problems)) {
                ++perLesson[w.lesson];
                if (w.lesson < 1 || w.lesson > lessons)
                    problems.append(QStringLiteral("book %1: word %2 in lesson %3, outside the catalogue")
                                        .arg(book)
                                        .arg(w.word)
                                        .arg(w.lesson));
                if (seen.contains(w.word.toLower()))
                    problems.append(QStringLiteral("book %1: %2 listed twice").arg(book).arg(w.word));
                seen.insert(w.word.toLower());
            }
            for (int lesson = 1; lesson <= lessons; ++lesson) {
                const int n = perLesson.count(lesson) ? perLesson[lesson] : 0;
                const bool wordless = book == 1 && lesson == 4;
                if (wordless ? n != 0 : (n < 10 || n > 14))
                    problems.append(
                        QStringLiteral("book %1 lesson %2: %3 words").arg(book).arg(lesson).arg(n));
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void wordsOfTheTextLessonsOccurInTheirSentences() {
        QStringList problems;
        for (const auto& [book, lessons] : kCatalogue) {
            std::map<int, QString> texts;
            for (int lesson = 1; lesson <= kSentenceLessons; ++lesson)
                for (const Sentence& s : readSentences(book, lesson, &problems))
                    texts[lesson] += s.english + QLatin1Char('\n');
            for (const Word& w : readWords(book, &problems))
                if (w.lesson <= kSentenceLessons && !occursInflected(w.word, texts[w.lesson]))
                    problems.append(QStringLiteral("book %1 lesson %2: %3 is not in the text")
                                        .arg(book)
                                        .arg(w.lesson)
                                        .arg(w.word));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void inflectedFormsAreFoundAsWholeWords() {
        QVERIFY(occursInflected(QStringLiteral("bury"), QStringLiteral("I imagined buried treasure.")));
        QVERIFY(occursInflected(QStringLiteral("wrap"), QStringLiteral("Inside, wrapped in an oilcloth")));
        QVERIFY(occursInflected(QStringLiteral("thank you"), QStringLiteral("Thank you very much.")));
        QVERIFY(occursInflected(QStringLiteral("Mr."), QStringLiteral("Good morning, Mr. Hall.")));
        QVERIFY(!occursInflected(QStringLiteral("hand"), QStringLiteral("Is this your handbag?")));
        QVERIFY(!occursInflected(QStringLiteral("me"), QStringLiteral("Nice to meet you.")));
    }

    // The timed table holds the source texts unchanged (doubled blanks too), in book,
    // lesson and line order.
    void generatedSentencesEqualTheSources() {
        const QList<Row> rows = readTable(QStringLiteral("sentences.tsv"),
                                          QStringLiteral("book\tlesson\tenglish\tchinese\tstart\tend"));
        QList<Row> expected;
        QStringList problems;
        for (const auto& [book, lessons] : kCatalogue)
            for (int lesson = 1; lesson <= kSentenceLessons; ++lesson)
                for (const Sentence& s : readSentences(book, lesson, &problems))
                    expected.append({QString::number(book), QStringLiteral("Lesson %1").arg(lesson),
                                     s.english, s.chinese});
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].size(), 6);
            QCOMPARE(rows[i].mid(0, 4), expected[i]);
        }
    }

    void generatedWordsEqualTheSources() {
        const QList<Row> rows =
            readTable(QStringLiteral("words.tsv"), QStringLiteral("book\tlesson\tword\tgloss"));
        QList<Row> expected;
        QStringList problems;
        for (const auto& [book, lessons] : kCatalogue)
            for (const Word& w : readWords(book, &problems))
                expected.append(
                    {QString::number(book), QStringLiteral("Lesson %1").arg(w.lesson), w.word, w.gloss});
        QCOMPARE(rows, expected);
    }

    // Each lesson's times: the first sentence after the lead-in, each start 0.30 s after
    // its predecessor's end, the last end empty, all inside the recording.
    void timesFollowTheRecordings() {
        const QList<Row> rows = readTable(QStringLiteral("sentences.tsv"),
                                          QStringLiteral("book\tlesson\tenglish\tchinese\tstart\tend"));
        const QList<Row> durations = readTable(QStringLiteral("durations.tsv"),
                                               QStringLiteral("book\tlesson\tfile\tsamples\tseconds"));
        QCOMPARE(durations.size(), int(kCatalogue.size()) * kSentenceLessons);
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

    void storedTimeForm() {
        QCOMPARE(centiseconds(QStringLiteral(".5")), 50);
        QCOMPARE(centiseconds(QStringLiteral(".05")), 5);
        QCOMPARE(centiseconds(QStringLiteral("109.31")), 10931);
        QCOMPARE(centiseconds(QStringLiteral("36")), 3600);
        for (const char* bad : {"0.5", ".50", "2.730", "", ".", "1.", " 2", "2.5 "})
            QVERIFY2(centiseconds(QString::fromLatin1(bad)) < 0, bad);
    }

    // Every recording decodes (gaplessly) to exactly the samples the times were computed
    // from, and the folder beside the executable holds the same files.
    void recordingsMatchTheirTimes() {
        const QList<Row> durations = readTable(QStringLiteral("durations.tsv"),
                                               QStringLiteral("book\tlesson\tfile\tsamples\tseconds"));
        const QDir pack(packDir() + QLatin1Char('/') + audioFolderName());
        const QDir beside(qEnvironmentVariable("LESNOR_BINARY_DIR") + QLatin1Char('/') + audioFolderName());
        QCOMPARE(pack.entryList(QDir::Files).size(), durations.size());
        QCOMPARE(beside.entryList(QDir::Files), pack.entryList(QDir::Files));
        for (const Row& d : durations) {
            QCOMPARE(d[2], QStringLiteral("QLX%1%2%3.dat").arg(d[0], QStringLiteral("0"), d[1].mid(7)));
            QFile file(pack.filePath(d[2]));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(d[2]));
            const QByteArray mp3 = file.readAll();
            QString why;
            QCOMPARE(gaplessSamples(mp3, &why), d[3].toLongLong());
            QVERIFY2(why.isEmpty(), qPrintable(d[2] + QStringLiteral(": ") + why));
            QFile copy(beside.filePath(d[2]));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QVERIFY(copy.readAll() == mp3);
        }
    }

    // The build script on a small pack of its own: comments skipped, blanks inside a
    // sentence kept, exact times; a malformed line stops it with the file and line named.
    void buildScriptOnASmallPack() {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString content = temp.filePath(QStringLiteral("content"));
        QVERIFY(QDir().mkpath(content + QStringLiteral("/sentences/book2")));
        QVERIFY(QDir().mkpath(content + QStringLiteral("/words")));
        const auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        QVERIFY(write(content + QStringLiteral("/sentences/book2/lesson10.tsv"),
                      "# a comment\nGood  morning!\t早上好！\nYes.\t是的。\n"));
        QVERIFY(write(content + QStringLiteral("/words/book2.tsv"), "10\tmorning\tn.早晨\n"));
        const auto run = [&](QProcess& p) {
            p.start(QStringLiteral("bash"), {sourceDir() + QStringLiteral("/tools/build-pack.sh"), content,
                                             temp.filePath(QStringLiteral("out"))});
            return p.waitForFinished(120000);
        };
        QProcess ok;
        QVERIFY(run(ok));
        QVERIFY2(ok.exitCode() == 0, ok.readAllStandardError().constData());
        const QStringList rows = readLines(temp.filePath(QStringLiteral("out/source/sentences.tsv")));
        QCOMPARE(rows.size(), 3);
        const QStringList first = rows[1].split(QLatin1Char('\t'));
        const QStringList second = rows[2].split(QLatin1Char('\t'));
        QCOMPARE(first.mid(0, 5), (QStringList{"2", "Lesson 10", "Good  morning!", "早上好！", ".5"}));
        QCOMPARE(second.mid(0, 4), (QStringList{"2", "Lesson 10", "Yes.", "是的。"}));
        QCOMPARE(centiseconds(second[4]), centiseconds(first[5]) + 30);
        QCOMPARE(second[5], QString());
        QVERIFY(QFile::exists(temp.filePath(QStringLiteral("out/") + audioFolderName() + "/QLX2010.dat")));
        QCOMPARE(readLines(temp.filePath(QStringLiteral("out/source/words.tsv"))).value(1),
                 QStringLiteral("2\tLesson 10\tmorning\tn.早晨"));

        QVERIFY(write(content + QStringLiteral("/sentences/book2/lesson10.tsv"), "Good morning!\n"));
        QProcess bad;
        QVERIFY(run(bad));
        QVERIFY(bad.exitCode() != 0);
        QVERIFY(bad.readAllStandardError().contains("lesson10.tsv:1"));
    }
};

QTEST_APPLESS_MAIN(TestPack)
#include "tst_pack.moc"
