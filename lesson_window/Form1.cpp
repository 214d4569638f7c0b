#include "lesson_window/Form1.h"

#include "drill/SentenceDrill.h"
#include "lesson_window/PracticeMenu.h"
#include "lesson_window/RecorderButtons.h"
#include "lesson_window/WindowTips.h"
#include "lessons/Catalogue.h"
#include "lessons/LessonLoader.h"
#include "lessons/LessonNotices.h"
#include "platform/DataFolder.h"
#include "platform/FileOps.h"
#include "platform/MediaPlayer.h"
#include "platform/Shell.h"
#include "playback/SentenceController.h"
#include "resources/Installation.h"
#include "widgets/Artwork.h"
#include "widgets/CatalogueTree.h"
#include "widgets/Controls.h"
#include "widgets/Links.h"
#include "widgets/NoticeLine.h"
#include "widgets/PhoneticFont.h"
#include "widgets/TextFit.h"
#include "widgets/WindowKit.h"
#include "widgets/WordPopup.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtMath>

namespace lesnor {
namespace {

const QColor kTeal(0, 128, 128);
const QColor kRed(255, 0, 0);
const QString kHint = QStringLiteral("提示：点击句子能自动朗读整句并显示中文解释， "
                                     "鼠标指向单词按下右键不放（生词列表中左键）能显示单词解释、读音。");
const QString kCredit = QStringLiteral("Lesnor 开源项目 · 访问主页");
const QString kNoSoundOutput = QStringLiteral("未找到声音设备，朗读将无声");

QString indexed(const char* array, int index) {
    return indexedName(array, index);
}

QFont arial(double points, bool bold = false) {
    return arialFont(points, bold);
}

constexpr double kLessonTextPoints = 12;
constexpr double kBoxPoints = 10.5;

// The lesson text's face in `colour`, at `scale` of its own size; never a blank.
QTextCharFormat lessonTextFormat(const QColor& colour, double scale = 1.0) {
    QTextCharFormat format;
    format.setForeground(colour);
    format.setFontFamilies({QStringLiteral("Arial")});
    format.setFontPointSize(kLessonTextPoints * scale);
    format.setFontUnderline(false);
    return format;
}

template <class Edit> void plainBox(Edit* edit, const QFont& font) {
    edit->setFont(font);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setReadOnly(true);
    edit->setUndoRedoEnabled(false);
}

} // namespace

Form1::Form1(Services& services, QWidget* parent)
    : QMainWindow(parent)
    , services_(services)
    , layout_(FormLayout::design())
    , imageList_(artwork::treeImages()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vyk真人发音电子版 V3.2"));
    setFont(windowFont());
    setWindowIcon(imageList_.value(0));
    buildMenus();
    buildControls();
    listenFirst_ = std::make_unique<ListenFirst>(static_cast<ILessonView&>(*this),
                                                 static_cast<IListenFirstView&>(*this));
    controller_ = new SentenceController(services_.player, *listenFirst_, this);
    listenFirst_->setCurrentSentence([this] { return controller_->SentenceIndex(); });
    drill_ = new SentenceDrill(services_.player, this);
    controller_->setReadingSteps(drill_);
    recorderButtons_ = std::make_unique<RecorderButtons>(services_, this, Label5(3), Label5(4), Label5(5),
                                                         [this](const QString& text) { showNotice(text); });
    wireEvents();
    practice_ = new PracticeMenu(*this, *drill_, *listenFirst_, *controller_);
    applyLayout();
}

Form1::~Form1() {
    services_.player.setTroubleHandler({});
}

template <class T> T* Form1::add(T* widget, const QString& name) {
    if (!name.isEmpty())
        widget->setObjectName(name);
    controls_.insert(widget->objectName(), widget);
    return widget;
}

void Form1::buildMenus() {
    // The menus read "文件(F)" and "帮助(H)"; the letters are their Alt mnemonics.
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    fileMenu->setObjectName(QStringLiteral("文件"));
    resumeAction_ = fileMenu->addAction(QStringLiteral("继续上次的课文(&R)"));
    resumeAction_->setObjectName(QStringLiteral("继续上次的课文"));
    resumeAction_->setShortcut(keys::resume);
    resumeAction_->setEnabled(false);
    connect(resumeAction_, &QAction::triggered, this, &Form1::resumeRequested);
    QAction* quit = fileMenu->addAction(QStringLiteral("退出"));
    quit->setObjectName(QStringLiteral("退出"));
    quit->setShortcut(keys::quit);
    connect(quit, &QAction::triggered, this, &Form1::runShutDown);

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("帮助"));
    QAction* help = helpMenu->addAction(QStringLiteral("在线帮助"));
    help->setObjectName(QStringLiteral("在线帮助"));
    help->setShortcut(keys::help);
    connect(help, &QAction::triggered, this, &Form1::openHelpPage);
    QAction* home = helpMenu->addAction(QStringLiteral("访问作者主页"));
    home->setObjectName(QStringLiteral("访问作者主页"));
    connect(home, &QAction::triggered, this, &Form1::openHomePage);

