#include "dictation_window/Form2.h"

#include "dictation_window/DictationController.h"
#include "dictation_window/DictationSettings.h"
#include "dictation_window/DictationTips.h"
#include "dictation_window/MarkingControls.h"
#include "dictation_window/MarkingSession.h"
#include "dictation_window/TypingBox.h"
#include "lessons/Catalogue.h"
#include "lessons/LessonLoader.h"
#include "lessons/LessonNotices.h"
#include "platform/DataFolder.h"
#include "platform/Shell.h"
#include "resources/Installation.h"
#include "widgets/Artwork.h"
#include "widgets/CatalogueTree.h"
#include "widgets/Controls.h"
#include "widgets/Links.h"
#include "widgets/NoticeLine.h"
#include "widgets/PhoneticFont.h"
#include "widgets/WindowKit.h"
#include "widgets/WordPopup.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextCursor>
#include <QTreeWidget>
#include <QtMath>

namespace lesnor {
namespace {

// The client area, in twips.
constexpr TwipSize clientSize{10860, 7545};

const QColor kSilver(192, 192, 192);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kBannerText(0, 192, 192);
const QString kNoRecording = QStringLiteral("未找到本课的录音，无法听写");
const QString kCannotDictate = QStringLiteral("无法听写");

// The buttons from left to right: index in `Label5` and caption.
struct ButtonPlace {
    int index;
    const char* caption;
    double left;
};
constexpr ButtonPlace kButtons[] = {
    {6, "上一句", 4860}, {1, "下一句", 6060}, {2, "朗  读", 7260}, {3, "答  案", 8460}, {4, "退  出", 9660},
};

// Where a caption sits inside its heading strip or button frame.
constexpr TwipRect kHeadingCaption{120, 60, 720, 180};
constexpr TwipRect kPanelHeadingCaption{120, 110, 720, 180};
constexpr TwipRect kButtonCaption{60, 60, 1035, 195};

} // namespace

Form2::Form2(Services& services, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , services_(services) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("听写练习"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing this window hands over to the lesson window; it never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(windowFont());
    setWindowIcon(artwork::commandIcon(3).toPixmap(QSize(32, 32), 1.0));
    buildControls();
    marking_ =
        new MarkingControls(*this, *static_cast<TypingBox*>(r1_), services_.preferences, [this](int i) {
            if (Label5(i)->isEnabled()) {
                runButton(i);
                closingStep();
            }
        });
    resetTranslationToggle();
    controller_ = new DictationController(services_.player, services_.files, *this, this);
    wireEvents();
    setFixedSize(qCeil(clientSize.width / twipsPerPixelX(*this)),
                 qCeil(clientSize.height / twipsPerPixelY(*this)));
}

Form2::~Form2() = default;

// Controls are made in stacking order, bottom first, and placed at once.
void Form2::buildControls() {
    auto placed = [](auto* widget, const TwipRect& rect) {
        placeInTwips(*widget, rect);
        return widget;
    };
    auto label = [&placed](const QString& name, const QString& caption, QWidget* parent,
                           const TwipRect& rect) {
        return placed(new CaptionLabel(name, caption, parent), rect);
    };
    auto picture = [&placed](const QString& name, QWidget* parent, const Picture& art, const TwipRect& rect) {
        PictureBox* box = placed(new PictureBox(name, parent), rect);
        box->setPicture(art);
        return box;
    };
    auto heading = [this, &label, &picture](const char* strip, int index, const char* caption,
                                            const TwipRect& rect, const TwipRect& captionRect) {
        PictureBox* box = picture(QLatin1String(strip), this, artwork::titleStrip(), rect);
        CaptionLabel* l = label(indexedName("Label4", index), QString::fromUtf8(caption), box, captionRect);
        styleAsTitle(*l);
        return box;
    };
    // A panel: a white label framed by a silver rectangle of the same bounds.
    auto panel = [this, &label, &placed](const QString& name, const char* shape, const TwipRect& rect) {
        CaptionLabel* ground = label(name, QString(), this, rect);
        ground->setBackColor(Qt::white);
        placed(new ShapeBox(QLatin1String(shape), kSilver, this), rect);
        return ground;
    };
    auto textBox = [&placed](QPlainTextEdit* made, const char* name, const QColor& colour,
                             const TwipRect& rect) {
        auto* box = placed(made, rect);
        box->setObjectName(QLatin1String(name));
        box->setFont(arialFont(10.5));
        box->setFrameShape(QFrame::NoFrame);
        box->setUndoRedoEnabled(false);
        QPalette p = box->palette();
        p.setColor(QPalette::Text, colour);
        box->setPalette(p);
        return box;
    };

    CaptionLabel* Label1 = label(QStringLiteral("Label1"), QString(), this, {0, 0, 10935, 855});
    Label1->setAutoFillBackground(true);
    placed(new ImageBox(QStringLiteral("Image1"), artwork::commandIcon(3), this), {60, 180, 480, 480});
    CaptionLabel* title = label(indexedName("Label4", 3), QStringLiteral("Vyk英语真人发音电子版"), this, {});
    title->setAutoSize(true);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setForeColor(kBannerText);
    placeInTwips(*title, {660, 240, 0, 180});
    CaptionLabel* address = label(indexedName("Label4", 5), links::homePage, this, {});
    address->setAutoSize(true);
    address->setForeColor(kBannerText);
    address->setLinkLook(true);
    placeInTwips(*address, {660, 480, 0, 180});

    placed(new ShapeBox(QStringLiteral("Shape1"), kSilver, this), {60, 900, 2595, 5895});
    heading("Picture1(0)", 1, "选择课文", {90, 930, 2550, 315}, kHeadingCaption);
    T1_ = placed(new QTreeWidget(this), {120, 1260, 2475, 5490});
    T1_->setObjectName(QStringLiteral("T1"));
    styleCatalogueTree(*T1_);

    panel(QStringLiteral("Label2"), "Shape2", {2700, 900, 8115, 1935});
    heading("Picture2", 4, "中文翻译", {2730, 930, 8055, 400}, kPanelHeadingCaption);
    Label8_ = label(QStringLiteral("Label8"), QString(), this, {2760, 1380, 6975, 1305});
    Label8_->setBackColor(Qt::white);
    Label8_->setForeColor(kBlue);
    Label8_->setFont(arialFont(10.5));
    Label8_->setWordWrap(true);
    Label8_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture10_ = picture(QStringLiteral("Picture10"), this, artwork::toggleButton(), {9840, 1680, 855, 555});
    Picture10_->setCursor(Qt::PointingHandCursor);
    Label14_ =
        label(QStringLiteral("Label14"), translationToggleCaption(true), Picture10_, {240, 200, 450, 180});
    Label14_->setAlignment(Qt::AlignCenter);
    Label14_->setForeColor(artwork::titleText);

    panel(QStringLiteral("Label3"), "Shape3", {2700, 2880, 8115, 1935});
    heading("Picture3", 0, "核对答案", {2730, 2910, 8055, 400}, kPanelHeadingCaption);
    r2_ = textBox(new QPlainTextEdit(this), "r2", kRed, {2760, 3300, 7995, 1455});
    r2_->setReadOnly(true);

    // The typing panel's white ground is element 0 of the button array, its heading
    // element 0 of the frame array; neither is a button.
    panel(indexedName("Label5", 0), "Shape4", {2700, 4860, 8115, 1935});
    heading("Picture4(0)", 2, "输入英文", {2730, 4890, 8055, 400}, kPanelHeadingCaption);
    r1_ = textBox(new TypingBox(this), "r1", kBlue, {2760, 5280, 7995, 1455});

    for (const ButtonPlace& b : kButtons) {
        PictureBox* frame = picture(indexedName("Picture4", b.index), this, artwork::buttonNormal(),
                                    {b.left, 6960, 1125, 315});
        CaptionLabel* caption =
            label(indexedName("Label5", b.index), QString::fromUtf8(b.caption), frame, kButtonCaption);
        caption->setAlignment(Qt::AlignCenter);
        caption->setForeColor(artwork::titleText);
        caption->setEnabled(b.index == DictationController::Exit);
        caption->setToolTip(dictationButtonTip(b.index));
        frame->setToolTip(caption->toolTip());
    }

    Label10_ = label(QStringLiteral("Label10"), QString(), this, {});
    Label10_->hide();
    Text1_ = new QLineEdit(QStringLiteral("Text1"), this);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->hide();
    Text1_->setEchoMode(QLineEdit::NoEcho); // written while playing, never shown

    setTabOrder(r1_, r2_);
    setTabOrder(r2_, T1_);
    popupParts_ = WordPopup::makeParts(this, QString::fromUtf8(phoneticFontFamilyName()));
    noticeLine_ = new NoticeLine(this);
}

void Form2::wireEvents() {
    auto* speak = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(speak, &QShortcut::activated, this, &Form2::speakRequested);
    const Picture normal = artwork::buttonNormal();
    const Picture pressed = artwork::buttonPressed();
    for (const ButtonPlace& b : kButtons) {
        const int i = b.index;
        wirePictureButton(*Label5(i), *Picture4(i), normal, pressed, [this, i] {
            runButton(i);
            closingStep();
        });
    }
    connect(Label5(0), &CaptionLabel::mouseUp, this, [this](Qt::MouseButton) { closingStep(); });
    connect(Label4(5), &CaptionLabel::clicked, this, [this] {
        if (!services_.shell.openUrl(links::homePage))
            showNotice(links::notOpened);
    });
    connect(Label14_, &CaptionLabel::clicked, this, &Form2::Label14_Click);
    connect(Picture10_, &PictureBox::clicked, this, &Form2::Label14_Click);
    connect(T1_, &QTreeWidget::itemClicked, this, [this] { LoadLesson(); });
    activateOnReturn(*T1_, [this] { LoadLesson(); });

    // Holding the right button on a word of the answer shows its dictionary entry, as in
    // the lesson text: the left button selects the answer to copy it. The typing box is
    // the learner's own: it is never read.
    wordPopup_ = new WordPopup(
        this, popupParts_,
        WordLookup(services_.speech, [] { return dataPath(DataFolder(), files::dictionary); }), this);
    wordPopup_->watch(r2_, PopupLayout::Source::SentenceBox, Qt::RightButton);
}

void Form2::Form_Load() {
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    QPalette p = palette();
    p.setColor(QPalette::Window, artwork::windowBack);
    setPalette(p);
    static_cast<CaptionLabel*>(control(QStringLiteral("Label1")))->setBackColor(artwork::commandBarBack);
    FillCatalogue(*T1_, artwork::treeImages());
    r1_->setFocus();
    // The lesson window is hidden meanwhile: this window says the output's trouble.
    watchOutputTrouble(services_.player, *noticeLine_);
}

void Form2::LoadLesson() {
    Lesson lesson;
    QString copyPath;
    QTreeWidgetItem* node = T1_->currentItem();
    if (node && !node->parent()) {
        node->setExpanded(!node->isExpanded());
    } else if (node) {
        const QString book = bookDigitFromCaption(node->parent()->text(0));
        const QString caption = node->text(0);
        lesson = readLesson(book, caption, DataFolder(), ProgramFolder());
        copyPath = lessonAudioCopyPath(DataFolder(), book, caption);
    }
    const LessonAudio audio = controller_->loadLesson(lesson, copyPath);
    marking_->session().lessonLoaded(
        node && node->parent() ? bookDigitFromCaption(node->parent()->text(0)) : QString(), lesson);
    if (!lesson.caption.isEmpty()) {
        r1_->setFocus();
        r2_->moveCursor(QTextCursor::End);
        QString notice = notices::lessonLoad(lesson, audio, DataFolder(), services_.files, kCannotDictate);
        if (notice.isEmpty() && !controller_->playable())
            notice = kNoRecording;
        if (!notice.isEmpty())
            showNotice(notice);
    }
    emit lessonLoaded();
}

void Form2::runButton(int index) {
    switch (index) {
    case DictationController::Previous:
        controller_->previousSentence();
        marking_->session().sentenceShown(controller_->DictationIndex());
        break;
    case DictationController::Next:
        controller_->nextSentence();
        marking_->session().sentenceShown(controller_->DictationIndex());
        break;
    case DictationController::Read:
        controller_->readSentence();
        break;
    case DictationController::Answer:
        controller_->showAnswer();
        marking_->session().markAnswer(controller_->DictationIndex(), r1_->toPlainText());
        break;
    case DictationController::Exit:
        close();
        break;
    default:
        break;
    }
}

void Form2::closingStep() {
    if (!isVisible())
        return;
    r1_->setFocus();
    r2_->moveCursor(QTextCursor::End);
}

void Form2::closeEvent(QCloseEvent* event) {
    const QString summary = marking_->session().finish();
    if (!summary.isEmpty())
        emit leftWithSummary(summary);
    emit closed();
    event->accept();
}

void Form2::Label14_Click() {
    toggleTranslation(*Label14_, *Label8_, Label10_->text());
    saveTranslationShown(services_.preferences, translationShown());
}

bool Form2::translationShown() const {
    return lesnor::translationShown(*Label14_);
}

void Form2::showNotice(const QString& text) {
    noticeLine_->showNotice(text);
}

MarkingSession& Form2::marking() const {
    return marking_->session();
}

qint16 Form2::DictationIndex() const {
    return controller_->DictationIndex();
}

void Form2::clearTyping() {
    r1_->clear();
}

void Form2::setAnswer(const QString& text) {
    r2_->setPlainText(text);
}

void Form2::setLabel10(const QString& text) {
    Label10_->setText(text);
}

void Form2::setLabel8(const QString& text) {
    Label8_->setText(text);
}

// Back to the learner's remembered choice (shown, unless they hid it).
void Form2::resetTranslationToggle() {
    Label14_->setText(translationToggleCaption(loadTranslationShown(services_.preferences)));
}

void Form2::setButtonEnabled(int index, bool enabled) {
    if (CaptionLabel* button = Label5(index))
        button->setEnabled(enabled);
}

void Form2::setPositionText(const QString& text) {
    Text1_->setText(text);
}

QWidget* Form2::control(const QString& name) const {
    return findChild<QWidget*>(name);
}

CaptionLabel* Form2::Label4(int i) const {
    return findChild<CaptionLabel*>(indexedName("Label4", i));
}

CaptionLabel* Form2::Label5(int i) const {
    return findChild<CaptionLabel*>(indexedName("Label5", i));
}

PictureBox* Form2::Picture4(int i) const {
    return findChild<PictureBox*>(indexedName("Picture4", i));
}

} // namespace lesnor
