#pragma once

#include <QLabel>

class QTimer;

namespace lesnor {

class IMediaPlayer;

// A short, unobtrusive line at the bottom of a window's client area that tells the
// learner something they asked for did not work ("未找到声音设备，朗读将无声").
// It never takes the focus or blocks; it stays above the other controls, follows the
// parent's size, and hides itself after a while or when clicked. A new text replaces
// the old one. Both windows use it; its objectName is "NoticeLine".
class NoticeLine : public QLabel {
    Q_OBJECT
public:
    explicit NoticeLine(QWidget* parent);

    // Shows `text` for `milliseconds` (0: until the next text or a click).
    void showNotice(const QString& text, int milliseconds = 10000);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void place();

    QTimer* hideTimer_ = nullptr;
};

// Makes `line` say when the player's sound output stops answering or goes away, and when
// it is back (replacing the handler another window installed); a trouble already under
// way is said at once.
void watchOutputTrouble(IMediaPlayer& player, NoticeLine& line);

} // namespace lesnor