    QAction* notebook = practiceMenu()->addAction(QStringLiteral("生词本"));
    notebook->setObjectName(QStringLiteral("生词本"));
    notebook->setShortcut(keys::notebook);
    connect(notebook, &QAction::triggered, this, &Form1::notebookRequested);

    auto* openMenus = new QShortcut(keys::menuBar, this);
    connect(openMenus, &QShortcut::activated, this,
            [this, fileMenu] { menuBar()->setActiveAction(fileMenu->menuAction()); });
}

QMenu* Form1::practiceMenu() {
    return lesnor::practiceMenu(*this);
}

// Controls are made in stacking order, bottom first: the grounds, labels and frames
// that have no window of their own, then the boxes, then the word pop-up on top.

void Form1::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    auto label = [this](const QString& name, const QString& caption, QWidget* parent) {
        return add(new CaptionLabel(name, caption, parent));
    };
    auto ground = [&label, client](const char* name) {
        CaptionLabel* l = label(QLatin1String(name), QString(), client);
        l->setBackColor(Qt::white);
        return l;
    };
    auto picture = [this](const QString& name, QWidget* parent, const Picture& art) {
        PictureBox* box = add(new PictureBox(name, parent));
        box->setPicture(art);
        return box;
    };
    auto title = [&label](const QString& name, const QString& caption, QWidget* parent) {
        CaptionLabel* l = label(name, caption, parent);
        styleAsTitle(*l);
        return l;
    };

    CaptionLabel* Label1 = label(QStringLiteral("Label1"), QString(), client);
    Label1->setAutoFillBackground(true);
    ground("Label7");
    ground("Label3");
    ground("Label2")->setForeColor(kTeal);
    Label8_ = ground("Label8");
    Label8_->setForeColor(QColor(0, 0, 255));
    Label8_->setWordWrap(true);
    Label8_->setShrinkToFit(windowFont().pointSizeF());
    Label8_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    CaptionLabel* credit = label(indexed("Label4", 5), kCredit, client);
    credit->setForeColor(QColor(64, 64, 64));
    credit->setLinkLook(true);
    Label10_ = label(QStringLiteral("Label10"), QString(), client);
    Label10_->hide();
    Label9_ = label(QStringLiteral("Label9"), QString(), client);
    Label9_->hide();
    for (const char* shape : {"Shape1", "Shape4", "Shape2", "Shape5", "Shape3"})
        add(new ShapeBox(QLatin1String(shape), artwork::panelFrame, client));

    picture(QStringLiteral("Picture9"), client, artwork::divider());
    buildCommandBar(client);

    Text1_ = add(new QLineEdit(QStringLiteral("0"), client), QStringLiteral("Text1"));
    Text1_->hide();
    // Written on every change of the position while playing: nothing of it is shown, so
    // none of it is laid out either (text() and textChanged are unaffected).
    Text1_->setEchoMode(QLineEdit::NoEcho);
    Text2_ = add(new QLineEdit(QStringLiteral("0"), client), QStringLiteral("Text2"));
    Text2_->hide();
    // The player has no window of its own; this stand-in only holds its place.
    auto* W1 = add(new QWidget(client), QStringLiteral("W1"));
    W1->hide();

    PictureBox* treeTitle = picture(indexed("Picture1", 0), client, artwork::titleStrip());
    title(indexed("Label4", 1), QStringLiteral("选择课文"), treeTitle);
    T1_ = add(new QTreeWidget(client), QStringLiteral("T1"));
    styleCatalogueTree(*T1_);

    PictureBox* wordTitle = picture(indexed("Picture1", 2), client, artwork::titleStrip());
    title(indexed("Label4", 2), QStringLiteral("生词列表"), wordTitle);
    r3_ = add(new QPlainTextEdit(client), QStringLiteral("r3"));
    plainBox(r3_, arial(9));

    PictureBox* textTitle = picture(indexed("Picture1", 1), client, artwork::titleStrip());
    title(indexed("Label4", 3), QString(), textTitle)->setAutoSize(true);
    Picture5_ = picture(QStringLiteral("Picture5"), client, artwork::buttonNormal());
    Picture6_ = picture(QStringLiteral("Picture6"), client, artwork::buttonPressed());
    r1_ = add(new LessonTextBox(client), QStringLiteral("r1"));
    plainBox(r1_, arial(kBoxPoints));
    r1_->setAcceptRichText(false);
    // The right button looks words up in the lesson text: no context menu there. A
    // drag selects text, which Ctrl+C copies (see lessonTextReleased()).
    r1_->setContextMenuPolicy(Qt::NoContextMenu);

    PictureBox* toolbar = picture(QStringLiteral("Picture3"), client, artwork::toolbarStrip());
    title(indexed("Label4", 0), QStringLiteral("句子学习"), toolbar);
    const char* const toolCaptions[] = {"上一句", "下一句", "朗  读", "● 录音", "回  放", "另存为"};
    for (int i = 0; i <= 5; ++i) {
        PictureBox* frame = picture(indexed("Picture4", i), toolbar, artwork::buttonNormal());
        frame->setToolTip(toolbarTip(i));
        CaptionLabel* caption = label(indexed("Label5", i), QString::fromUtf8(toolCaptions[i]), frame);
        caption->setAlignment(Qt::AlignCenter);
        caption->setForeColor(artwork::titleText);
        caption->setEnabled(i < 4);
    }
    r2_ = add(new QPlainTextEdit(client), QStringLiteral("r2"));
    plainBox(r2_, arial(kBoxPoints));

    PictureBox* translationTitle = picture(QStringLiteral("Picture2"), client, artwork::titleStrip(false));
    title(indexed("Label4", 4), QStringLiteral("中文翻译"), translationTitle);
    Picture10_ = picture(QStringLiteral("Picture10"), client, artwork::toggleButton());
    Picture10_->setCursor(Qt::PointingHandCursor);
    Label14_ = label(QStringLiteral("Label14"), translationToggleCaption(true), Picture10_);
    Label14_->setAlignment(Qt::AlignCenter);
    Label14_->setForeColor(artwork::titleText);

    buildPopup(client);
    noticeLine_ = new NoticeLine(client);
}

