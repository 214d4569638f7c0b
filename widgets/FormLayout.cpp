#include "widgets/FormLayout.h"

namespace lesnor {
namespace {

QString indexed(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

} // namespace

FormLayout FormLayout::design() {
    FormLayout f;
    auto add = [&f](const QString& name, const QString& parent, TwipRect rect) {
        f.controls_.append({name, parent, rect});
    };
    auto top = [&add](const char* name, TwipRect rect) { add(QLatin1String(name), QString(), rect); };
    const QString window;

    // Controls without a window of their own lie below all others: the grounds, the
    // labels on the window and the panel frames.
    top("Label1", {0, 0, 12735, 855});
    top("Label7", {3060, 1200, 9615, 4575});
    top("Label3", {3060, 6285, 9615, 1155});
    top("Label2", {3060, 7935, 9615, 720});
    top("Label8", {3120, 7980, 8535, 600});
    add(indexed("Label4", 5), window, {120, 8730, 3150, 180});
    top("Label10", {6300, 480, 3075, 195});
    top("Label9", {6420, 480, 3075, 195});
    top("Shape1", {60, 900, 2955, 4275});
    top("Shape4", {60, 5220, 2955, 3435});
    top("Shape2", {3060, 900, 9615, 4935});
    top("Shape5", {3060, 5880, 9615, 1575});
    top("Shape3", {3060, 7500, 9615, 1155});

    // The command bar.
    top("Picture9", {2370, 60, 255, 675});
    const double commandLeft[] = {120, 900, 1680, 3480, 4260};
    for (int i = 1; i <= 5; ++i) {
        const QString box = indexed("Picture7", i);
        add(box, window, {commandLeft[i - 1], 60, 615, 765});
        add(indexed("Image1", i), box, {60, 30, 450, 450});
        add(indexed("Label6", i), box, {0, 510, 555, 195});
    }

    top("Text1", {6960, 120, 1935, 315});
    top("Text2", {9240, 60, 1935, 315});
    top("W1", {10320, 180, 1875, 495});

    // Left column: the tree panel and the word-list panel.
    add(indexed("Picture1", 0), window, {90, 930, 2910, 315});
    add(indexed("Label4", 1), indexed("Picture1", 0), {120, 60, 720, 180});
    top("T1", {120, 1260, 2835, 3875});
    add(indexed("Picture1", 2), window, {90, 5250, 2910, 315});
    add(indexed("Label4", 2), indexed("Picture1", 2), {120, 60, 720, 180});
    top("r3", {120, 5580, 2835, 3045});

    // Right column: lesson text, sentence toolbar and sentence, translation.
    add(indexed("Picture1", 1), window, {3090, 930, 9555, 315});
    add(indexed("Label4", 3), indexed("Picture1", 1), {120, 60, 90, 180});
    top("Picture5", {5580, 1860, 1125, 315});
    top("Picture6", {5580, 2220, 1125, 315});
    top("r1", {3120, 1260, 9495, 4485});
    top("Picture3", {3090, 5910, 9555, 400});
    add(indexed("Label4", 0), QStringLiteral("Picture3"), {210, 180, 720, 180});
    const double toolLeft[] = {1140, 2340, 3540, 4740, 5940, 7140};
    for (int i = 0; i <= 5; ++i) {
        const QString frame = indexed("Picture4", i);
        add(frame, QStringLiteral("Picture3"), {toolLeft[i], 30, 1125, 315});
        add(indexed("Label5", i), frame, {60, 60, 1035, 195});
    }
    top("r2", {3120, 6420, 9495, 975});
    top("Picture2", {3090, 7530, 9555, 400});
    add(indexed("Label4", 4), QStringLiteral("Picture2"), {60, 60, 720, 180});
    top("Picture10", {11700, 7980, 855, 555});
    add(QStringLiteral("Label14"), QStringLiteral("Picture10"), {240, 200, 450, 180});

    // The word pop-up lies above everything. Its labels that size themselves to their
    // text start with the width of a short text.
    const QString popup = QStringLiteral("Picture8");
    top("Picture8", {2160, 4680, 2355, 975});
    add(QStringLiteral("Label11"), popup, {80, 0, 2200, 225});
    add(QStringLiteral("Label12"), popup, {60, 240, 60, 180});
    add(QStringLiteral("Label15"), popup, {165, 240, 900, 195});
    add(QStringLiteral("Label13"), popup, {1085, 240, 60, 180});
    add(QStringLiteral("Label16"), popup, {75, 480, 2160, 420});
    return f;
}

int FormLayout::indexOf(const QString& name) const {
    for (int i = 0; i < controls_.size(); ++i) {
        if (controls_.at(i).name == name)
            return i;
    }
    return -1;
}

bool FormLayout::contains(const QString& name) const {
    return indexOf(name) >= 0;
}

TwipRect FormLayout::rect(const QString& name) const {
    const int i = indexOf(name);
    return i >= 0 ? controls_.at(i).rect : TwipRect{};
}

void FormLayout::setRect(const QString& name, const TwipRect& rect) {
    const int i = indexOf(name);
    if (i >= 0)
        controls_[i].rect = rect;
}

ResizeResult resizeForm1(const FormLayout& current, TwipSize outer, bool windowSizable) {
    ResizeResult r{current, outer, false};
    FormLayout& f = r.layout;

    auto width = [&f](const char* name) { return f.rect(QLatin1String(name)).width; };
    // A size below zero cannot be given to a control: it keeps the one it has.
    auto setWidth = [&f](const char* name, double value) {
        TwipRect rect = f.rect(QLatin1String(name));
        if (value >= 0) {
            rect.width = value;
            f.setRect(QLatin1String(name), rect);
        }
    };
    auto setHeight = [&f](const char* name, double value) {
        TwipRect rect = f.rect(QLatin1String(name));
        if (value >= 0) {
            rect.height = value;
            f.setRect(QLatin1String(name), rect);
        }
    };
    auto setLeft = [&f](const char* name, double value) {
        TwipRect rect = f.rect(QLatin1String(name));
        rect.left = value;
        f.setRect(QLatin1String(name), rect);
    };
    auto setTop = [&f](const char* name, double value) {
        TwipRect rect = f.rect(QLatin1String(name));
        rect.top = value;
        f.setRect(QLatin1String(name), rect);
    };

    if (windowSizable && r.outer.width < FormLayout::minimumOuterSize.width) {
        r.outer.width = FormLayout::minimumOuterSize.width;
        r.windowResized = true;
    }
    if (windowSizable && r.outer.height < FormLayout::minimumOuterSize.height) {
        r.outer.height = FormLayout::minimumOuterSize.height;
        r.windowResized = true;
    }
    const double W = r.outer.width;
    const double H = r.outer.height;

    setWidth("Label1", W);
    setWidth("Shape2", W - 3225);
    setWidth("Shape3", width("Shape2"));
    setWidth("Shape5", width("Shape2"));
    setWidth("Label7", width("Shape2"));
    setWidth("Label3", width("Shape2"));
    setWidth("Label2", width("Shape2"));
    setWidth("Picture1(1)", W - 3285);
    setWidth("Picture2", W - 3285);
    setWidth("Picture3", W - 3285);
    setWidth("r1", W - 3345);
    setWidth("r2", width("r1"));
    setWidth("Label8", W - 4305);
    setLeft("Picture10", W - 1140);
    setHeight("Shape2", H - 4845);
    setHeight("Label7", H - 4845);
    setHeight("r1", H - 5295);
    setTop("Shape3", H - 2280);
    setTop("Label2", f.rect(QStringLiteral("Shape3")).top + 400);
    setTop("Picture2", H - 2250);
    setTop("Label8", H - 1800);
    setTop("Picture10", H - 1800);
    setTop("Shape5", H - 3900);
    setTop("Label3", f.rect(QStringLiteral("Shape5")).top + 400);
    setTop("Picture3", H - 3870);
    setTop("r2", H - 3360);
    setHeight("Shape4", H - 6345);
    setHeight("r3", H - 6740);
    setTop("Label4(5)", H - 1050);
    return r;
}

TwipSize layoutOuterSize(TwipSize outer, bool windowSizable) {
    if (windowSizable)
        return outer;
    return {qMax(outer.width, smallestLayout.width), qMax(outer.height, smallestLayout.height)};
}

void fitSmallWindow(FormLayout& layout, TwipSize outer, bool windowSizable) {
    const FormLayout design = FormLayout::design();
    const auto restore = [&](const QString& name) { layout.setRect(name, design.rect(name)); };

    // The toolbar's buttons.
    constexpr double firstLeft = 1140; // after the toolbar's caption
    constexpr double designWidth = 1125;
    constexpr double margin = 60;
    const double needed = design.rect(QStringLiteral("Picture4(5)")).left + designWidth + margin;
    const double available = layout.rect(QStringLiteral("Picture3")).width;
    const bool squeeze = !windowSizable && available < needed;
    const double step = qMax(available - firstLeft - margin, 0.0) / 6;
    for (int i = 0; i <= 5; ++i) {
        const QString frame = indexed("Picture4", i);
        const QString caption = indexed("Label5", i);
        restore(frame);
        restore(caption);
        if (squeeze) {
            TwipRect outerRect = layout.rect(frame);
            outerRect.left = firstLeft + i * step;
            outerRect.width = qMin(designWidth, step - 30);
            layout.setRect(frame, outerRect);
            layout.setRect(caption, {30, 60, outerRect.width - 60, 195});
        }
    }

    // The word list: its bottom stays where the rule puts it (1155 above the window's
    // bottom edge); the panel moves up into the tree's space when it would be too low.
    const QStringList moved = {QStringLiteral("Shape1"), QStringLiteral("T1"), QStringLiteral("Shape4"),
                               QStringLiteral("Picture1(2)"), QStringLiteral("r3")};
    const double listBottom = outer.height - 1155;
    const double designTop = design.rect(QStringLiteral("r3")).top;
    if (windowSizable || listBottom - designTop >= kSmallWordList) {
        for (const QString& name : moved) {
            TwipRect rect = design.rect(name);
            if (name == QLatin1String("r3") || name == QLatin1String("Shape4"))
                rect.height = layout.rect(name).height; // the rule's
            layout.setRect(name, rect);
        }
        return;
    }
    const double shift = designTop - (listBottom - kSmallWordList);
    for (const QString& name : moved) {
        TwipRect rect = design.rect(name);
        if (name == QLatin1String("Shape1") || name == QLatin1String("T1"))
            rect.height = qMax(0.0, rect.height - shift);
        else
            rect.top -= shift;
        if (name == QLatin1String("r3"))
            rect.height = kSmallWordList;
        if (name == QLatin1String("Shape4"))
            rect.height = listBottom + 30 - rect.top;
        layout.setRect(name, rect);
    }
}

} // namespace lesnor
