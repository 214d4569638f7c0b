// The word under the pointer (both finders, the delimiter test, line text) and the
// pop-up's placement and fill arithmetic.
#include "dictionary/DictionaryFile.h"
#include "dictionary/WordFinder.h"
#include "widgets/PopupLayout.h"

#include <QTest>

using namespace lesnor;

class TestWordFinder : public QObject {
    Q_OBJECT

private slots:
    void richWordOver_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("word");
        const QString tea = QStringLiteral("I like tea.");
        QTest::newRow("first letter of the text") << tea << 0 << "I";
        QTest::newRow("blank") << tea << 1 << "";
        QTest::newRow("first letter of a word") << tea << 2 << "like";
        QTest::newRow("inside a word") << tea << 3 << "like";
        QTest::newRow("last letter") << tea << 5 << "like";
        QTest::newRow("blank after a word") << tea << 6 << "";
        QTest::newRow("last word before punctuation") << tea << 9 << "tea";
        QTest::newRow("punctuation") << tea << 10 << "";
        QTest::newRow("past the end") << tea << 11 << "";
        QTest::newRow("no character") << tea << -1 << "";
        QTest::newRow("apostrophe splits, left") << "don't" << 1 << "don";
        QTest::newRow("apostrophe splits, right") << "don't" << 4 << "t";
        QTest::newRow("hyphen splits") << "well-known" << 6 << "known";
        QTest::newRow("Chinese ends a word") << "tea茶" << 0 << "tea";
        QTest::newRow("digits and underscore") << "a_b2 c" << 2 << "a_b2";
        QTest::newRow("line breaks") << "one\ntwo" << 5 << "two";
        QTest::newRow("far into a long text") << QString(40000, u' ') + "deep" << 40001 << "deep";
    }
    void richWordOver() {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(QString, word);
        QCOMPARE(RichWordOver(text, index), word);
    }

    void getWord_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("word");
        const QString list = QStringLiteral("excuse /v.原谅\r\nthank you /谢谢\r\n");
        QTest::newRow("word list: English word") << list << 2 << "excuse";
        QTest::newRow("word list: its first letter") << list << 0 << "excuse";
        QTest::newRow("word list: slash and abbreviation") << list << 8 << "v";
        QTest::newRow("word list: Chinese meaning") << list << 11 << "原谅";
        QTest::newRow("word list: blank") << list << 6 << "";
        QTest::newRow("word list: line break") << list << 13 << "";
        QTest::newRow("word list: second line") << list << 17 << "thank";
        QTest::newRow("exclamation trimmed") << "Hello! I am" << 2 << "Hello";
        QTest::newRow("one letter") << "Hello! I am" << 7 << "I";
        QTest::newRow("apostrophe kept") << "I don't know." << 4 << "don't";
        QTest::newRow("quotes and brackets trimmed") << "said \"(yes);\"" << 8 << "yes";
        QTest::newRow("hyphen kept") << "a well-known man" << 3 << "well-known";
        QTest::newRow("only punctuation") << "wait !! now" << 5 << "";
        QTest::newRow("delimiters") << "a,b.c?d" << 2 << "b";
        QTest::newRow("character outside the code page delimits") << "ab😀cd" << 5 << "cd";
        QTest::newRow("out of range") << "abc" << 3 << "";
    }
    void getWord() {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(QString, word);
        QCOMPARE(GetWord(text, index), word);
    }

    // Only a line's English part: its part-of-speech mark and gloss look nothing up.
    void wordListWord() {
        const QString list = QStringLiteral("excuse /v.原谅\nthank you /谢谢\nyes /ad.是\nAnn");
        const struct {
            int index;
            const char* word;
        } cases[] = {{0, "excuse"}, {5, "excuse"}, {6, ""},     {7, ""},  {8, ""},     {11, ""},
                     {13, "thank"}, {14, "thank"}, {21, "you"}, {26, ""}, {28, "yes"}, {33, ""},
                     {36, ""},      {37, "Ann"},   {40, ""},    {-1, ""}};
        for (const auto& c : cases)
            QVERIFY2(WordListWord(list, c.index) == QString::fromUtf8(c.word),
                     qPrintable(QString::number(c.index)));
    }

    void isDelimiter() {
        QString delimiters;
        for (int b = 0; b < 256; ++b)
            if (IsDelimiter(char(b)))
                delimiters += QChar(b);
        QCOMPARE(delimiters, QStringLiteral("\n\r ,.?"));
    }

    void getLineText() {
        const QString text = QStringLiteral("first line\r\nsecond\n\nlast");
        QCOMPARE(GetLineText(text, 0), QStringLiteral("first line"));
        QCOMPARE(GetLineText(text, 1), QStringLiteral("second"));
        QCOMPARE(GetLineText(text, 2), QString());
        QCOMPARE(GetLineText(text, 3), QStringLiteral("last"));
        QCOMPARE(GetLineText(text, 4), QString());
        QCOMPARE(GetLineText(text, -1), QString());
    }

    void placement_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        // Box at (1000, 2000); window 12000 x 9000 twips.
        using S = PopupLayout::Source;
        QTest::newRow("lesson text, free") << int(S::LessonText) << 300.0 << 400.0 << 1450.0 << 2550.0;
        QTest::newRow("lesson text, right edge")
            << int(S::LessonText) << 9000.0 << 400.0 << 12000 - 2355 - 200.0 << 2550.0;
        QTest::newRow("lesson text, exactly at the limit")
            << int(S::LessonText) << 12000 - 2355 - 1150.0 << 400.0 << 12000 - 2355.0 << 2550.0;
        QTest::newRow("lesson text, never limited downward")
            << int(S::LessonText) << 0.0 << 9000.0 << 1150.0 << 11150.0;
        QTest::newRow("sentence box, right edge") << int(S::SentenceBox) << 9500.0 << 0.0 << 9445.0 << 2150.0;
        QTest::newRow("word list, low") << int(S::WordList) << 0.0 << 6000.0 << 1150.0 << 9000 - 1800.0;
        QTest::newRow("word list, exactly at the limit")
            << int(S::WordList) << 0.0 << 9000 - 1800 - 2150.0 << 1150.0 << 9000 - 1800.0;
        QTest::newRow("word list, never limited right")
            << int(S::WordList) << 12000.0 << 0.0 << 13150.0 << 2150.0;
    }
    void placement() {
        QFETCH(int, source);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, left);
        QFETCH(double, top);
        const TwipRect r =
            PopupLayout::place(PopupLayout::Source(source), {1000, 2000, 5000, 3000}, x, y, {12000, 9000});
        QCOMPARE(r, (TwipRect{left, top, 2355, 975}));
    }

    void fill() {
        const TwipRect placed{500, 7000, 2355, 975};
        DictionaryEntry entry{QStringLiteral("a"), QStringLiteral("ei/E"), QStringLiteral("art.一"),
                              QStringLiteral("ei, 2")};
        PopupLayout::Fill f = PopupLayout::fill(entry, placed, 600, 200, 9000);
        QCOMPARE(f.headword, QStringLiteral("a"));
        QCOMPARE(f.phonetic, QStringLiteral("ei, ə"));
        QCOMPARE(f.meaning, QStringLiteral("art.一"));
        QVERIFY(f.bracketsShown);
        QCOMPARE(f.closeBracketLeft, 165 + 600 + 20.0);
        QCOMPARE(f.popup, placed);
        QCOMPARE(f.meaningHeight, 420.0);

        entry.phonetic.clear();
        entry.phoneticField.clear();
        f = PopupLayout::fill(entry, placed, 0, 200, 9000);
        QVERIFY(!f.bracketsShown);

        // A long meaning grows the box downward and keeps it inside the container.
        f = PopupLayout::fill(entry, placed, 0, 1400, 9000);
        QCOMPARE(f.meaningHeight, 1400.0);
        QCOMPARE(f.popup, (TwipRect{500, 7000, 2355, 1955}));
        f = PopupLayout::fill(entry, placed, 0, 1400, 8000);
        QCOMPARE(f.popup.top, 8000 - 1955.0);
        f = PopupLayout::fill(entry, placed, 0, 99999, 2000);
        QCOMPARE(f.popup, (TwipRect{500, 0, 2355, PopupLayout::kMaxHeight}));
        QCOMPARE(f.meaningHeight, PopupLayout::kMaxHeight - 555);
    }
};

QTEST_APPLESS_MAIN(TestWordFinder)
#include "tst_word_finder.moc"
