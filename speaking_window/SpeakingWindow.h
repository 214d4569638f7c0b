#pragma once

#include "speaking/Comparison.h"
#include "speaking/SpeakingSession.h"

#include <QWidget>
#include <deque>
#include <memory>

class QComboBox;
class QLabel;
class QProgressBar;

namespace lesnor {

class ComparisonChart;

// "发音对比": the sentence, the chart of the model against the chosen attempt, the
// figures and any problem said plainly, the last five attempts of the sentence (in
// memory only), the level and seconds while recording. Not modal; its place is kept
// across runs (QSettings). Each attempt is analysed on a thread of its own and shown
// when done; the keys: 1 play the model, 2 mine, 3 both, S try again, Ctrl+S save the
// chosen attempt as WAV, Esc close. Playing and recording belong to whoever listens
// to its signals.
class SpeakingWindow : public QWidget, public ISpeakingView {
    Q_OBJECT
public:
    static constexpr int kAttemptsKept = 5;

    explicit SpeakingWindow(QWidget* parent = nullptr);
    ~SpeakingWindow() override;

    // A sentence to practise: its text and the model's sound; the attempts of another
    // sentence are forgotten.
    void setSentence(const QString& text, Sound model) override;
    // A finished attempt: analysed off the UI thread, then kept (the oldest of six goes)
    // and shown.
    void addAttempt(Sound attempt) override;
    // While recording: the level of the latest sound in dBFS and the seconds so far.
    void showRecording(double levelDb, double seconds) override;
    // A line for the learner ("请跟读…", a failure).
    void showNotice(const QString& text) override;
    // Shown, raised and given the keys (it stays where the learner put it).
    void present() override;

    int attemptCount() const { return int(attempts_.size()); }
    // The attempt shown (0 the newest); nullptr without any.
    const Comparison* shownComparison() const;
    const Sound* shownAttempt() const;
    const Sound& model() const { return *model_; }
    // Writes the shown attempt as 16-bit WAV, replacing `path` whole; false on failure.
    bool saveShownAttempt(const QString& path) const;

signals:
    void playModelRequested();
    void playAttemptRequested(); // the attempt shown
    void playBothRequested();
    void tryAgainRequested();
    void attemptShown(); // an analysis finished and is on screen

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Attempt {
        std::shared_ptr<const Sound> sound;
        std::shared_ptr<const Comparison> comparison;
    };
    void analysed(int generation, Attempt attempt);
    void showAttempt(int index);
    void saveWithDialog();

    QLabel* text_ = nullptr;
    ComparisonChart* chart_ = nullptr;
    QLabel* figures_ = nullptr;
    QLabel* notice_ = nullptr;
    QComboBox* attemptList_ = nullptr;
    QProgressBar* meter_ = nullptr;
    QLabel* seconds_ = nullptr;
    std::shared_ptr<const Sound> model_;
    std::deque<Attempt> attempts_; // newest first
    int generation_ = 0;           // a new sentence drops analyses still running
    int attemptNumber_ = 0;
};

} // namespace lesnor
