// How stored times and sampled positions become numbers.
#include "lessons/LenientNumber.h"

#include <QtTest>

using namespace lesnor;

class TestLenientNumber : public QObject {
    Q_OBJECT
private slots:
    void parses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("time") << "2.43" << 2.43;
        QTest::newRow("no digit before the point") << ".5" << 0.5;
        QTest::newRow("point last") << "5." << 5.0;
        QTest::newRow("blanks anywhere") << " 2 .4\t3" << 2.43;
        QTest::newRow("line feeds anywhere") << "\n1\n2\n" << 12.0;
        QTest::newRow("signs") << "- 1.5" << -1.5;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("exponent") << "1E3" << 1000.0;
        QTest::newRow("small exponent") << "1e-2" << 0.01;
        QTest::newRow("exponent with blanks") << "1 E + 2" << 100.0;
        QTest::newRow("exponent without digits") << "7E+" << 7.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("letters end it") << "12abc" << 12.0;
        QTest::newRow("comma ends it") << "1,5" << 1.0;
        QTest::newRow("carriage return ends it") << "5\r7" << 5.0;
        // Texts that hold no number.
        QTest::newRow("word") << "abc" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("two signs") << "+-1" << 0.0;
        QTest::newRow("exponent only") << "E5" << 0.0;
        QTest::newRow("point and exponent") << ".e5" << 0.0;
        QTest::newRow("leading carriage return") << "\r5" << 0.0;
        QTest::newRow("full-width digit") << QStringLiteral("５") << 0.0;
        QTest::newRow("hexadecimal") << "0x10" << 0.0;
        QTest::newRow("infinity word") << "inf" << 0.0;
        QTest::newRow("beyond a double") << "1e400" << 0.0;
    }
    void parses() {
        QFETCH(QString, text);
        QFETCH(double, value);
        const double got = lenientNumber(text);
        QVERIFY2(got == value, qPrintable(QString::number(got, 'g', 17)));
    }

    void positionTextReadsBackExactly() {
        for (double value : {0.0, 2.43, 0.1 + 0.2, 1.0 / 3.0, 1e-5, 123456.789012345, 7200.000001, -0.5})
            QVERIFY2(lenientNumber(numberText(value)) == value, qPrintable(numberText(value)));
        QCOMPARE(numberText(2.43), QStringLiteral("2.43"));
    }
};

QTEST_APPLESS_MAIN(TestLenientNumber)
#include "tst_lenientnumber.moc"
