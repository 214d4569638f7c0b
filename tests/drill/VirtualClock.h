#pragma once

// The lesson window's reading run on the fake player's virtual clock: what the learner
// hears, each play as "<sentence>:<heard ms>", and each rest between plays in ms.
#include "FakeMediaPlayer.h"
#include "playback/SentenceController.h"

#include <QStringList>
#include <functional>

namespace lesnor::test {

// Runs the clock in 1 ms steps, ending rests by their own length, until nothing is
// pending, `stopWhen` holds (checked at every rest and step), or `limit` seconds; adds
// what was heard to `heard` and the rests to `rests`.
inline void runVirtualClock(SentenceController& controller, FakeMediaPlayer& player, QStringList& heard,
                            QList<int>& rests, double limit = 60.0,
                            const std::function<bool()>& stopWhen = {}) {
    double playedMs = 0;
    for (double clock = 0; clock < limit;) {
        if (stopWhen && stopWhen())
            return;
        if (controller.pausePending()) {
            const int rest = controller.pauseTimer().interval();
            rests << rest;
            clock += rest / 1000.0;
            controller.endPause();
            continue;
        }
        if (!controller.pollActive())
            return;
        const bool wasPlaying = player.playState() == IMediaPlayer::Playing;
        const int index = controller.SentenceIndex();
        player.advance(0.001);
        clock += 0.001;
        playedMs += 1;
        controller.tick();
        if (wasPlaying && player.playState() != IMediaPlayer::Playing) {
            heard << QStringLiteral("%1:%2").arg(index).arg(qRound(playedMs / 10) * 10);
            playedMs = 0;
        }
    }
}

// The sentences of `heard`, in order.
inline QStringList sentencesOf(const QStringList& heard) {
    QStringList out;
    for (const QString& h : heard)
        out << h.section(QLatin1Char(':'), 0, 0);
    return out;
}

} // namespace lesnor::test
