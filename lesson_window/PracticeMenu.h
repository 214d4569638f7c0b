#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;

namespace lesnor {

class Form1;
class ListenFirst;
class SentenceController;
class SentenceDrill;

// The lesson window's menu "练习(&P)", between "文件(&F)" and "帮助(&H)": made on the
// first call, found on the later ones, so that whatever adds items to it shares it.
QMenu* practiceMenu(QMainWindow& window);

// The sentence drill in the lesson window: the practice menu's items (checkable and
// radio items, each with its key shown), the keys themselves (window shortcuts, so they
// work whichever control has the focus, the catalogue tree keeping its arrows, Enter,
// Home and End), and the line at the bottom right naming what is on. It only wires: the
// drill, the listen-first state and the controller do the work.
class PracticeMenu : public QObject {
    Q_OBJECT
public:
    PracticeMenu(Form1& window, SentenceDrill& drill, ListenFirst& listenFirst,
                 SentenceController& controller);

    // The line naming what is on ("单句循环 · 语速 0.8×"); hidden when nothing is.
    QLabel* statusLine() const { return status_; }

    // What Esc does: ends the reading or a sentence's repeats as "停止" does, or else
    // stops the sentence playing.
    void stop();
    // Space: holds the reading, or resumes it.
    void holdOrResume();
    // V: reveals the current sentence.
    void revealCurrent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void showSettings();
    void placeStatus();
    QAction* command(QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                     std::function<void()> run);
    bool readCommandEnabled() const;
    void concealSelection();

    Form1& window_;
    SentenceDrill& drill_;
    ListenFirst& listenFirst_;
    SentenceController& controller_;
    QPointer<QLabel> status_; // a child of the central widget, which may go first
    bool selectionConcealed_ = false;
    QAction* loop_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* listen_ = nullptr;
    QActionGroup* loopTimes_ = nullptr;
    QActionGroup* rates_ = nullptr;
    QActionGroup* factors_ = nullptr;
};

} // namespace lesnor
