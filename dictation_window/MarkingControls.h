#pragma once

#include "dictation_window/MarkingView.h"

#include <QObject>
#include <functional>

class QAction;
class QFrame;
class QMenu;
class QWidget;

namespace lesnor {

class CaptionLabel;
class IPreferences;
class MarkingSession;
class TypingBox;

// The dictation window's controls for marked answers, added around the designed ones
// without moving any: the score line under the typing panel ("ScoreLine"), the place
// beside the buttons ("PositionLine"), "比较方式" under the tree with its menu of
// options ("CompareOptions"), and the lesson's summary over the translation panel
// ("SummaryPanel", closed by its "关 闭" or by moving on). Also the window's keys (dictationKeys()):
// Ctrl+Enter answer, Ctrl+R or F5 read again, Alt+→ / Alt+← next / previous sentence;
// each goes to `press` with the button's index, as a release on that button would.
// Plain typing and the text boxes' own editing keys (Ctrl+→ and Ctrl+← among them)
// stay theirs.
class MarkingControls : public QObject, public IMarkingView {
    Q_OBJECT
public:
    MarkingControls(QWidget& window, TypingBox& typing, IPreferences& preferences,
                    std::function<void(int button)> press);

    MarkingSession& session() const { return *session_; }
    QMenu* optionsMenu() const { return menu_; }

    void showMarks(const answers::Marking& marking) override;
    void clearMarks() override;
    bool marksShown() const override;
    void setScoreLine(const QString& text) override;
    void setPositionLine(const QString& text) override;
    void showSummary(const QString& title, const QString& text) override;
    void hideSummary() override;
    bool summaryShown() const override;

private:
    void buildMenu();
    void optionsChanged();

    QWidget& window_;
    TypingBox& typing_;
    MarkingSession* session_ = nullptr;
    CaptionLabel* scoreLine_ = nullptr;
    CaptionLabel* positionLine_ = nullptr;
    CaptionLabel* optionsCaption_ = nullptr;
    QMenu* menu_ = nullptr;
    QFrame* summary_ = nullptr;
    CaptionLabel* summaryTitle_ = nullptr;
    CaptionLabel* summaryText_ = nullptr;
};

} // namespace lesnor
