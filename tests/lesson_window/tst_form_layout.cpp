// The lesson window's resize rule, in twips.
#include "widgets/FormLayout.h"

#include <QtTest>

using namespace lesnor;

Q_DECLARE_METATYPE(lesnor::TwipRect)

namespace {

enum Field { Left, Top, Width, Height };

double field(const TwipRect& r, Field f) {
    switch (f) {
    case Left:
        return r.left;
    case Top:
        return r.top;
    case Width:
        return r.width;
    case Height:
        return r.height;
    }
    return 0;
}

ResizeResult resized(double w, double h, bool sizable = true) {
    return resizeForm1(FormLayout::design(), {w, h}, sizable);
}

} // namespace

class TestFormLayout : public QObject {
    Q_OBJECT
private slots:
    void designSizeGivesDesignPlaces() {
        const FormLayout design = FormLayout::design();
        const ResizeResult r = resized(12840, 9780);
        QVERIFY(!r.windowResized);
        // The five places the rule does not give back, with the values it gives.
        const QHash<QString, TwipRect> changed{
            {QStringLiteral("Label1"), {0, 0, 12840, 855}},
            {QStringLiteral("Label7"), {3060, 1200, 9615, 4935}},
            {QStringLiteral("Label2"), {3060, 7900, 9615, 720}},
            {QStringLiteral("Label3"), {3060, 6280, 9615, 1155}},
            {QStringLiteral("r3"), {120, 5580, 2835, 3040}},
        };
        for (const ControlPlace& place : design.controls()) {
            const TwipRect expected = changed.value(place.name, place.rect);
            QVERIFY2(r.layout.rect(place.name) == expected, qPrintable(place.name));
        }
    }

    void designTableHasEveryControlOnce() {
        const FormLayout design = FormLayout::design();
        QSet<QString> names;
        for (const ControlPlace& place : design.controls()) {
            QVERIFY2(!names.contains(place.name), qPrintable(place.name));
            names.insert(place.name);
            if (!place.parent.isEmpty())
                QVERIFY2(design.contains(place.parent), qPrintable(place.parent));
        }
        for (const char* name : {"Picture7(5)", "Image1(1)", "Label6(2)", "Picture4(0)", "Label5(5)",
                                 "Label4(5)", "Picture1(2)", "Label14", "Label16", "W1", "Text2"})
            QVERIFY2(names.contains(QLatin1String(name)), name);
        QCOMPARE(design.rect(QStringLiteral("Picture7(4)")), (TwipRect{3480, 60, 615, 765}));
        QCOMPARE(design.rect(QStringLiteral("Picture4(5)")), (TwipRect{7140, 30, 1125, 315}));
        QCOMPARE(design.rect(QStringLiteral("no such control")), TwipRect{});
    }

    void panelsFollowTheEdges_data() {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("field");
        QTest::addColumn<double>("value");
        // The smallest window.
        QTest::newRow("r1 width at 7500") << 7500.0 << 7400.0 << "r1" << int(Width) << 4155.0;
        QTest::newRow("Label8 width at 7500") << 7500.0 << 7400.0 << "Label8" << int(Width) << 3195.0;
        QTest::newRow("r1 height at 7400") << 7500.0 << 7400.0 << "r1" << int(Height) << 2105.0;
        QTest::newRow("r3 height at 7400") << 7500.0 << 7400.0 << "r3" << int(Height) << 660.0;
        // A large window: every statement of the rule.
        const double W = 19200, H = 12000;
        const struct {
            const char* control;
            Field f;
            double value;
        } rows[] = {
            {"Label1", Width, W},
            {"Shape2", Width, W - 3225},
            {"Shape3", Width, W - 3225},
            {"Shape5", Width, W - 3225},
            {"Label7", Width, W - 3225},
            {"Label3", Width, W - 3225},
            {"Label2", Width, W - 3225},
            {"Picture1(1)", Width, W - 3285},
            {"Picture2", Width, W - 3285},
            {"Picture3", Width, W - 3285},
            {"r1", Width, W - 3345},
            {"r2", Width, W - 3345},
            {"Label8", Width, W - 4305},
            {"Picture10", Left, W - 1140},
            {"Shape2", Height, H - 4845},
            {"Label7", Height, H - 4845},
            {"r1", Height, H - 5295},
            {"Shape3", Top, H - 2280},
            {"Label2", Top, H - 1880},
            {"Picture2", Top, H - 2250},
            {"Label8", Top, H - 1800},
            {"Picture10", Top, H - 1800},
            {"Shape5", Top, H - 3900},
            {"Label3", Top, H - 3500},
            {"Picture3", Top, H - 3870},
            {"r2", Top, H - 3360},
            {"Shape4", Height, H - 6345},
            {"r3", Height, H - 6740},
            {"Label4(5)", Top, H - 1050},
            // Not named by the rule: they keep their design places.
            {"T1", Height, 3875},
            {"Shape1", Height, 4275},
            {"Picture1(0)", Width, 2910},
            {"Picture7(5)", Left, 4260},
            {"Picture8", Top, 4680},
            {"Shape4", Top, 5220},
            {"r3", Width, 2835},
            {"Label8", Left, 3120},
            {"r2", Height, 975},
            {"Picture4(3)", Left, 4740},
            {"Label14", Left, 240},
            {"W1", Left, 10320},
        };
        for (const auto& row : rows)
            QTest::addRow("%s %d", row.control, int(row.f))
                << W << H << QString::fromLatin1(row.control) << int(row.f) << row.value;
    }

