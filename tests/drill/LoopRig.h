#pragma once

// One sentence of a tone in a lesson of its own, played by the real controller with the
// drill's steps on the player given: what the drill's sound test and its benchmark loop.
#include "FakeLessonView.h"
#include "drill/SentenceDrill.h"
#include "playback/SentenceController.h"

namespace lesnor::test {

struct LoopRig {
    FakeLessonView view;
    SentenceController ctl;
    SentenceDrill drill;

    // The sentence "Tone." lasts `length` seconds from `start` in `media`, which the
    // player opens.
    LoopRig(IMediaPlayer& player, const QString& media, double start, double length)
        : ctl(player, view)
        , drill(player) {
        ctl.setReadingSteps(&drill);
        Lesson lesson;
        lesson.List1 = QStringList{"Tone."};
        lesson.List2 = QStringList{"音。"};
        lesson.List3 = QStringList{QString::number(start)};
        lesson.List4 = QStringList{QString::number(start + length)};
        view.showLesson(lesson);
        ctl.lessonLoaded(lesson);
        player.setUrl(media);
    }
};

} // namespace lesnor::test
