#pragma once

// What the end-to-end driver uses to run the real program and look at it from the
// outside: the program under the probe (Program), the X pointer and keyboard through
// xdotool (X), the sound server's monitor (Capture) and the arithmetic that maps what
// was heard back to a place in a known recording.
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace lesnor::e2e {

qint64 monotonicMicros();

// Prints one measured figure as "name: value unit (detail)".
void figure(const char* name, double value, const char* unit, const QString& detail = QString());

// Polls `done` every 10 ms while the event loop runs, at most `timeoutMs`.
bool waitFor(const std::function<bool()>& done, int timeoutMs);

// "x y w h ..." → the rectangle; an invalid one for "none".
QRect rectFrom(const QString& answer);

// One sentence of the built-in lesson pack, as its source table gives it.
struct Sentence {
    QString english;
    QString chinese;
    double start = 0;
    double end = -1; // -1: to the end of the recording
};
// The pack's source rows of one lesson (`table`: <build>/pack/source/sentences.tsv).
QList<Sentence> packSentences(const QString& table, int book, int lesson);

// One run of `lesnor` with the probe loaded.
class Program {
public:
    // `tmp` becomes the program's temporary folder (its data folder lies in it).
    Program(const QString& executable, const QString& probeLibrary, const QString& tmp);
    ~Program();

    bool start();
    QString ask(const QString& request);
    QRect widget(const QString& name);
    bool visible(const QString& name);
    bool enabled(const QString& name);
    QString text(const QString& name);
    // Clicks the middle of the named control with the X pointer; false when it is not found.
    bool click(const QString& name);
    // Waits until the named control shows `text`.
    bool waitForText(const QString& name, const QString& text, int timeoutMs = 5000);
    // Waits until a window has stopped moving (the window manager places new windows).
    void settle(const QString& window);
    // Opens lesson `lesson` of `book` (a node caption) in the window's tree, as a learner
    // clicks it: the book is expanded first when it is not.
    bool openLesson(const QString& window, const QString& book, int lesson);
    qint64 pid() const { return process_.processId(); }
    // Still running: a step that checks for something absent ("not enabled", "no red
    // pixels") asks first, so a crash is blamed on the step where it happened.
    bool running() const { return process_.state() == QProcess::Running; }
    bool waitForExit(int timeoutMs);
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
    QString dataFolder() const;
    QByteArray output() { return process_.readAllStandardError(); }

private:
    QProcess process_;
    QLocalSocket socket_;
    QString executable_;
    QString probeLibrary_;
    QString tmp_;
    QString socketPath_;
};

// The probe's times (monotonic microseconds) of `what` ("press", "release", "show",
// "hide") on `widget` in an answer to "events".
QList<qint64> eventTimes(const QString& events, const QString& what, const QString& widget);

// The X pointer and keyboard, through xdotool.
namespace x {
bool run(const QStringList& args);
void click(QPoint at, int button = 1);
void press(QPoint at, int button = 1);
void release(int button = 1);
void key(const QString& keys);
void type(const QString& text);
// The X window of the program's top-level with `title`; 0 when none.
QString windowOf(qint64 pid, const QString& title);
QString property(const QString& window, const QString& name);
QImage screenshot();
} // namespace x

// What the sound server plays, recorded from the default sink's monitor as 16-bit
// mono samples at `rate`.
class Capture {
public:
    static constexpr int rate = 22050;
    bool start();
    QVector<qint16> stop();
    // When the capture's first sample was heard (monotonic microseconds, the probe's
    // clock): of every arrival of samples less the length of all samples so far, the
    // earliest, which the least delayed delivery gives.
    qint64 firstSampleAt() const { return firstSampleAt_; }
    qint64 timeOf(int sample) const { return firstSampleAt_ + qint64(sample) * 1000000 / rate; }

private:
    void take();
    QProcess parec_;
    QByteArray raw_;
    qint64 firstSampleAt_ = 0;
};

// A stretch of sound between two silences, in samples of the capture.
struct Burst {
    int first = 0;
    int last = 0;
};
// The stretches louder than `threshold`, split at silences of at least `gapMs`.
// Clicks shorter than 10 ms are left out; `clicks` (when given) receives them.
QVector<Burst> bursts(const QVector<qint16>& s, int threshold, int gapMs, QVector<Burst>* clicks = nullptr);

// The clicks (as `bursts` gives them) heard before a sentence's start: before a stretch
// of sound and not inside one, as "at <ms> ms, <ms> ms long" texts; empty when none.
QStringList clicksBeforeSound(const QVector<Burst>& clicks, const QVector<Burst>& sound);

// Where in `reference` the capture's samples [from, from + length) are found, searched
// within `radius` samples of `expected`; -1 when no place matches well.
int locate(const QVector<qint16>& capture, int from, int length, const QVector<qint16>& reference,
           int expected, int radius);

// A burst of a known recording mapped back to the recording: the times (seconds in the
// recording) of its first and last heard sample; negative when it cannot be placed.
struct Placed {
    double start = -1;
    double end = -1;
};
Placed place(const QVector<qint16>& capture, const Burst& b, const QVector<qint16>& reference,
             double expectedStart);

// Deterministic noise, the marker recording of the suite: every stretch of it is
// unlike every other, so what is heard can be placed in it to the sample.
QVector<qint16> markerNoise(int samples, quint32 seed);
QByteArray wavFile(const QVector<qint16>& samples, int rate);

// Pixels of `image` inside `r` for which `match` holds.
int countPixels(const QImage& image, const QRect& r, const std::function<bool(QRgb)>& match);

} // namespace lesnor::e2e