void Form1::showNotice(const QString& text) {
    noticeLine_->showNotice(text);
}

void Form1::buildCommandBar(QWidget* client) {
    const char* const captions[] = {"朗读", "停止", "听写", "帮助", "主页"};
    for (int i = 1; i <= 5; ++i) {
        PictureBox* box = add(new PictureBox(indexed("Picture7", i), client));
        box->setBorderStyle(0);
        // The tip covers the icon and caption inside; the cell lights up under the
        // pointer while its command can be used.
        box->setToolTip(commandTip(i));
        box->setHoverLook(i > 2);
        auto* icon = add(new ImageBox(indexed("Image1", i), artwork::commandIcon(i), box));
        auto* caption = add(new CaptionLabel(indexed("Label6", i), QString::fromUtf8(captions[i - 1]), box));
        caption->setAlignment(Qt::AlignCenter);
        caption->setForeColor(QColor(22, 48, 92));
        if (i <= 2) {
            icon->setEnabled(false);
            caption->setEnabled(false);
        }
    }
}

void Form1::buildPopup(QWidget* client) {
    const WordPopup::Parts parts = WordPopup::makeParts(client);
    Picture8_ = add(parts.frame);
    for (CaptionLabel* label : {parts.headword, parts.open, parts.phonetic, parts.close, parts.meaning})
        add(label);
}

