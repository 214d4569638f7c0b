#pragma once

#include "dictation_window/DictationView.h"
#include "platform/Services.h"
#include "widgets/WordPopup.h"

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace lesnor {

class CaptionLabel;
class DictationController;
class MarkingControls;
class MarkingSession;
class NoticeLine;
class PictureBox;

// The dictation window "听写练习": a fixed-size dialog with its own book and lesson
// tree, a translation panel, the answer box `r2`, the typing box `r1` and five picture
// buttons. Thin: its DictationController plays the sentences on the lesson window's
// player (it has none of its own) and decides what the boxes show.
//
// Every control carries its name as objectName ("r1", "T1", "Label5(3)", ...). Places
// are kept in twips and turned into pixels when the window is built.
class Form2 : public QWidget, private IDictationView {
    Q_OBJECT
public:
    explicit Form2(Services& services, QWidget* parent = nullptr);
    ~Form2() override;

    // The load handler: centred on the screen, coloured, its tree filled with the
    // catalogue (books collapsed), `DictationIndex` 0.
    void Form_Load();

    // The response to a click on a node of T1 (the tree's current node is read again):
    // a book opens or closes and unloads the lesson; a lesson is read and its recording
    // given to the player, stopped.
    void LoadLesson();

    // The translation toggle (a click on Label14 or on Picture10).
    void Label14_Click();
    bool translationShown() const override;

    void showNotice(const QString& text);

    DictationController& controller() const { return *controller_; }
    // Marks answers and sums up lessons; its signals carry each score.
    MarkingSession& marking() const;
    qint16 DictationIndex() const;

    QPlainTextEdit* r1() const { return r1_; }
    QPlainTextEdit* r2() const { return r2_; }
    QTreeWidget* T1() const { return T1_; }
    QLineEdit* Text1() const { return Text1_; }
    CaptionLabel* Label8() const { return Label8_; }
    CaptionLabel* Label10() const { return Label10_; }
    CaptionLabel* Label14() const { return Label14_; }
    PictureBox* Picture10() const { return Picture10_; }
    // The word pop-up over the answer box (Picture8 and its labels).
    WordPopup& wordPopup() const { return *wordPopup_; }
    PictureBox* Picture8() const { return popupParts_.frame; }
    CaptionLabel* Label4(int i) const; // 0..5
    CaptionLabel* Label5(int i) const; // 0..4, 6
    PictureBox* Picture4(int i) const; // 0..4, 6
    // Any control by name; nullptr for an unknown name.
    QWidget* control(const QString& name) const;

signals:
    // The window is closing (close box or "退  出"): the lesson window is to come back.
    void closed();
    // LoadLesson has finished (also after a book click).
    void lessonLoaded();
    // Just before closed(): the summary of the lesson's dictation not yet shown.
    void leftWithSummary(const QString& text);
    // Ctrl+S: the current sentence is to be said after the model (跟读对比).
    void speakRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void clearTyping() override;
    void setAnswer(const QString& text) override;
    void setLabel10(const QString& text) override;
    void setLabel8(const QString& text) override;
    void resetTranslationToggle() override;
    void setButtonEnabled(int index, bool enabled) override;
    void setPositionText(const QString& text) override;

    void buildControls();
    void wireEvents();
    void runButton(int index);
    // After every release on the button array: the typing box takes the focus and the
    // answer box's caret goes to the end of its text.
    void closingStep();

    Services& services_;
    DictationController* controller_ = nullptr;
    MarkingControls* marking_ = nullptr;

    QPlainTextEdit* r1_ = nullptr;
    QPlainTextEdit* r2_ = nullptr;
    QTreeWidget* T1_ = nullptr;
    QLineEdit* Text1_ = nullptr;
    CaptionLabel* Label8_ = nullptr;
    CaptionLabel* Label10_ = nullptr;
    CaptionLabel* Label14_ = nullptr;
    PictureBox* Picture10_ = nullptr;
    NoticeLine* noticeLine_ = nullptr;
    WordPopup::Parts popupParts_{};
    WordPopup* wordPopup_ = nullptr;
};

} // namespace lesnor
