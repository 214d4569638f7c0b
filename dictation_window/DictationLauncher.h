#pragma once

#include "platform/Services.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace lesnor {

class Form1;
class Form2;

// Opens the dictation window from the lesson window's "听写" and brings the lesson
// window back when it closes. The two windows share one player, so the hand-over
// keeps each window's sound its own:
// - opening ends what the lesson window plays (continuous reading as its stop command
//   does), so its poll never seeks or stops the player under the dictation;
// - closing gives the player back the lesson window's own recording, stopped (no media
//   when the lesson window has no lesson), so a sentence there plays the right audio.
// Every opening creates a fresh Form2; closing destroys it. A summary of the dictation
// that the learner had not seen yet shows on the lesson window's notice line.
class DictationLauncher : public QObject {
    Q_OBJECT
public:
    DictationLauncher(Form1& lessonWindow, Services& services, QObject* parent = nullptr);

    // Shows a new dictation window, then hides the lesson window.
    void open();
    // The open dictation window; nullptr while none is open.
    Form2* window() const;

signals:
    // A new dictation window is loaded and about to be shown.
    void opened(Form2* window);

private:
    void dictationClosed();

    Form1& form1_;
    Services& services_;
    QPointer<Form2> form2_;
    // What the lesson window had given the player when the dictation window opened.
    QString lessonWindowUrl_;
    // The summary the closing dictation window left, for the lesson window's notice line.
    QString summary_;
};

} // namespace lesnor