void Form1::wireEvents() {
    for (int i = 1; i <= 5; ++i) {
        PictureBox* box = Picture7(i);
        const auto press = [box](Qt::MouseButton) { box->setBorderStyle(1); };
        connect(box, &PictureBox::mouseDown, this, press);
        connect(box, &PictureBox::mouseUp, this, [box](Qt::MouseButton) { box->setBorderStyle(0); });
        const auto release = [this, box, i](Qt::MouseButton) {
            box->setBorderStyle(0);
            runCommand(i);
        };
        connect(Image1(i), &ImageBox::mouseDown, this, press);
        connect(Image1(i), &ImageBox::mouseUp, this, release);
        connect(Label6(i), &CaptionLabel::mouseDown, this, press);
        connect(Label6(i), &CaptionLabel::mouseUp, this, release);
    }
    connect(this, &Form1::readRequested, controller_, &SentenceController::readLesson);
    connect(this, &Form1::stopRequested, controller_, &SentenceController::stopReading);

    // The sentence toolbar: the frame shows the pressed picture while its label is held;
    // the release restores it, then runs the button.
    for (int i = 0; i <= 5; ++i) {
        wirePictureButton(*Label5(i), *Picture4(i), Picture5_->picture(), Picture6_->picture(),
                          [this, i] { runToolbarButton(i); });
    }
    connect(r1_, &LessonTextBox::mouseUp, this, &Form1::lessonTextReleased);

    const auto popupPart = [this](const char* name) {
        return static_cast<CaptionLabel*>(control(QLatin1String(name)));
    };
    wordPopup_ = new WordPopup(
        this,
        {Picture8_, popupPart("Label11"), popupPart("Label12"), popupPart("Label15"), popupPart("Label13"),
         popupPart("Label16")},
        WordLookup(services_.speech, [] { return dataPath(DataFolder(), files::dictionary); }), this);
    wordPopup_->watch(r1_, PopupLayout::Source::LessonText);
    wordPopup_->watch(r2_, PopupLayout::Source::SentenceBox);
    wordPopup_->watch(r3_, PopupLayout::Source::WordList);

    connect(Label4(5), &CaptionLabel::clicked, this, &Form1::openHomePage);
    connect(Label14_, &CaptionLabel::clicked, this, &Form1::Label14_Click);
    connect(Picture10_, &PictureBox::clicked, this, &Form1::Label14_Click);
    connect(T1_, &QTreeWidget::itemClicked, this, [this] { LoadLesson(); });
    activateOnReturn(*T1_, [this] { LoadLesson(); });
    connect(this, &Form1::lessonLoaded, this, [this] { listenFirst_->lessonLoaded(lesson_); });
}

