#pragma once

#include <QList>
#include <QString>

namespace lesnor {

// The learner's drill choices. The defaults are the lesson window's plain behaviour:
// every sentence plays once at the recording's own speed, the reading rests one second
// between sentences, all text shows at its own size.
struct DrillSettings {
    // Times a sentence plays in a row: 1 (no loop), 2, 3, 5, or 0 (until stopped).
    int loopTimes = 1;
    // Playing speed, 0.5 to 1.0 in steps of 0.1.
    double rate = 1.0;
    // After each sentence of the reading, a rest of its heard length × pauseFactor
    // + 0.5 s, to say it aloud.
    bool pauseToRepeat = false;
    double pauseFactor = 1.5;
    // The lesson text as blanks until each sentence is revealed.
    bool listenFirst = false;
    // The lesson text, sentence box and translation line at this percentage.
    int textPercent = 100;

    bool operator==(const DrillSettings&) const = default;

    static const QList<int>& loopChoices();     // 2, 3, 5, 0
    static const QList<double>& rates();        // 0.5 … 1.0
    static const QList<double>& pauseFactors(); // 1.0, 1.5, 2.0
    static const QList<int>& textPercents();    // 100 … 200
    static constexpr int loopGapMs = 800;       // between two plays of a sentence
    static constexpr int restMs = 1000;         // between two sentences, no pause to repeat
    static constexpr int pauseExtraMs = 500;

    // The neighbouring step of `value` in `steps` (`by` -1 or +1), clamped to the ends;
    // a value between steps moves to the nearest one in that direction.
    static double step(const QList<double>& steps, double value, int by);
    static int step(const QList<int>& steps, int value, int by);

    // The same settings with every value that is not one of its choices replaced by
    // its default.
    DrillSettings checked() const;

    // What is on, for the notice area, e.g. "单句循环 · 语速 0.8×"; "" when nothing is.
    QString describe() const;

    // Where they are kept: a settings file in the user's configuration folder. read()
    // gives the defaults for a missing, unreadable or corrupt file, and for each value
    // that is missing or out of range; write() replaces the file whole (a kill leaves
    // the old or the new one) and says whether it could.
    static DrillSettings read(const QString& path);
    static bool write(const QString& path, const DrillSettings& settings);
    // The standard per-user place: <config>/lesnor/drill.conf.
    static QString standardPath();
};

} // namespace lesnor
