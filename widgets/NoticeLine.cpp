#include "widgets/NoticeLine.h"

#include "platform/MediaPlayer.h"

#include <QEvent>
#include <QTimer>

namespace lesnor {

NoticeLine::NoticeLine(QWidget* parent)
    : QLabel(parent)
    , hideTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("NoticeLine"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 248, 214));
    p.setColor(QPalette::WindowText, QColor(96, 64, 0));
    setPalette(p);
    setFrameShape(QFrame::Box);
    setMargin(3);
    setFocusPolicy(Qt::NoFocus);
    hideTimer_->setSingleShot(true);
    connect(hideTimer_, &QTimer::timeout, this, &QWidget::hide);
    parent->installEventFilter(this);
    hide();
}

void NoticeLine::showNotice(const QString& text, int milliseconds) {
    setText(text);
    setToolTip(text);
    place();
    raise();
    show();
    hideTimer_->stop();
    if (milliseconds > 0)
        hideTimer_->start(milliseconds);
}

bool NoticeLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize && isVisible())
        place();
    return QLabel::eventFilter(watched, event);
}

void NoticeLine::mousePressEvent(QMouseEvent*) {
    hideTimer_->stop();
    hide();
}

// Bottom left of the parent, one line high, as wide as its text (at most the parent).
void NoticeLine::place() {
    const QWidget* host = parentWidget();
    const QSize hint = sizeHint();
    const int width = qMin(hint.width(), host->width());
    setGeometry(0, host->height() - hint.height(), width, hint.height());
}

void watchOutputTrouble(IMediaPlayer& player, NoticeLine& line) {
    const auto say = [&player, &line] {
        switch (player.outputTrouble()) {
        case IMediaPlayer::Trouble::Stalled:
            line.showNotice(QStringLiteral("声音输出没有响应，朗读暂停"), 0);
            break;
        case IMediaPlayer::Trouble::Gone:
            line.showNotice(QStringLiteral("声音服务已断开，下次朗读时重新连接"), 0);
            break;
        case IMediaPlayer::Trouble::None:
            line.showNotice(QStringLiteral("声音输出已恢复"));
            break;
        }
    };
    player.setTroubleHandler(say);
    if (player.outputTrouble() != IMediaPlayer::Trouble::None)
        say();
}

} // namespace lesnor
