#include "drill/SentenceDrill.h"

#include "platform/MediaPlayer.h"

#include <cmath>

namespace lesnor {

SentenceDrill::SentenceDrill(IMediaPlayer& player, QObject* parent)
    : QObject(parent)
    , player_(player) {}

void SentenceDrill::restore(const DrillSettings& settings) {
    settings_ = settings.checked();
    // A player at the wanted speed is not touched: the plain program never sets it.
    if (std::abs(player_.rate() - settings_.rate) > 1e-6)
        player_.setRate(settings_.rate);
    emit changed();
}

bool SentenceDrill::speedApplied() const {
    return std::abs(player_.rate() - settings_.rate) < 1e-6;
}

void SentenceDrill::change(const DrillSettings& next) {
    const DrillSettings checked = next.checked();
    if (checked == settings_)
        return;
    restore(checked);
    if (keep_)
        keep_(settings_);
}

void SentenceDrill::toggleLoop() {
    setLoopTimes(settings_.loopTimes == 1 ? 0 : 1);
}

void SentenceDrill::setLoopTimes(int times) {
    DrillSettings next = settings_;
    next.loopTimes = times;
    change(next);
}

void SentenceDrill::slower() {
    setRate(DrillSettings::step(DrillSettings::rates(), settings_.rate, -1));
}

void SentenceDrill::faster() {
    setRate(DrillSettings::step(DrillSettings::rates(), settings_.rate, +1));
}

void SentenceDrill::normalSpeed() {
    setRate(1.0);
}

void SentenceDrill::setRate(double rate) {
    DrillSettings next = settings_;
    next.rate = rate;
    change(next);
}

void SentenceDrill::togglePauseToRepeat() {
    DrillSettings next = settings_;
    next.pauseToRepeat = !next.pauseToRepeat;
    change(next);
}

void SentenceDrill::setPauseFactor(double factor) {
    DrillSettings next = settings_;
    next.pauseFactor = factor;
    change(next);
}

void SentenceDrill::toggleListenFirst() {
    setListenFirst(!settings_.listenFirst);
}

void SentenceDrill::setListenFirst(bool on) {
    DrillSettings next = settings_;
    next.listenFirst = on;
    change(next);
}

void SentenceDrill::largerText() {
    DrillSettings next = settings_;
    next.textPercent = DrillSettings::step(DrillSettings::textPercents(), settings_.textPercent, +1);
    change(next);
}

void SentenceDrill::smallerText() {
    DrillSettings next = settings_;
    next.textPercent = DrillSettings::step(DrillSettings::textPercents(), settings_.textPercent, -1);
    change(next);
}

void SentenceDrill::normalText() {
    DrillSettings next = settings_;
    next.textPercent = 100;
    change(next);
}

// The rest after a sentence of the reading is timed by what the learner heard: its
// length in the recording stretched by the speed.
SentenceDrill::After SentenceDrill::afterSentence(int, int plays, double seconds, bool continuous) const {
    const int times = settings_.loopTimes;
    if (times == 0 || plays < times)
        return {true, DrillSettings::loopGapMs};
    if (!continuous || !settings_.pauseToRepeat)
        return {false, DrillSettings::restMs};
    const double heard = seconds / settings_.rate;
    return {false, int(std::lround(heard * settings_.pauseFactor * 1000.0)) + DrillSettings::pauseExtraMs};
}

} // namespace lesnor
