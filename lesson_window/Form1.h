#pragma once

#include "drill/ListenFirst.h"
#include "lessons/Lesson.h"
#include "platform/Services.h"
#include "playback/LessonView.h"
#include "widgets/FormLayout.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTextCursor;
class QTextEdit;
class QTimer;
class QTreeWidget;

namespace lesnor {

class CaptionLabel;
class ImageBox;
class LessonTextBox;
class NoticeLine;
class PictureBox;
class PracticeMenu;
class SentenceDrill;
class Picture;
class RecorderButtons;
class SentenceController;
class WordPopup;

// The lesson window. Thin: it wires its controls' events to the logic classes and
// shows their results; it owns no player, file or database access of its own.
// Sentence playback is its SentenceController's, which sees the window only as an
// ILessonView.
//
// Every control carries its name as objectName ("r1", "T1", "Picture7(3)", ...); the
// accessors below return them typed. Places are kept in twips (FormLayout) and turned
// into pixels only when applied, at the screen's logical resolution.
class Form1 : public QMainWindow, private ILessonView, private IListenFirstView {
    Q_OBJECT
public:
    explicit Form1(Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    // The window's load handler: colours, catalogue, initial state, shown maximised.
    void Form_Load();

    // What closing the window and the menu item "退出" both run.
    void setShutDown(std::function<void()> shutDown) { shutDown_ = std::move(shutDown); }

    // The response to a click on a node of T1; reads the tree's current node again.
    // Always: closes and stops the player, empties the lesson's text, lists, word list,
    // hint and translation, resets the reading state (see readingReset()). A book node
    // then opens or closes; a lesson node is read from the database and shown, and its
    // recording is copied for the player. Ends with the player stopped.
    void LoadLesson();

    // The translation toggle (a click on Label14 or on Picture10): "隐 藏" means the
    // translation is shown in Label8, "显 示" that Label8 stays empty.
    void Label14_Click();
    bool translationShown() const override;

    // The command bar's enable rules: the icon and caption of a cell change together.
    void setReadCommandEnabled(bool enabled) override;
    void setStopCommandEnabled(bool enabled) override;

    // Opens lesson `lesson` of book `book` as a click on its node does, then makes
    // sentence `sentence` current without playing it (clamped to the lesson; nothing is
    // current in a lesson without sentences). False when the catalogue has no such lesson.
    bool openLessonAt(int book, int lesson, int sentence);
    // "继续上次的课文(&R)" in "文件(&F)": raises resumeRequested(); enabled by its wiring.
    QAction* resumeAction() const { return resumeAction_; }
    // The "练习(&P)" menu, between "文件(&F)" and "帮助(&H)"; made when first asked for.
    QMenu* practiceMenu();

    // The two web pages, opened with the desktop's default handler.
    void openHelpPage();
    void openHomePage();

    // Tells the learner, in the short line at the bottom of the window, that something
    // they asked for did not work. Never modal; a new notice replaces the old one.
    void showNotice(const QString& text);
    // Says the player's output trouble on this window's notice line (again, after the
    // dictation window had it).
    void watchOutputTrouble();
    NoticeLine* noticeLine() const { return noticeLine_; }

    // The loaded lesson: its four sentence lists (List1..List4), word lines, caption and
    // LessonAudioFile. Empty when nothing is loaded.
    const Lesson& lesson() const { return lesson_; }

    // Sentence playback: the reading state and its operations. LoadLesson resets it
    // (SentenceIndex -1, ContinuousRead false, Timer1 and a pending pause stopped) before
    // it loads anything, then emits readingReset().
    SentenceController& controller() const { return *controller_; }
    qint16 SentenceIndex() const;
    bool ContinuousRead() const;

    // The sentence drill (loops, speed, rests, listen first, text size): its settings
    // and steps, the listen-first state between the controller and this window, and
    // the practice menu with its keys.
    SentenceDrill& drill() const { return *drill_; }
    ListenFirst& listenFirst() const { return *listenFirst_; }
    PracticeMenu& practice() const { return *practice_; }
    // The lesson text, sentence box and translation line at `percent` of their size.
    void setTextPercent(int percent);

    // Voice recording: the toolbar's cells 3 to 5.
    RecorderButtons& recorderButtons() const { return *recorderButtons_; }

    // The tree's image list: image 1 for books, image 2 for lessons.
    const QList<QIcon>& ImageList1() const { return imageList_; }
    // The released and pressed toolbar button pictures (Picture5, Picture6).
    const Picture& normalButtonPicture() const;
    const Picture& pressedButtonPicture() const;

    // The places the window's controls have now, in twips.
    const FormLayout& layoutInTwips() const { return layout_; }
    // Runs the resize rule for the window's current outer size and places the controls.
    void Form_Resize();

    QTextEdit* r1() const;
    QPlainTextEdit* r2() const { return r2_; }
    QPlainTextEdit* r3() const { return r3_; }
    QTreeWidget* T1() const { return T1_; }
    // The playback poll, owned by the controller.
    const QTimer* Timer1() const;
    QLineEdit* Text1() const { return Text1_; }
    QLineEdit* Text2() const { return Text2_; }
    CaptionLabel* Label8() const { return Label8_; }
    CaptionLabel* Label9() const { return Label9_; }
    CaptionLabel* Label10() const { return Label10_; }
    CaptionLabel* Label14() const { return Label14_; }
    PictureBox* Picture8() const { return Picture8_; }
    PictureBox* Picture10() const { return Picture10_; }
    PictureBox* Picture7(int i) const; // 1..5
    ImageBox* Image1(int i) const;     // 1..5
    CaptionLabel* Label6(int i) const; // 1..5
    CaptionLabel* Label4(int i) const; // 0..5
    PictureBox* Picture4(int i) const; // 0..5
    CaptionLabel* Label5(int i) const; // 0..5
    // The word pop-up (Picture8) over r1 (right button), r2 and r3 (left button).
    WordPopup& wordPopup() const { return *wordPopup_; }
    // Any control by name, e.g. control("Label15"); nullptr for an unknown name.
    QWidget* control(const QString& name) const { return controls_.value(name); }

signals:
    // The command bar's commands 1 (read the lesson), 2 (stop) and 3 (dictation), raised
    // on release after the press feedback; playback and the dictation window act on them.
    void readRequested();
    void stopRequested();
    void dictationRequested();
    // Raised by LoadLesson right after it reset SentenceIndex, ContinuousRead and Timer1,
    // before anything of the new lesson is shown.
    void readingReset();
    // Raised when LoadLesson has finished (also after a book click).
    void lessonLoaded();
    // "继续上次的课文(&R)" and "生词本" were chosen.
    void resumeRequested();
    void notebookRequested();
    // "跟读对比" (S): the current sentence is to be said after the model; and the practice
    // menu's "停止" (Esc) was chosen, which also ends that.
    void speakRequested();
    void practiceStopped();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What playback shows in the window's controls.
    void colourLessonText(int start, int length, TextColour colour) override;
    void setLessonCaret(int position) override;
    void setSentenceText(const QString& text) override;
    void setCaption(Caption label, const QString& text) override;
    void setToolbarButtonEnabled(int index, bool enabled) override;
    void setPositionText(const QString& text) override;
    // What listen-first shows in the window.
    void maskLessonText(int start, int length, TextColour colour) override;
    void setWordListHidden(bool hidden) override;
    void beginTextChanges() override;
    void endTextChanges() override;

    void buildMenus();
    void buildControls();
    void buildCommandBar(QWidget* client);
    void buildPopup(QWidget* client);
    void wireEvents();
    void runShutDown();
    void runCommand(int index);
    void runToolbarButton(int index);
    void lessonTextReleased(Qt::MouseButton button);
    void showLessonText();
    void fitSentenceBox();
    void showCurrentSentence();
    void applyLayout();
    void applyPlace(const ControlPlace& place);
    void applyPlace(const QString& name);
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

    // Registers a control under its objectName (`name` when given).
    template <class T> T* add(T* widget, const QString& name = QString());

    Services& services_;
    std::function<void()> shutDown_;
    FormLayout layout_;
    Lesson lesson_;
    SentenceController* controller_ = nullptr;
    std::unique_ptr<ListenFirst> listenFirst_;
    SentenceDrill* drill_ = nullptr;
    PracticeMenu* practice_ = nullptr;
    double textScale_ = 1.0;
    // Open during listen-first's changes of many ranges: one layout at its end.
    std::unique_ptr<QTextCursor> textChanges_;
    WordPopup* wordPopup_ = nullptr;
    std::unique_ptr<RecorderButtons> recorderButtons_;
    QList<QIcon> imageList_;
    QHash<QString, QWidget*> controls_;

    LessonTextBox* r1_ = nullptr;
    QPlainTextEdit* r2_ = nullptr;
    QPlainTextEdit* r3_ = nullptr;
    QTreeWidget* T1_ = nullptr;
    QLineEdit* Text1_ = nullptr;
    QLineEdit* Text2_ = nullptr;
    CaptionLabel* Label8_ = nullptr;
    CaptionLabel* Label9_ = nullptr;
    CaptionLabel* Label10_ = nullptr;
    CaptionLabel* Label14_ = nullptr;
    PictureBox* Picture8_ = nullptr;
    PictureBox* Picture10_ = nullptr;
    PictureBox* Picture5_ = nullptr;
    PictureBox* Picture6_ = nullptr;
    NoticeLine* noticeLine_ = nullptr;
    QAction* resumeAction_ = nullptr;
};

} // namespace lesnor
