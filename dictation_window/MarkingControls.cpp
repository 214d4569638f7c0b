#include "dictation_window/MarkingControls.h"

#include "dictation_window/DictationTips.h"
#include "dictation_window/MarkingSession.h"
#include "dictation_window/TypingBox.h"
#include "widgets/Artwork.h"
#include "widgets/Controls.h"
#include "widgets/WindowKit.h"

#include <QFrame>
#include <QMenu>
#include <QShortcut>

namespace lesnor {
namespace {

const QColor kScoreText(28, 58, 104);
const QColor kSilver(192, 192, 192);

struct OptionItem {
    const char* name;
    const char* caption;
    bool answers::Options::*member; // nullptr: always on
};
constexpr OptionItem kOptionItems[] = {
    {"ignoreCase", "不区分大小写", &answers::Options::ignoreCase},
    {"ignorePunctuation", "忽略标点", &answers::Options::ignorePunctuation},
    {"sameQuotes", "弯引号与直引号视为相同（’ ‘ “ ” 与 ' \"）", &answers::Options::sameQuotes},
    {"contractions", "缩写与完整形式视为相同（isn't = is not）", &answers::Options::contractions},
    {"fullWidth", "全角字母、数字、空格和标点按半角比较", nullptr},
    {"blanks", "连续的空格视为一个", nullptr},
};

} // namespace

MarkingControls::MarkingControls(QWidget& window, TypingBox& typing, IPreferences& preferences,
                                 std::function<void(int button)> press)
    : QObject(&window)
    , window_(window)
    , typing_(typing) {
    session_ = new MarkingSession(*this, preferences, this);

    scoreLine_ = new CaptionLabel(QStringLiteral("ScoreLine"), QString(), &window);
    placeInTwips(*scoreLine_, {2760, 7290, 8055, 240});
    scoreLine_->setForeColor(kScoreText);
    positionLine_ = new CaptionLabel(QStringLiteral("PositionLine"), QString(), &window);
    placeInTwips(*positionLine_, {2700, 6990, 2040, 255});
    positionLine_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    positionLine_->setForeColor(kScoreText);
    optionsCaption_ =
        new CaptionLabel(QStringLiteral("CompareOptions"), QStringLiteral("比较方式 ▴"), &window);
    placeInTwips(*optionsCaption_, {120, 6990, 1500, 255});
    optionsCaption_->setForeColor(artwork::titleText);
    optionsCaption_->setLinkLook(true);
    buildMenu();

    // The summary covers the translation panel while it shows.
    summary_ = new QFrame(&window);
    summary_->setObjectName(QStringLiteral("SummaryPanel"));
    placeInTwips(*summary_, {2700, 900, 8115, 1935});
    summary_->setAutoFillBackground(true);
    summary_->setFrameShape(QFrame::Box);
    QPalette p = summary_->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, kSilver);
    summary_->setPalette(p);
    auto* strip = new PictureBox(QStringLiteral("SummaryHeading"), summary_);
    strip->setPicture(artwork::titleStrip());
    placeInTwips(*strip, {30, 30, 8055, 400});
    summaryTitle_ = new CaptionLabel(QStringLiteral("SummaryTitle"), QString(), strip);
    placeInTwips(*summaryTitle_, {120, 110, 5000, 180});
    styleAsTitle(*summaryTitle_);
    auto* close = new CaptionLabel(QStringLiteral("SummaryClose"), QStringLiteral("关 闭"), strip);
    placeInTwips(*close, {7200, 110, 720, 180});
    close->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    close->setForeColor(artwork::titleText);
    close->setLinkLook(true);
    connect(close, &CaptionLabel::clicked, this, &MarkingControls::hideSummary);
    summaryText_ = new CaptionLabel(QStringLiteral("SummaryText"), QString(), summary_);
    placeInTwips(*summaryText_, {60, 480, 7995, 1395});
    summaryText_->setFont(arialFont(10.5));
    summaryText_->setForeColor(kScoreText);
    summaryText_->setWordWrap(true);
    summaryText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summary_->hide();

    for (const DictationKey& k : dictationKeys()) {
        auto* shortcut = new QShortcut(k.key, &window);
        connect(shortcut, &QShortcut::activated, this, [press, b = k.button] { press(b); });
    }
}

void MarkingControls::buildMenu() {
    menu_ = new QMenu(&window_);
    menu_->setObjectName(QStringLiteral("CompareOptionsMenu"));
    const answers::Options options = session_->options();
    for (const OptionItem& item : kOptionItems) {
        QAction* a = menu_->addAction(QString::fromUtf8(item.caption));
        a->setObjectName(QLatin1String(item.name));
        a->setCheckable(true);
        a->setChecked(item.member ? options.*item.member : true);
        a->setEnabled(item.member != nullptr);
        if (item.member)
            connect(a, &QAction::toggled, this, &MarkingControls::optionsChanged);
    }
    connect(optionsCaption_, &CaptionLabel::clicked, this, [this] {
        const QPoint corner = optionsCaption_->mapToGlobal(QPoint(0, 0));
        menu_->popup(corner - QPoint(0, menu_->sizeHint().height()));
    });
}

void MarkingControls::optionsChanged() {
    answers::Options options;
    for (const OptionItem& item : kOptionItems)
        if (item.member)
            options.*item.member = menu_->findChild<QAction*>(QLatin1String(item.name))->isChecked();
    session_->setOptions(options);
}

void MarkingControls::showMarks(const answers::Marking& marking) {
    typing_.showMarks(marking);
}

void MarkingControls::clearMarks() {
    typing_.clearMarks();
}

bool MarkingControls::marksShown() const {
    return typing_.marksShown();
}

void MarkingControls::setScoreLine(const QString& text) {
    scoreLine_->setText(text);
}

void MarkingControls::setPositionLine(const QString& text) {
    positionLine_->setText(text);
}

void MarkingControls::showSummary(const QString& title, const QString& text) {
    summaryTitle_->setText(title);
    summaryText_->setText(QString(text).replace(QStringLiteral(" · "), QStringLiteral("\n")));
    summary_->raise();
    summary_->show();
}

void MarkingControls::hideSummary() {
    summary_->hide();
}

bool MarkingControls::summaryShown() const {
    return !summary_->isHidden();
}

} // namespace lesnor
