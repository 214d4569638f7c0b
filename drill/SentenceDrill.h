#pragma once

#include "drill/DrillSettings.h"
#include "playback/ReadingSteps.h"

#include <QObject>
#include <functional>

namespace lesnor {

class IMediaPlayer;

// The sentence drill's choices at work: how often a sentence repeats and with what
// gap, how long the reading rests after each sentence, and the player's speed. The
// lesson window's SentenceController asks it what follows each sentence (it is its
// IReadingSteps); the menu and keys change it through the operations below.
//
// Every change is applied at once (the speed to the player: to a play under way and
// the following plays of both windows), reported by changed() and handed to the keeper
// given with setKeeper(), which stores it.
class SentenceDrill : public QObject, public IReadingSteps {
    Q_OBJECT
public:
    explicit SentenceDrill(IMediaPlayer& player, QObject* parent = nullptr);

    const DrillSettings& settings() const { return settings_; }
    // Takes `settings` (checked) as they are, e.g. those read at start; the player gets
    // their speed. Not handed to the keeper.
    void restore(const DrillSettings& settings);
    void setKeeper(std::function<void(const DrillSettings&)> keep) { keep_ = std::move(keep); }

    // "单句循环": L turns a loop off, or on until stopped; a count (2, 3, 5, 0) turns it on.
    void toggleLoop();
    void setLoopTimes(int times);
    // "语速": a step slower or faster, back to 1.0, or one of the rates.
    void slower();
    void faster();
    void normalSpeed();
    void setRate(double rate);
    // "跟读停顿" and its factor.
    void togglePauseToRepeat();
    void setPauseFactor(double factor);
    // "先听后看".
    void toggleListenFirst();
    void setListenFirst(bool on);
    // The text size: a step larger or smaller, or back to 100 %.
    void largerText();
    void smallerText();
    void normalText();

    After afterSentence(int index, int plays, double seconds, bool continuous) const override;

    // False when the player was asked for a speed it does not play at (one that cannot
    // change its speed keeps 1.0).
    bool speedApplied() const;

signals:
    void changed();

private:
    void change(const DrillSettings& next);

    IMediaPlayer& player_;
    DrillSettings settings_;
    std::function<void(const DrillSettings&)> keep_;
};

} // namespace lesnor