void Form1::Form_Load() {
    // Maximised; where no window manager honours that (a bare X server), the window
    // still takes the whole available screen.
    if (const QScreen* s = screen())
        setGeometry(s->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    for (int i = 1; i <= 5; ++i)
        Picture7(i)->setBackColor(artwork::commandBarBack);
    QPalette p = palette();
    p.setColor(QPalette::Window, artwork::windowBack);
    setPalette(p);
    static_cast<CaptionLabel*>(control(QStringLiteral("Label1")))->setBackColor(artwork::commandBarBack);
    static_cast<PictureBox*>(control(QStringLiteral("Picture3")))->setBackColor(artwork::toolbarBack);
    static_cast<PictureBox*>(control(QStringLiteral("Picture9")))->setBackColor(artwork::commandBarBack);
    FillCatalogue(*T1_, imageList_);
    const QString phonetic = QString::fromUtf8(phoneticFontFamilyName());
    if (!phonetic.isEmpty()) {
        QWidget* Label15 = control(QStringLiteral("Label15"));
        QFont f = Label15->font();
        f.setFamilies({phonetic});
        Label15->setFont(f);
        Label15->update();
    }
    show();
    // Asked once the window is up: the player may still be setting up its output.
    afterFirstFrame(*this, [this] {
        if (services_.player.soundOutputMissing())
            noticeLine_->showNotice(kNoSoundOutput, 0); // until clicked: it concerns every play
    });
    // A sound output that stops answering or goes away is said at once, and so is its
    // return.
    watchOutputTrouble();
}

void Form1::watchOutputTrouble() {
    lesnor::watchOutputTrouble(services_.player, *noticeLine_);
}

void Form1::LoadLesson() {
    IMediaPlayer& player = services_.player;
    player.close();
    player.stop();

    r1_->clear();
    r2_->clear();
    r3_->clear();
    Label8_->clear();
    Label10_->clear();

    // The window is empty now; this also disables the stop cell and enables
    // "上一句" and "下一句".
    lesson_ = Lesson{};
    controller_->lessonLoaded(lesson_);
    emit readingReset();

    Label4(3)->setText(QString());

    QString copyPath;
    QTreeWidgetItem* node = T1_->currentItem();
    if (node && !node->parent()) {
        node->setExpanded(!node->isExpanded());
    } else if (node) {
        const QString book = bookDigitFromCaption(node->parent()->text(0));
        const QString caption = node->text(0);
        Label8_->setText(kHint);
        Label4(3)->setText(caption);
        lesson_ = readLesson(book, caption, DataFolder(), ProgramFolder());
        copyPath = lessonAudioCopyPath(DataFolder(), book, caption);
        showLessonText();
        QString words = lesson_.wordListText();
        r3_->setPlainText(words.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }

    const LessonAudio audio = prepareLessonAudio(lesson_.LessonAudioFile, copyPath, services_.files, this);
    player.setUrl(audio.playerUrl);
    controller_->lessonLoaded(lesson_);
    setReadCommandEnabled(audio.playable);
    player.stop();
    const QString notice =
        notices::lessonLoad(lesson_, audio, DataFolder(), services_.files, QStringLiteral("无法朗读"));
    if (!notice.isEmpty())
        showNotice(notice);
    emit lessonLoaded();
}

bool Form1::openLessonAt(int book, int lesson, int sentence) {
    QTreeWidgetItem* node = findLessonNode(*T1_, book, lesson);
    if (!node)
        return false;
    node->parent()->setExpanded(true);
    T1_->setCurrentItem(node);
    T1_->scrollToItem(node);
    LoadLesson();
    if (lesson_.count() > 0)
        controller_->showSentence(qBound(0, sentence, lesson_.count() - 1));
    return true;
}

// The lesson text: each sentence its own paragraph followed by an empty one (the CR LF
// CR LF after every sentence), all of it teal Arial 12 pt, the insertion point at the
// start with nothing selected. Sentence i starts at lesson().documentStart(i).
void Form1::showLessonText() {
    QString text = lesson_.text();
    r1_->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QTextCursor all(r1_->document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(lessonTextFormat(kTeal, textScale_));
    r1_->setTextCursor(QTextCursor(r1_->document()));
}

// Positions outside the text are clamped to it: the last position of a document is
// its final paragraph break, which a cursor cannot pass.
void Form1::colourLessonText(int start, int length, TextColour colour) {
    QTextDocument* document = r1_->document();
    const int last = document->characterCount() - 1;
    const int from = qBound(0, start, last);
    QTextCursor range(document);
    range.setPosition(from);
    range.setPosition(qBound(from, start + length, last), QTextCursor::KeepAnchor);
    range.mergeCharFormat(lessonTextFormat(colour == TextColour::Red ? kRed : kTeal, textScale_));
}

// The letters unseen but still laid out, underlined: a blank exactly as wide as the text.
void Form1::maskLessonText(int start, int length, TextColour colour) {
    colourLessonText(start, length, colour);
    QTextCharFormat blank;
    blank.setForeground(Qt::transparent);
    blank.setFontUnderline(true);
    blank.setUnderlineColor(colour == TextColour::Red ? kRed : kTeal);
    QTextCursor range(r1_->document());
    const int last = r1_->document()->characterCount() - 1;
    range.setPosition(qBound(0, start, last));
    range.setPosition(qBound(0, start + length, last), QTextCursor::KeepAnchor);
    range.mergeCharFormat(blank);
}

void Form1::beginTextChanges() {
    textChanges_ = std::make_unique<QTextCursor>(r1_->document());
    textChanges_->beginEditBlock();
}

void Form1::endTextChanges() {
    if (textChanges_)
        textChanges_->endEditBlock();
    textChanges_.reset();
}

void Form1::setWordListHidden(bool hidden) {
    r3_->setVisible(!hidden);
}

void Form1::setTextPercent(int percent) {
    const double scale = percent / 100.0;
    if (qFuzzyCompare(scale, textScale_))
        return;
    textScale_ = scale;
    QTextCharFormat size;
    size.setFontPointSize(kLessonTextPoints * scale);
    QTextCursor all(r1_->document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(size);
    r1_->setFont(arial(kBoxPoints * scale));
    fitSentenceBox();
    QFont translation = windowFont();
    translation.setPointSizeF(translation.pointSizeF() * scale);
    Label8_->setFont(translation);
    showCurrentSentence();
}

// The sentence box keeps its place: its text takes the learner's size where it fits,
// else the largest that does (never below its own). The translation line does so itself.
void Form1::fitSentenceBox() {
    fitText(*r2_, kBoxPoints * textScale_, kBoxPoints);
}

// The caret (the end of the current sentence) in view, and the sentence's start too:
// the whole sentence where it fits, else its start at the top.
void Form1::showCurrentSentence() {
    r1_->ensureCursorVisible();
    const int i = lesson_.sentenceAtDocumentPosition(r1_->textCursor().position());
    if (i < 0)
        return;
    QTextCursor start(r1_->document());
    start.setPosition(qBound(0, lesson_.documentStart(i), r1_->document()->characterCount() - 1));
    const int above = -r1_->cursorRect(start).top();
    if (above > 0)
        r1_->verticalScrollBar()->setValue(r1_->verticalScrollBar()->value() - above);
}

void Form1::setLessonCaret(int position) {
    QTextCursor caret = r1_->textCursor();
    caret.setPosition(qBound(0, position, r1_->document()->characterCount() - 1));
    r1_->setTextCursor(caret);
    showCurrentSentence();
}

void Form1::setSentenceText(const QString& text) {
    r2_->setPlainText(text);
    fitSentenceBox();
}

void Form1::setCaption(Caption label, const QString& text) {
    switch (label) {
    case Caption::Label8:
        Label8_->setText(text);
        break;
    case Caption::Label9:
        Label9_->setText(text);
        break;
    case Caption::Label10:
        Label10_->setText(text);
        break;
    }
}

void Form1::setToolbarButtonEnabled(int index, bool enabled) {
    if (CaptionLabel* button = Label5(index))
        button->setEnabled(enabled);
}

// The controller reports changes only, so the hidden field is written once per change.
void Form1::setPositionText(const QString& text) {
    Text1_->setText(text);
}

qint16 Form1::SentenceIndex() const {
    return controller_->SentenceIndex();
}

bool Form1::ContinuousRead() const {
    return controller_->ContinuousRead();
}

const QTimer* Form1::Timer1() const {
    return &controller_->Timer1();
}

QTextEdit* Form1::r1() const {
    return r1_;
}

void Form1::runToolbarButton(int index) {
    switch (index) {
    case 0:
        controller_->previousSentence();
        break;
    case 1:
        controller_->nextSentence();
        break;
    case 2:
        controller_->readSentence();
        break;
    default:
        recorderButtons_->released(index);
        break;
    }
}

// A left-button release plays the sentence at the caret the click placed, unless it
// ends a drag that selected text: that selection stays, to be copied (the right button
// belongs to the word pop-up).
void Form1::lessonTextReleased(Qt::MouseButton button) {
    if (button == Qt::LeftButton && !r1_->textCursor().hasSelection())
        controller_->sentenceClicked(r1_->textCursor().position());
}

void Form1::Label14_Click() {
    toggleTranslation(*Label14_, *Label8_, Label10_->text());
}

bool Form1::translationShown() const {
    return lesnor::translationShown(*Label14_);
}

void Form1::setReadCommandEnabled(bool enabled) {
    Image1(1)->setEnabled(enabled);
    Label6(1)->setEnabled(enabled);
    Picture7(1)->setHoverLook(enabled);
}

void Form1::setStopCommandEnabled(bool enabled) {
    Image1(2)->setEnabled(enabled);
    Label6(2)->setEnabled(enabled);
    Picture7(2)->setHoverLook(enabled);
}

void Form1::runCommand(int index) {
    switch (index) {
    case 1:
        emit readRequested();
        break;
    case 2:
        emit stopRequested();
        break;
    case 3:
        emit dictationRequested();
        break;
    case 4:
        openHelpPage();
        break;
    case 5:
        openHomePage();
        break;
    default:
        break;
    }
}

void Form1::openHelpPage() {
    if (!services_.shell.openUrl(helpPageAddress(ProgramFolder(), services_.files)))
        showNotice(links::notOpened);
}

void Form1::openHomePage() {
    if (!services_.shell.openUrl(links::homePage))
        showNotice(links::notOpened);
}

const Picture& Form1::normalButtonPicture() const {
    return Picture5_->picture();
}

const Picture& Form1::pressedButtonPicture() const {
    return Picture6_->picture();
}

PictureBox* Form1::Picture7(int i) const {
    return static_cast<PictureBox*>(control(indexed("Picture7", i)));
}

ImageBox* Form1::Image1(int i) const {
    return static_cast<ImageBox*>(control(indexed("Image1", i)));
}

CaptionLabel* Form1::Label6(int i) const {
    return static_cast<CaptionLabel*>(control(indexed("Label6", i)));
}

CaptionLabel* Form1::Label4(int i) const {
    return static_cast<CaptionLabel*>(control(indexed("Label4", i)));
}

PictureBox* Form1::Picture4(int i) const {
    return static_cast<PictureBox*>(control(indexed("Picture4", i)));
}

CaptionLabel* Form1::Label5(int i) const {
    return static_cast<CaptionLabel*>(control(indexed("Label5", i)));
}

double Form1::twipsPerPixelX() const {
    return lesnor::twipsPerPixelX(*this);
}

double Form1::twipsPerPixelY() const {
    return lesnor::twipsPerPixelY(*this);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

// The rule works on the outer size: the frame, caption and menu bar included. A
// minimised window changes nothing; a maximised one cannot be given a size.
void Form1::Form_Resize() {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return;
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    // The window never outgrows the screen's available area, even where that is smaller
    // than the design minimum (a small screen or a large scale factor); it is then laid
    // out as one that cannot be sized.
    QSize limit(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (const QScreen* s = screen())
        limit = s->availableGeometry().size() - frame;
    const QSize minimum = QSize(qCeil(FormLayout::minimumOuterSize.width / tx) - frame.width(),
                                qCeil(FormLayout::minimumOuterSize.height / ty) - frame.height());
    const bool sizable =
        !(state & (Qt::WindowMaximized | Qt::WindowFullScreen)) && minimum == minimum.boundedTo(limit);
    const TwipSize outerTwips = layoutOuterSize({outer.width() * tx, outer.height() * ty}, sizable);
    const ResizeResult r = resizeForm1(layout_, outerTwips, sizable);
    layout_ = r.layout;
    fitSmallWindow(layout_, outerTwips, sizable);
    applyLayout();
    fitSentenceBox();
    if (r.windowResized)
        resize(QSize(qCeil(r.outer.width / tx) - frame.width(), qCeil(r.outer.height / ty) - frame.height())
                   .boundedTo(limit));
    if (minimumSize() != minimum.boundedTo(limit))
        setMinimumSize(minimum.boundedTo(limit));
}

void Form1::applyLayout() {
    for (const ControlPlace& place : layout_.controls())
        applyPlace(place);
}

void Form1::applyPlace(const QString& name) {
    for (const ControlPlace& place : layout_.controls()) {
        if (place.name == name)
            applyPlace(place);
    }
}

void Form1::applyPlace(const ControlPlace& place) {
    if (QWidget* w = control(place.name))
        placeInTwips(*w, place.rect);
}

void Form1::closeEvent(QCloseEvent* event) {
    runShutDown();
    event->accept();
}

void Form1::runShutDown() {
    if (shutDown_)
        shutDown_();
}

} // namespace lesnor