    void panelsFollowTheEdges() {
        QFETCH(double, w);
        QFETCH(double, h);
        QFETCH(QString, control);
        QFETCH(int, field);
        QFETCH(double, value);
        QCOMPARE(::field(resized(w, h).layout.rect(control), Field(field)), value);
    }

    void tooSmallWindowGrowsToTheMinimum() {
        const ResizeResult r = resized(6000, 5000);
        QVERIFY(r.windowResized);
        QCOMPARE(r.outer, (TwipSize{7500, 7400}));
        // Laid out as for the minimum size itself.
        const ResizeResult atMinimum = resized(7500, 7400);
        QVERIFY(!atMinimum.windowResized);
        for (const ControlPlace& place : atMinimum.layout.controls())
            QVERIFY2(r.layout.rect(place.name) == place.rect, qPrintable(place.name));
        // Only the dimension that is too small changes.
        QCOMPARE(resized(9000, 5000).outer, (TwipSize{9000, 7400}));
        QCOMPARE(resized(7499, 9000).outer, (TwipSize{7500, 9000}));
    }

    void windowThatCannotBeSizedKeepsItsSizeAndNegativeSizesAreSkipped() {
        // A maximised or minimised window cannot be made larger: the rule runs on the
        // small size, and every width or height that would come out below zero keeps
        // the value it had, while the other statements still apply.
        const ResizeResult big = resized(16000, 11000);
        const ResizeResult r = resizeForm1(big.layout, {3000, 4000}, false);
        QVERIFY(!r.windowResized);
        QCOMPARE(r.outer, (TwipSize{3000, 4000}));
        QCOMPARE(r.layout.rect(QStringLiteral("Label1")).width, 3000.0);
        QCOMPARE(r.layout.rect(QStringLiteral("Shape2")).width, 16000.0 - 3225); // 3000 - 3225 < 0
        QCOMPARE(r.layout.rect(QStringLiteral("Shape3")).width, 16000.0 - 3225); // copies Shape2
        QCOMPARE(r.layout.rect(QStringLiteral("Label8")).width, 16000.0 - 4305);
        QCOMPARE(r.layout.rect(QStringLiteral("Picture10")).left, 1860.0);    // lefts may go anywhere
        QCOMPARE(r.layout.rect(QStringLiteral("r1")).height, 11000.0 - 5295); // 4000 - 5295 < 0
        QCOMPARE(r.layout.rect(QStringLiteral("r3")).height, 11000.0 - 6740);
        QCOMPARE(r.layout.rect(QStringLiteral("Shape3")).top, 4000.0 - 2280); // tops still move
        QCOMPARE(r.layout.rect(QStringLiteral("Picture3")).top, 4000.0 - 3870);
        // A size of exactly zero is a valid size.
        const ResizeResult zero = resizeForm1(big.layout, {3225, 7400}, false);
        QCOMPARE(zero.layout.rect(QStringLiteral("Shape2")).width, 0.0);
    }

