#include "lesson_window/PracticeMenu.h"

#include "drill/ListenFirst.h"
#include "drill/SentenceDrill.h"
#include "lesson_window/Form1.h"
#include "lesson_window/WindowTips.h"
#include "playback/SentenceController.h"
#include "widgets/Controls.h"
#include "widgets/WordPopup.h"

#include <QActionGroup>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>
#include <cmath>

namespace lesnor {
namespace {

const QString kMenuName = QStringLiteral("练习");

bool same(double a, double b) {
    return std::abs(a - b) < 1e-6;
}

QString times(double value) {
    return QStringLiteral("%1×").arg(QString::number(value, 'f', 1));
}

} // namespace

QMenu* practiceMenu(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    if (auto* menu = bar->findChild<QMenu*>(kMenuName, Qt::FindDirectChildrenOnly))
        return menu;
    auto* menu = new QMenu(QStringLiteral("练习(&P)"), bar);
    menu->setObjectName(kMenuName);
    auto* help = bar->findChild<QMenu*>(QStringLiteral("帮助"), Qt::FindDirectChildrenOnly);
    bar->insertMenu(help ? help->menuAction() : nullptr, menu);
    return menu;
}

PracticeMenu::PracticeMenu(Form1& window, SentenceDrill& drill, ListenFirst& listenFirst,
                           SentenceController& controller)
    : QObject(&window)
    , window_(window)
    , drill_(drill)
    , listenFirst_(listenFirst)
    , controller_(controller) {
    status_ = new QLabel(window_.centralWidget());
    status_->setObjectName(QStringLiteral("DrillStatus"));
    status_->setAutoFillBackground(true);
    QPalette p = status_->palette();
    p.setColor(QPalette::Window, QColor(232, 244, 236));
    p.setColor(QPalette::WindowText, QColor(0, 96, 64));
    status_->setPalette(p);
    status_->setFrameShape(QFrame::Box);
    status_->setMargin(3);
    status_->setFocusPolicy(Qt::NoFocus);
    status_->hide();
    window_.centralWidget()->installEventFilter(this);
    build();
    connect(&drill_, &SentenceDrill::changed, this, &PracticeMenu::showSettings);
    connect(&drill_, &SentenceDrill::changed, this, [this] {
        if (!drill_.speedApplied())
            window_.showNotice(QStringLiteral("声音输出无法改变语速，仍按原速播放"));
    });
    // A left click that plays a sentence also reveals it.
    connect(static_cast<LessonTextBox*>(window_.r1()), &LessonTextBox::mouseUp, this,
            [this](Qt::MouseButton b) {
                if (b == Qt::LeftButton && !controller_.ContinuousRead() &&
                    !window_.r1()->textCursor().hasSelection())
                    listenFirst_.reveal(
                        window_.lesson().sentenceAtDocumentPosition(window_.r1()->textCursor().position()));
            });
    // Selected text takes the selection's colour, which would show a blank's letters.
    connect(window_.r1(), &QTextEdit::selectionChanged, this, &PracticeMenu::concealSelection);
    // A hidden word is not looked up either: its entry and its sound would give it away.
    window_.wordPopup().setHiddenWords([this](PopupLayout::Source source, int character) {
        switch (source) {
        case PopupLayout::Source::LessonText:
            return listenFirst_.hidesLessonText(character);
        case PopupLayout::Source::SentenceBox:
            return listenFirst_.hidesSentenceBox();
        default:
            return false;
        }
    });
    showSettings();
}

QAction* PracticeMenu::command(QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                               std::function<void()> run) {
    QAction* action = menu->addAction(text);
    action->setObjectName(text);
    action->setShortcuts(keys);
    // Also while the menu bar is hidden or another control has the focus.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    window_.addAction(action);
    return action;
}

void PracticeMenu::build() {
    QMenu* menu = practiceMenu(window_);
    SentenceDrill& d = drill_;
    SentenceController& c = controller_;

    loop_ = command(menu, QStringLiteral("单句循环"), {keys::loop}, [&d] { d.toggleLoop(); });
    loop_->setCheckable(true);
    QMenu* loopMenu = menu->addMenu(QStringLiteral("循环遍数"));
    loopTimes_ = new QActionGroup(this);
    for (int n : DrillSettings::loopChoices()) {
        QAction* a =
            loopMenu->addAction(n == 0 ? QStringLiteral("直到停止") : QStringLiteral("%1 遍").arg(n));
        a->setCheckable(true);
        a->setData(n);
        loopTimes_->addAction(a);
        connect(a, &QAction::triggered, this, [&d, n] { d.setLoopTimes(n); });
    }
    loopTimes_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

    QMenu* speedMenu = menu->addMenu(QStringLiteral("语速"));
    rates_ = new QActionGroup(this);
    for (double r : DrillSettings::rates()) {
        QAction* a = speedMenu->addAction(times(r));
        a->setCheckable(true);
        a->setData(r);
        rates_->addAction(a);
        connect(a, &QAction::triggered, this, [&d, r] { d.setRate(r); });
    }
    speedMenu->addSeparator();
    command(speedMenu, QStringLiteral("慢一点"), {keys::slower}, [&d] { d.slower(); });
    command(speedMenu, QStringLiteral("快一点"), {keys::faster}, [&d] { d.faster(); });
    command(speedMenu, QStringLiteral("原速"), {keys::normalSpeed}, [&d] { d.normalSpeed(); });

    pause_ =
        command(menu, QStringLiteral("跟读停顿"), {keys::pauseToRepeat}, [&d] { d.togglePauseToRepeat(); });
    pause_->setCheckable(true);
    QMenu* pauseMenu = menu->addMenu(QStringLiteral("停顿长度（句长的倍数）"));
    factors_ = new QActionGroup(this);
    for (double f : DrillSettings::pauseFactors()) {
        QAction* a = pauseMenu->addAction(times(f));
        a->setCheckable(true);
        a->setData(f);
        factors_->addAction(a);
        connect(a, &QAction::triggered, this, [&d, f] { d.setPauseFactor(f); });
    }

    listen_ = command(menu, QStringLiteral("先听后看"), {keys::listenFirst}, [&d] { d.toggleListenFirst(); });
    listen_->setCheckable(true);
    command(menu, QStringLiteral("显示本句"), {keys::reveal}, [this] { revealCurrent(); });

    menu->addSeparator();
    command(menu, QStringLiteral("上一句"), keys::previousSentence, [&c] { c.previousSentence(); });
    command(menu, QStringLiteral("下一句"), keys::nextSentence, [&c] { c.nextSentence(); });
    command(menu, QStringLiteral("朗读本句"), {keys::readSentence}, [&c] { c.readSentence(); });
    command(menu, QStringLiteral("朗读全文"), {keys::readLesson}, [this] {
        if (readCommandEnabled())
            controller_.readLesson();
    });
    command(menu, QStringLiteral("从本句朗读"), {keys::readOn}, [this] {
        if (readCommandEnabled())
            controller_.readLessonFrom(controller_.SentenceIndex());
    });
    command(menu, QStringLiteral("暂停/继续朗读"), {keys::holdReading}, [this] { holdOrResume(); });
    command(menu, QStringLiteral("停止"), {keys::stop}, [this] { stop(); });

    menu->addSeparator();
    command(menu, QStringLiteral("放大文字"), keys::largerText, [&d] { d.largerText(); });
    command(menu, QStringLiteral("缩小文字"), {keys::smallerText}, [&d] { d.smallerText(); });
    command(menu, QStringLiteral("文字原大"), {keys::normalText}, [&d] { d.normalText(); });

    menu->addSeparator();
    command(menu, QStringLiteral("跟读对比"), {keys::speak}, [this] { emit window_.speakRequested(); });
}

// The read cell's own rule: a lesson with a playable recording, not being read.
bool PracticeMenu::readCommandEnabled() const {
    return window_.Label6(1)->isEnabled();
}

void PracticeMenu::stop() {
    emit window_.practiceStopped();
    if (controller_.ContinuousRead() || window_.Label6(2)->isEnabled())
        controller_.stopReading();
    else
        controller_.endPlayback();
}

void PracticeMenu::holdOrResume() {
    if (controller_.readingHeld())
        controller_.resumeReading();
    else
        controller_.holdReading();
}

void PracticeMenu::revealCurrent() {
    listenFirst_.reveal(controller_.SentenceIndex());
    concealSelection();
}

void PracticeMenu::showSettings() {
    const DrillSettings& s = drill_.settings();
    loop_->setChecked(s.loopTimes != 1);
    for (QAction* a : loopTimes_->actions())
        a->setChecked(s.loopTimes != 1 && a->data().toInt() == s.loopTimes);
    for (QAction* a : rates_->actions())
        a->setChecked(same(a->data().toDouble(), s.rate));
    pause_->setChecked(s.pauseToRepeat);
    for (QAction* a : factors_->actions())
        a->setChecked(same(a->data().toDouble(), s.pauseFactor));
    listen_->setChecked(s.listenFirst);

    listenFirst_.setOn(s.listenFirst);
    concealSelection();
    window_.setTextPercent(s.textPercent);
    const QString on = s.describe();
    status_->setText(on);
    status_->setVisible(!on.isEmpty());
    placeStatus();
}

// While a selection takes in a hidden sentence, the selected letters stay unseen; the
// lesson text's other colours are its window's.
void PracticeMenu::concealSelection() {
    QTextEdit* r1 = window_.r1();
    const QTextCursor selection = r1->textCursor();
    const bool conceal = listenFirst_.hidesAnyOf(selection.selectionStart(), selection.selectionEnd());
    if (conceal == selectionConcealed_)
        return;
    selectionConcealed_ = conceal;
    QPalette colours;
    if (conceal)
        colours.setBrush(QPalette::HighlightedText, Qt::transparent);
    r1->setPalette(colours);
}

bool PracticeMenu::eventFilter(QObject* watched, QEvent* event) {
    // Not window_.centralWidget(): the window may be part way through its destruction
    // when its central widget, going, sends its last events here.
    if (event->type() == QEvent::Resize && status_ && watched == status_->parentWidget())
        placeStatus();
    return QObject::eventFilter(watched, event);
}

// Bottom right of the client area, one line high; the notices keep the bottom left.
void PracticeMenu::placeStatus() {
    const QWidget* host = status_->parentWidget();
    const QSize hint = status_->sizeHint();
    const int width = qMin(hint.width(), host->width());
    status_->setGeometry(host->width() - width, host->height() - hint.height(), width, hint.height());
    status_->raise();
}

} // namespace lesnor