    // A window that cannot be sized is laid out at its real size down to the smallest
    // layout: the lower panels stay below the lesson text, which gives up height first.
    void unsizableWindowIsLaidOutAtItsSize() {
        QCOMPARE(layoutOuterSize({3000, 4000}, false), smallestLayout);
        QCOMPARE(layoutOuterSize({3000, 9000}, false), (TwipSize{smallestLayout.width, 9000}));
        QCOMPARE(layoutOuterSize({9600, 6000}, false), (TwipSize{9600, 6000}));
        QCOMPARE(layoutOuterSize({3000, 4000}, true), (TwipSize{3000, 4000})); // grows itself instead
        const FormLayout f =
            resizeForm1(FormLayout::design(), layoutOuterSize({3000, 4000}, false), false).layout;
        QVERIFY(f.rect(QStringLiteral("Shape5")).top >=
                f.rect(QStringLiteral("Shape2")).top + f.rect(QStringLiteral("Shape2")).height);
        QVERIFY(f.rect(QStringLiteral("Picture10")).top > f.rect(QStringLiteral("Picture3")).top);
    }

    // A window that cannot be sized and is smaller than the minimum keeps its toolbar's
    // buttons inside the toolbar, in order and apart, and its word list on the window
    // below the tree; anything else keeps the design places.
    void smallWindowKeepsEverythingOnIt() {
        const struct {
            TwipSize outer;
            bool sizable;
            bool design;
        } cases[] = {{{12840, 9780}, false, true},
                     {{7500, 7400}, true, true},
                     {{9600, 6000}, false, false},
                     {smallestLayout, false, false}};
        const FormLayout design = FormLayout::design();
        for (const auto& c : cases) {
            const TwipSize outer = layoutOuterSize(c.outer, c.sizable);
            FormLayout f = resizeForm1(design, outer, c.sizable).layout;
            fitSmallWindow(f, outer, c.sizable);
            const auto rect = [&f](const char* name) { return f.rect(QLatin1String(name)); };
            if (c.design) {
                for (const char* name : {"Picture4(5)", "Label5(5)", "T1", "Shape1", "Picture1(2)"})
                    QCOMPARE(rect(name), design.rect(QLatin1String(name)));
                continue;
            }
            double previousRight = rect("Label4(0)").left + 720;
            for (int i = 0; i <= 5; ++i) {
                const TwipRect button = f.rect(QStringLiteral("Picture4(%1)").arg(i));
                const TwipRect caption = f.rect(QStringLiteral("Label5(%1)").arg(i));
                QVERIFY(button.left > previousRight && button.left + button.width <= rect("Picture3").width);
                QVERIFY(caption.left >= 0 && caption.left + caption.width <= button.width &&
                        caption.width >= 450);
                previousRight = button.left + button.width;
            }
            QVERIFY(rect("r3").height >= kSmallWordList &&
                    rect("r3").top + rect("r3").height <= outer.height - 1155);
            QVERIFY(rect("T1").top + rect("T1").height < rect("Picture1(2)").top);
            QVERIFY(rect("r1").height >= 300); // a line of the lesson text
        }
    }

    void groundsStay400BelowTheirFrames() {
        for (double h : {7400.0, 8000.0, 9780.0, 12345.0, 20000.0}) {
            const FormLayout f = resized(10000, h).layout;
            QCOMPARE(f.rect(QStringLiteral("Label2")).top, f.rect(QStringLiteral("Shape3")).top + 400);
            QCOMPARE(f.rect(QStringLiteral("Label3")).top, f.rect(QStringLiteral("Shape5")).top + 400);
        }
    }

    void ruleGivesTheSameResultWhenRunAgain() {
        // Growing the window raises a second resize that runs the whole rule again.
        const ResizeResult first = resized(6000, 5000);
        const ResizeResult second = resizeForm1(first.layout, first.outer);
        QVERIFY(!second.windowResized);
        for (const ControlPlace& place : first.layout.controls())
            QVERIFY2(second.layout.rect(place.name) == place.rect, qPrintable(place.name));
    }
};

QTEST_APPLESS_MAIN(TestFormLayout)
#include "tst_form_layout.moc"
