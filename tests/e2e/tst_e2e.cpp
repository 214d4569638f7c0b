// The program as a learner uses it: the built `lesnor` on an X server with a window
// manager, heard through the sound server's monitor, driven by the X pointer and
// keyboard. Run by run-e2e.sh, which starts the servers. The steps build on each
// other and run in order; each saves a screenshot in the output folder and prints what
// it measured as "name: value unit" lines.
//
// Lesson 1 of book 1 plays a marker recording (deterministic noise as long as the
// lesson): every heard stretch can be placed in it to the sample, so where each sound
// starts and stops in the recording is measured exactly. The texts, times and words
// come from the program's own lesson database; the other recordings are the pack's.
#include "E2eKit.h"
#include "platform/GstClipDecoder.h"
#include "platform/VoiceSynthesizer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <csignal>
#include <memory>
#include <unistd.h>

using namespace lesnor::e2e;

namespace {

const QString kBook1 = QStringLiteral("Vyk英语(第1册)");
// Today's player, on a loaded machine, now and then lets a click of a few milliseconds be
// heard before a sentence: one a step is allowed until the player no longer does it;
// then 0. After "停止" none is allowed: the player drops what the server holds.
constexpr int kClicksAllowed = 1;
// Today's player, asked to play the sentence it has just played to its end again
// ("朗  读" in the dictation window), first plays some 40 ms from that end (what it
// holds past the stop position), then the sentence. Allowed up to this much until the
// player no longer does it; then 0, as it is for "下一句".
constexpr double kStrayBeforeReplayMs = 100;
const QString kTitle = QStringLiteral("Vyk真人发音电子版");

bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

double median(QVector<double> v) {
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// From the first to the last sample of `audio` above the level the headword is heard at.
double voicedMs(const lesnor::SpeechAudio& audio) {
    const auto loud = [](qint16 v) { return std::abs(int(v)) >= 300; };
    const auto first = std::find_if(audio.samples.begin(), audio.samples.end(), loud);
    const auto last = std::find_if(audio.samples.rbegin(), audio.samples.rend(), loud);
    if (first == audio.samples.end() || audio.rate <= 0)
        return 0;
    return double(std::distance(first, last.base()) - 1) * 1000.0 / audio.rate;
}

double maxAbs(const QVector<double>& v) {
    double m = 0;
    for (double x : v)
        m = std::max(m, std::abs(x));
    return m;
}

// The loud stretch of 16-bit mono samples, and how much stronger 440 Hz is in it than
// the strongest of some other frequencies, near and far (Goertzel's power per sample).
struct Tone {
    double ratio = 0;
    double fromMs = -1;
    double toMs = -1;
};
Tone toneIn(const QByteArray& pcm, int rate) {
    const int n = int(pcm.size() / 2);
    const auto sample = [&pcm](int i) { return qFromLittleEndian<qint16>(pcm.constData() + 2 * i); };
    int first = -1, last = -1;
    for (int i = 0; i < n; ++i) {
        if (std::abs(int(sample(i))) > 1000) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    Tone t;
    if (first < 0 || last <= first)
        return t;
    const auto power = [&](double hz) {
        const double k = 2.0 * std::cos(2.0 * M_PI * hz / rate);
        double s1 = 0, s2 = 0;
        for (int i = first; i <= last; ++i) {
            const double v = sample(i) + k * s1 - s2;
            s2 = s1;
            s1 = v;
        }
        return (s1 * s1 + s2 * s2 - k * s1 * s2) / (last - first + 1);
    };
    double other = 1;
    for (const double hz : {220.0, 420.0, 460.0, 880.0, 1000.0})
        other = std::max(other, power(hz));
    t.ratio = power(440) / other;
    t.fromMs = first * 1000.0 / rate;
    t.toMs = (last + 1) * 1000.0 / rate;
    return t;
}

// The files a run leaves in its data folder after the program ended.
QString leftBehind(const QString& dataFolder) {
    QStringList present;
    for (const char* name : {"mswrd.wd", "qlxxcl.wrd", "mcesound.wav", "sounenclff"}) {
        if (QFileInfo::exists(dataFolder + QLatin1String(name)))
            present << QLatin1String(name);
    }
    return present.join(QLatin1Char(' '));
}

} // namespace

class tst_e2e : public QObject {
    Q_OBJECT

    QString out_;
    QString stage_;
    QString probe_;
    QList<Sentence> lesson1_;
    QList<Sentence> lesson2_;
    QList<Sentence> lesson3_; // lesson 3 keeps the pack's spoken recording
    QVector<qint16> marker_;
    QVector<qint16> marker2_; // lesson 2's recording
    QStringList clicks_;      // the clicks the last playSentenceByClick heard before its sentence
    std::unique_ptr<Program> app_;
    int shots_ = 0;
    qint64 startedAt_ = 0;

    QImage shot(const char* name) {
        const QImage image = x::screenshot();
        image.save(
            out_ +
            QStringLiteral("/%1-%2.png").arg(++shots_, 2, 10, QLatin1Char('0')).arg(QLatin1String(name)));
        return image;
    }

    // The program ended by itself with status 0; otherwise its error output (in the
    // sanitizer build, the leak report made just before the end) is shown.
    void verifyCleanExit() {
        const QByteArray errors = app_->output();
        const bool clean = app_->exitStatus() == QProcess::NormalExit && app_->exitCode() == 0;
        if (!clean)
            qWarning("lesnor ended with status %d:\n%s", app_->exitCode(), errors.constData());
        QVERIFY(clean);
    }

    // The clicks heard before a sentence's start (bursts under 10 ms, which the sound
    // checks leave out), printed as a figure; the caller asserts there are none.
    QStringList clicksBefore(const QVector<Burst>& clicks, const QVector<Burst>& sound, const char* step) {
        const QStringList before = clicksBeforeSound(clicks, sound);
        if (!before.isEmpty())
            figure("click_before_sentence", before.size(), "clicks",
                   QStringLiteral("%1: %2").arg(QLatin1String(step), before.join(QLatin1String("; "))));
        return before;
    }

    // Keeps what was heard beside the screenshots, for a step that failed.
    void keep(const QVector<qint16>& heard, const char* name) {
        QFile f(out_ + QStringLiteral("/%1.wav").arg(QLatin1String(name)));
        if (f.open(QIODevice::WriteOnly))
            f.write(wavFile(heard, Capture::rate));
    }

    std::unique_ptr<Program> launch(const char* run) {
        QDir(out_ + QLatin1Char('/') + QLatin1String(run)).removeRecursively();
        auto p = std::make_unique<Program>(stage_ + QStringLiteral("/lesnor"), probe_,
                                           out_ + QLatin1Char('/') + QLatin1String(run));
        startedAt_ = monotonicMicros();
        if (!p->start())
            return {};
        if (!waitFor([&p] { return p->visible(QStringLiteral("Form1/r1")); }, 30000))
            return {};
        p->settle(QStringLiteral("Form1"));
        return p;
    }

    // The sound of one click on a sentence of the lesson text, placed in the marker.
    Placed playSentenceByClick(int index, const char* shotName) {
        Capture capture;
        if (!capture.start())
            return {};
        const QRect r = rectFrom(app_->ask(QStringLiteral("find Form1/r1 ") + lesson1_[index].english));
        if (!r.isValid())
            return {};
        x::click(r.center());
        const Sentence& s = lesson1_[index];
        if (!app_->waitForText(QStringLiteral("Form1/r2"), s.english))
            return {};
        shot(shotName);
        QTest::qWait(int((s.end - s.start) * 1000) + 600);
        const QVector<qint16> heard = capture.stop();
        QVector<Burst> clicks;
        const QVector<Burst> b = bursts(heard, 1500, 200, &clicks);
        clicks_ = clicksBefore(clicks, b, shotName);
        const Placed p = b.size() == 1 ? place(heard, b[0], marker_, s.start) : Placed{};
        if (p.start < 0 || p.end < 0) {
            keep(heard, shotName);
            qWarning("%d stretch(es) of sound, the first %d..%d; placed %.4f..%.4f", int(b.size()),
                     b.isEmpty() ? -1 : b[0].first, b.isEmpty() ? -1 : b[0].last, p.start, p.end);
        }
        return p;
    }

private slots:
    void initTestCase() {
        out_ = qEnvironmentVariable("LESNOR_E2E_OUT");
        probe_ = qEnvironmentVariable("LESNOR_E2E_PROBE_LIBRARY");
        const QString program = qEnvironmentVariable("LESNOR_E2E_PROGRAM");
        const QString binary = qEnvironmentVariable("LESNOR_BINARY_DIR");
        QVERIFY2(!out_.isEmpty() && QFileInfo::exists(program) && QFileInfo::exists(probe_),
                 "run through run-e2e.sh");
        QDir(out_).removeRecursively();
        QVERIFY(QDir().mkpath(out_));

        const QString table = binary + QStringLiteral("/pack/source/sentences.tsv");
        lesson1_ = packSentences(table, 1, 1);
        lesson2_ = packSentences(table, 1, 2);
        lesson3_ = packSentences(table, 1, 3);
        QVERIFY2(lesson1_.size() >= 4 && lesson2_.size() >= 2, qPrintable(table));

        // A copy of the program whose own folder holds the marker as lesson 1's recording
        // and the pack's recording of lesson 2.
        stage_ = out_ + QStringLiteral("/stage");
        const QString audio = stage_ + QStringLiteral("/语音库/");
        QVERIFY(QDir().mkpath(audio));
        const QString copy = stage_ + QStringLiteral("/lesnor");
        if (::link(QFile::encodeName(program).constData(), QFile::encodeName(copy).constData()) != 0)
            QVERIFY(QFile::copy(program, copy));
        marker_ = markerNoise(int((lesson1_.last().start + 3) * Capture::rate), 16);
        marker2_ = markerNoise(int((lesson2_.last().start + 3) * Capture::rate), 61);
        for (const auto& [name, samples] :
             {std::pair{"QLX101.dat", &marker_}, std::pair{"QLX102.dat", &marker2_}}) {
            QFile wav(audio + QLatin1String(name));
            QVERIFY(wav.open(QIODevice::WriteOnly) && wav.write(wavFile(*samples, Capture::rate)) > 0);
        }
        QVERIFY(
            QFile::copy(binary + QStringLiteral("/语音库/QLX103.dat"), audio + QStringLiteral("QLX103.dat")));
    }

    // A step after a crash fails at once, instead of passing checks for absent things.
    void init() {
        if (app_)
            QVERIFY2(app_->running(), "lesnor is no longer running");
    }

    void startShowsMaximisedCatalogue() {
        app_ = launch("run");
        QVERIFY2(app_, "the lesson window did not appear");
        figure("start_to_window", (monotonicMicros() - startedAt_) / 1000.0, "ms",
               "process start to the lesson window shown");
        const QString window = x::windowOf(app_->pid(), kTitle);
        QVERIFY2(!window.isEmpty(), "no X window with the lesson window's title");
        QVERIFY(waitFor(
            [&] {
                return x::property(window, QStringLiteral("_NET_WM_STATE"))
                    .contains(QLatin1String("MAXIMIZED_HORZ"));
            },
            5000));
        QVERIFY(
            x::property(window, QStringLiteral("_NET_WM_STATE")).contains(QLatin1String("MAXIMIZED_VERT")));
        const QRect tree = app_->widget(QStringLiteral("Form1/T1"));
        for (int book = 1; book <= 4; ++book) {
            const QRect node = rectFrom(app_->ask(QStringLiteral("item Form1/T1 Vyk英语(第%1册)").arg(book)));
            QVERIFY2(tree.contains(node.center()),
                     qPrintable(QStringLiteral("book %1 not shown in the tree").arg(book)));
        }
        for (const char* file : {"Ksphonet.TTF", "mswrd.wd", "qlxxcl.wrd"})
            QVERIFY2(QFileInfo::exists(app_->dataFolder() + QLatin1String(file)), file);
        shot("start");
    }

    void lessonOneShowsTextWordsAndHint() {
        QVERIFY(app_);
        QVERIFY(app_->openLesson(QStringLiteral("Form1"), kBook1, 1));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/Label4(3)"), QStringLiteral("Lesson 1")));
        const QString text = app_->text(QStringLiteral("Form1/r1"));
        for (const Sentence& s : lesson1_)
            QVERIFY2(text.contains(s.english), qPrintable(s.english));
        QVERIFY(!app_->text(QStringLiteral("Form1/r3")).trimmed().isEmpty());
        QVERIFY(app_->text(QStringLiteral("Form1/Label8")).startsWith(QStringLiteral("提示")));
        QVERIFY(app_->enabled(QStringLiteral("Form1/Label6(1)")));
        shot("lesson1");
    }

    // "朗读": each sentence red with its translation in turn, its sound from its start to
    // its end time, a pause between two; the read command comes back at the end.
    void readingFollowsTheRecording() {
        QVERIFY(app_);
        Capture capture;
        QVERIFY(capture.start());
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(1)")));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/r2"), lesson1_[0].english));
        QCOMPARE(app_->text(QStringLiteral("Form1/Label8")), lesson1_[0].chinese);
        const QImage first = shot("reading");
        QVERIFY2(countPixels(first, app_->widget(QStringLiteral("Form1/r1")), isRed) > 20, "no red sentence");
        QVERIFY(!app_->enabled(QStringLiteral("Form1/Label6(1)")));
        const double lessonSeconds = marker_.size() / double(Capture::rate) + lesson1_.size();
        QVERIFY2(waitFor([&] { return app_->enabled(QStringLiteral("Form1/Label6(1)")); },
                         int(lessonSeconds * 1000) + 20000),
                 "the read command did not come back");
        const QVector<qint16> heard = capture.stop();
        QVERIFY2(app_->running(), "lesnor ended while reading");
        QVERIFY(!app_->enabled(QStringLiteral("Form1/Label6(2)")));

        QVector<Burst> clicks;
        const QVector<Burst> b = bursts(heard, 1500, 200, &clicks);
        if (b.size() != lesson1_.size())
            keep(heard, "reading");
        QCOMPARE(b.size(), lesson1_.size());
        const QStringList clicked = clicksBefore(clicks, b, "reading");
        QVERIFY2(clicked.size() <= kClicksAllowed, "a click was heard before a sentence");
        QVector<double> starts, stops, pauses;
        for (int i = 0; i < b.size(); ++i) {
            const Sentence& s = lesson1_[i];
            const Placed p = place(heard, b[i], marker_, s.start);
            if (p.start < 0 || p.end < 0)
                keep(heard, "reading");
            QVERIFY2(p.start >= 0 && p.end >= 0,
                     qPrintable(QStringLiteral("sentence %1 not found in the recording").arg(i)));
            const double end = s.end < 0 ? marker_.size() / double(Capture::rate) : s.end;
            starts << (p.start - s.start) * 1000;
            stops << (p.end - end) * 1000;
            if (i > 0)
                pauses << (b[i].first - b[i - 1].last) * 1000.0 / Capture::rate;
        }
        figure("read_first_start_offset", starts[0], "ms",
               "heard start minus the first sentence's start time");
        figure(
            "read_start_offset_max", maxAbs(starts), "ms",
            QStringLiteral("%1 sentences, median %2 ms").arg(starts.size()).arg(median(starts), 0, 'f', 1));
        figure("read_stop_offset_max", maxAbs(stops), "ms",
               QStringLiteral("heard end minus end time, median %1 ms").arg(median(stops), 0, 'f', 1));
        figure("read_pause_median", median(pauses), "ms", "silence between two sentences");
        QVERIFY2(maxAbs(starts) < 60 && maxAbs(stops) < 60,
                 "a sentence was heard from or to the wrong place");
    }

    // "停止" in the middle of the second sentence: the sound ends there, nothing more is
    // read, the highlight and texts go and the read command is back.
    void stopMidwayResets() {
        QVERIFY(app_);
        Capture capture;
        QVERIFY(capture.start());
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(1)")));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/r2"), lesson1_[1].english, 10000));
        QTest::qWait(150);
        app_->ask(QStringLiteral("events"));
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(2)")));
        QVERIFY(waitFor([&] { return app_->enabled(QStringLiteral("Form1/Label6(1)")); }, 3000));
        const QList<qint64> released = eventTimes(app_->ask(QStringLiteral("events")),
                                                  QStringLiteral("release"), QStringLiteral("Label6(2)"));
        QTest::qWait(1500); // longer than the pause that would start the next sentence
        const QVector<qint16> heard = capture.stop();
        const QImage after = shot("stopped");
        QVERIFY2(app_->running(), "lesnor ended at 停止");
        QVERIFY(!app_->enabled(QStringLiteral("Form1/Label6(2)")));
        QCOMPARE(app_->text(QStringLiteral("Form1/r2")), QString());
        QCOMPARE(countPixels(after, app_->widget(QStringLiteral("Form1/r1")), isRed), 0);
        QVector<Burst> clicks;
        const QVector<Burst> b = bursts(heard, 1500, 200, &clicks);
        if (b.size() != 2)
            keep(heard, "stopped");
        QCOMPARE(b.size(), 2);
        const QStringList clicked = clicksBefore(clicks, b, "stopped");
        QVERIFY2(clicked.size() <= kClicksAllowed, "a click was heard before a sentence");
        const Placed cut = place(heard, b[1], marker_, lesson1_[1].start);
        QVERIFY(cut.end > lesson1_[1].start && cut.end <= lesson1_[1].end + 0.06);
        figure("stop_cut_into_sentence", (cut.end - lesson1_[1].start) * 1000, "ms",
               "heard of sentence 2 before 停止");
        // Nothing is heard from 50 ms after the release that runs 停止 (the capture's
        // clock is late by at most its latency, which makes this stricter, not looser).
        QCOMPARE(released.size(), 1);
        const double afterRelease = (capture.timeOf(b[1].last) - released[0]) / 1000.0;
        figure("stop_heard_after_release", afterRelease, "ms", "last sound heard after 停止 was released");
        QVERIFY2(afterRelease <= 50, "sound went on after 停止");
    }

    void sentenceClickStopsAtItsEnd() {
        QVERIFY(app_);
        const int index = 2;
        const Placed p = playSentenceByClick(index, "sentence-click");
        QVERIFY2(p.start >= 0 && p.end >= 0, "the clicked sentence was not heard from the recording");
        // The step before stopped sentence 2 in its middle: nothing of it is left to sound.
        QVERIFY2(clicks_.isEmpty(), "a click was heard before the sentence");
        QCOMPARE(app_->text(QStringLiteral("Form1/Label8")), lesson1_[index].chinese);
        figure("click_start_offset", (p.start - lesson1_[index].start) * 1000, "ms",
               "heard start minus start time");
        figure("click_stop_offset", (p.end - lesson1_[index].end) * 1000, "ms", "heard end minus end time");
        QVERIFY(std::abs(p.start - lesson1_[index].start) < 0.06 &&
                std::abs(p.end - lesson1_[index].end) < 0.06);
    }

    void rightPressShowsAndSpeaksTheWord() {
        QVERIFY(app_);
        const QRect word = rectFrom(app_->ask(QStringLiteral("find Form1/r1 handbag")));
        QVERIFY(word.isValid());
        Capture capture;
        QVERIFY(capture.start());
        app_->ask(QStringLiteral("events"));
        x::press(word.center(), 3);
        QVERIFY2(waitFor([&] { return app_->visible(QStringLiteral("Form1/Picture8")); }, 5000), "no pop-up");
        QCOMPARE(app_->text(QStringLiteral("Form1/Label11")), QStringLiteral("handbag"));
        QVERIFY(!app_->text(QStringLiteral("Form1/Label16")).isEmpty());
        shot("word-popup");
        const QStringList events = app_->ask(QStringLiteral("events")).split(QLatin1Char(';'));
        x::release(3);
        QVERIFY(waitFor([&] { return !app_->visible(QStringLiteral("Form1/Picture8")); }, 3000));
        QVERIFY2(app_->running(), "lesnor ended when the word was released");
        QTest::qWait(1500);
        const QVector<qint16> heard = capture.stop();

        qint64 pressed = 0, shown = 0;
        for (const QString& e : events) {
            const QStringList f = e.split(QLatin1Char(' '));
            if (f.size() == 3 && f[1] == QLatin1String("press") && !pressed)
                pressed = f[0].toLongLong();
            if (f.size() == 3 && f[1] == QLatin1String("show") && f[2] == QLatin1String("Picture8") && !shown)
                shown = f[0].toLongLong();
        }
        QVERIFY(pressed && shown >= pressed);
        figure("popup_latency", (shown - pressed) / 1000.0, "ms", "right press received to pop-up shown");
        const QVector<Burst> b = bursts(heard, 300, 150);
        QVERIFY2(!b.isEmpty(), "the headword was not heard");
        // The headword as the program's voice renders it: what is heard after the press
        // lasts as long as that (a beep or a click does not).
        const std::unique_ptr<lesnor::VoiceSynthesizer> voice = lesnor::VoiceSynthesizer::open();
        QVERIFY(voice);
        const double expectedMs = voicedMs(voice->synthesize(QStringLiteral("handbag")));
        const double heardMs = (b.last().last - b.first().first) * 1000.0 / Capture::rate;
        const double startMs = (capture.timeOf(b.first().first) - pressed) / 1000.0;
        figure(
            "headword_heard", heardMs, "ms",
            QStringLiteral("speech on the monitor, from %1 ms after the press; the voice renders it in %2 ms")
                .arg(startMs, 0, 'f', 0)
                .arg(expectedMs, 0, 'f', 0));
        if (std::abs(heardMs - expectedMs) > 80 || startMs < 0 || startMs > 1000)
            keep(heard, "word-popup");
        QVERIFY2(startMs >= 0 && startMs <= 1000, "the headword was not heard right after the press");
        QVERIFY2(std::abs(heardMs - expectedMs) <= 80, "what was heard is not the headword's length");
    }

    void recordPlayBackAndSaveAs() {
        QVERIFY(app_);
        // The microphone hears a known tone for longer than the recording lasts.
        QVector<qint16> tone(16000 * 6);
        for (int i = 0; i < tone.size(); ++i)
            tone[i] = qint16(8000 * std::sin(2 * M_PI * 440 * i / 16000.0));
        const QString voice = out_ + QStringLiteral("/voice.wav");
        QFile f(voice);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(wavFile(tone, 16000)) > 0);
        f.close();
        QProcess speaker;
        speaker.start(QStringLiteral("paplay"), {QStringLiteral("--device=micsink"), voice});
        QVERIFY(speaker.waitForStarted());
        QTest::qWait(300);

        app_->ask(QStringLiteral("events"));
        QVERIFY(app_->click(QStringLiteral("Form1/Label5(3)")));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/Label5(3)"), QStringLiteral("停止录音")));
        shot("recording");
        QTest::qWait(2000);
        QVERIFY(app_->click(QStringLiteral("Form1/Label5(3)")));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/Label5(3)"), QStringLiteral("● 录音")));
        QVERIFY(waitFor([&] { return app_->enabled(QStringLiteral("Form1/Label5(4)")); }, 3000));
        QList<qint64> releases;
        for (const QString& e : app_->ask(QStringLiteral("events")).split(QLatin1Char(';'))) {
            const QStringList fields = e.split(QLatin1Char(' '));
            if (fields.size() == 3 && fields[1] == QLatin1String("release") &&
                fields[2] == QLatin1String("Label5(3)"))
                releases << fields[0].toLongLong();
        }
        QCOMPARE(releases.size(), 2);
        const double interval = (releases[1] - releases[0]) / 1e6;
        speaker.waitForFinished(10000);
        // The recording the capture produced, which play back and save as use.
        QFile kept(app_->dataFolder() + QStringLiteral("mcesound.wav"));
        QVERIFY2(kept.open(QIODevice::ReadOnly), "no recording in the data folder");
        const QByteArray recorded = kept.readAll();
        const int recordedData = recorded.indexOf("data");
        QVERIFY(recordedData > 0);
        const quint32 recordedBytes = qFromLittleEndian<quint32>(recorded.constData() + recordedData + 4);

        Capture capture;
        QVERIFY(capture.start());
        QVERIFY(app_->click(QStringLiteral("Form1/Label5(4)")));
        QTest::qWait(int(interval * 1000) + 1000);
        const QVector<Burst> back = bursts(capture.stop(), 1000, 150);
        QVERIFY2(!back.isEmpty(), "the recording was not heard when played back");
        figure("playback_heard", (back.last().last - back.first().first) * 1000.0 / Capture::rate, "ms",
               QStringLiteral("recorded for %1 ms").arg(interval * 1000, 0, 'f', 0));

        const QString saved = out_ + QStringLiteral("/saved-recording.wav");
        QVERIFY(app_->click(QStringLiteral("Form1/Label5(5)")));
        QVERIFY2(
            waitFor([&] { return app_->ask(QStringLiteral("windows")).contains(QStringLiteral("保存")); },
                    5000),
            "no save dialog");
        QTest::qWait(300);
        shot("save-dialog");
        x::type(saved);
        x::key(QStringLiteral("Return"));
        QVERIFY2(waitFor([&] { return QFileInfo(saved).size() > 44; }, 5000), "nothing saved");
        QTest::qWait(200);
        QFile wav(saved);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        QVERIFY(bytes.startsWith("RIFF") && bytes.mid(8, 8) == "WAVEfmt ");
        const int channels = qFromLittleEndian<quint16>(bytes.constData() + 22);
        const int rate = qFromLittleEndian<qint32>(bytes.constData() + 24);
        const int bits = qFromLittleEndian<quint16>(bytes.constData() + 34);
        const int at = bytes.indexOf("data");
        QVERIFY(at > 0 && channels > 0 && rate > 0 && bits > 0);
        const quint32 dataBytes = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        QVERIFY(dataBytes <= quint32(bytes.size() - at - 8));
        const double seconds = double(dataBytes) / (rate * channels * bits / 8);
        figure("saved_wav_length", seconds * 1000, "ms",
               QStringLiteral("%1 Hz, %2 channel(s), %3 bits; presses %4 ms apart")
                   .arg(rate)
                   .arg(channels)
                   .arg(bits)
                   .arg(interval * 1000, 0, 'f', 0));
        // As long as what the capture produced, sample for sample, and at least most of
        // the 2 s the driver waited between the presses.
        QCOMPARE(dataBytes, recordedBytes);
        QVERIFY2(seconds > 1.5, "the saved recording is shorter than the time recorded");
        // Its content is the microphone's tone: after the input's start-up silence, 440 Hz
        // to the end.
        QCOMPARE(channels, 1);
        QCOMPARE(bits, 16);
        const Tone heardTone = toneIn(bytes.mid(at + 8, int(dataBytes)), rate);
        figure("saved_wav_tone_ratio", heardTone.ratio, "x",
               QStringLiteral("440 Hz over the strongest of 220, 420, 460, 880 and 1000 Hz; sound from %1 ms "
                              "to %2 ms of %3 ms")
                   .arg(heardTone.fromMs, 0, 'f', 0)
                   .arg(heardTone.toMs, 0, 'f', 0)
                   .arg(seconds * 1000, 0, 'f', 0));
        QVERIFY2(heardTone.ratio > 10, "the saved recording does not hold the microphone's tone");
        QVERIFY2(heardTone.fromMs < 500 && heardTone.toMs > seconds * 1000 - 50,
                 "the tone does not fill the recording");
    }

    // "另存为" onto an existing file, typed without its suffix: the dialog asks; "no"
    // keeps the file and the dialog, "yes" replaces the file with the recording.
    void saveAsAsksBeforeReplacing() {
        QVERIFY(app_);
        const QString saved = out_ + QStringLiteral("/saved-recording.wav");
        QFile earlier(saved);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("an earlier recording") > 0);
        earlier.close();
        const auto saveDialogs = [&] {
            return app_->ask(QStringLiteral("windows")).count(QStringLiteral("|保存|"));
        };
        QVERIFY(app_->click(QStringLiteral("Form1/Label5(5)")));
        QVERIFY2(waitFor([&] { return saveDialogs() == 1; }, 5000), "no save dialog");
        QTest::qWait(300);
        x::type(out_ + QStringLiteral("/saved-recording"));
        x::key(QStringLiteral("Return"));
        QVERIFY2(waitFor([&] { return saveDialogs() == 2; }, 5000), "no question before replacing");
        shot("save-replace-question");
        x::key(QStringLiteral("Return")); // the default answer: no
        QVERIFY(waitFor([&] { return saveDialogs() == 1; }, 5000));
        QTest::qWait(300);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("an earlier recording"));
        earlier.close();
        x::key(QStringLiteral("Return")); // the same name again, now replaced
        QVERIFY(waitFor([&] { return saveDialogs() == 2; }, 5000));
        x::key(QStringLiteral("alt+y"));
        QVERIFY2(waitFor([&] { return saveDialogs() == 0; }, 5000), "the dialog stayed open");
        QVERIFY(waitFor([&] { return QFileInfo(saved).size() > 44; }, 5000));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QVERIFY(earlier.read(4) == "RIFF");
    }

    // "听写": the dictation window on lesson 2, one sentence read, its answer shown; its
    // exit brings the lesson window back, which plays its own lesson again.
    void dictationAndBack() {
        QVERIFY(app_);
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(3)")));
        QVERIFY2(waitFor([&] { return app_->visible(QStringLiteral("Form2/r1")); }, 5000),
                 "no dictation window");
        QVERIFY(waitFor([&] { return !app_->visible(QStringLiteral("Form1/r1")); }, 3000));
        app_->settle(QStringLiteral("Form2"));
        QVERIFY(app_->openLesson(QStringLiteral("Form2"), kBook1, 2));
        QVERIFY(waitFor([&] { return app_->enabled(QStringLiteral("Form2/Label5(1)")); }, 5000));
        // "下一句" plays sentence 2, "朗  读" plays it again: each time exactly that sentence
        // is heard, from its start to its end time (lesson 2's recording is a marker too),
        // with no click before it and nothing after it. Stretches are split at 50 ms of
        // silence (the marker has none inside), so a stray piece stands apart.
        const Sentence& second = lesson2_[1];
        const int sentenceMs = int((second.end - second.start) * 1000);
        const QLatin1String next("Form2/Label5(1)");
        for (const QLatin1String button : {next, QLatin1String("Form2/Label5(2)")}) {
            Capture capture;
            QVERIFY(capture.start());
            QVERIFY(app_->click(button));
            QTest::qWait(sentenceMs + 1500); // past the sentence and any pause after it
            const QVector<qint16> heard = capture.stop();
            QVector<Burst> clicks;
            const QVector<Burst> b = bursts(heard, 1500, 50, &clicks);
            const Placed p = b.isEmpty() ? Placed{} : place(heard, b.last(), marker2_, second.start);
            double before = 0;
            for (int i = 0; i + 1 < b.size(); ++i)
                before += (b[i].last - b[i].first + 1) * 1000.0 / Capture::rate;
            figure("dictation_sentence_heard",
                   (b.isEmpty() ? 0 : b.last().last - b.last().first) * 1000.0 / Capture::rate, "ms",
                   QStringLiteral("%1; sentence 2 of lesson 2 lasts %2 ms; heard from %3 ms to %4 ms of it; "
                                  "%5 ms of other sound in %6 stretch(es) before it")
                       .arg(button)
                       .arg(sentenceMs)
                       .arg((p.start - second.start) * 1000, 0, 'f', 1)
                       .arg((p.end - second.start) * 1000, 0, 'f', 1)
                       .arg(before, 0, 'f', 1)
                       .arg(b.size() - 1));
            if (b.size() != 1 || p.start < 0 || p.end < 0)
                keep(heard, "dictation");
            QVERIFY2(p.start >= 0 && p.end >= 0, "the dictation sentence was not heard from its recording");
            QVERIFY2(std::abs(p.start - second.start) <= 0.06 && std::abs(p.end - second.end) <= 0.06,
                     "the dictation sentence was heard from or to the wrong place");
            QVERIFY2(before <= (button == next ? 0 : kStrayBeforeReplayMs),
                     "other sound was heard before the dictation sentence");
            const QStringList clicked = clicksBefore(clicks, b, "dictation");
            QVERIFY2(clicked.size() <= kClicksAllowed, "a click was heard before the dictation sentence");
            const bool after = std::any_of(clicks.begin(), clicks.end(),
                                           [&](const Burst& c) { return c.first > b.last().last; });
            QVERIFY2(!after, "a click was heard after the dictation sentence");
        }
        QVERIFY(app_->click(QStringLiteral("Form2/r1")));
        x::type(QStringLiteral("Good morning"));
        QVERIFY(app_->waitForText(QStringLiteral("Form2/r1"), QStringLiteral("Good morning")));
        QVERIFY(app_->click(QStringLiteral("Form2/Label5(3)")));
        QVERIFY(app_->waitForText(QStringLiteral("Form2/r2"), lesson2_[1].english));
        shot("dictation");
        QVERIFY(app_->click(QStringLiteral("Form2/Label5(4)")));
        QVERIFY2(waitFor([&] { return app_->visible(QStringLiteral("Form1/r1")); }, 5000),
                 "the lesson window did not come back");
        const Placed p = playSentenceByClick(1, "back-from-dictation");
        QVERIFY2(p.start >= 0, "the lesson window did not play its own lesson after dictation");
        QVERIFY2(clicks_.size() <= kClicksAllowed, "a click was heard before the sentence");
        figure("back_from_dictation_start_offset", (p.start - lesson1_[1].start) * 1000, "ms");
    }

    // "跟读对比": S on a sentence plays it, then the virtual microphone says the lesson's
    // own sentence back; "发音对比" shows the comparison, its length ratio near 1.
    void speakAndCompare() {
        QVERIFY(app_);
        QVERIFY(!lesson3_.isEmpty());
        const Sentence& s = lesson3_[0];
        const lesnor::DecodedClip said =
            lesnor::GstClipDecoder().decode(stage_ + QStringLiteral("/语音库/QLX103.dat"), s.start, s.end);
        QVERIFY(said.ok());
        const QString voice = out_ + QStringLiteral("/said.wav");
        QFile f(voice);
        QVERIFY(f.open(QIODevice::WriteOnly) &&
                f.write(wavFile(QVector<qint16>(said.samples.begin(), said.samples.end()), said.rate)) > 0);
        f.close();
        QVERIFY(app_->openLesson(QStringLiteral("Form1"), kBook1, 3));
        const QRect r = rectFrom(app_->ask(QStringLiteral("find Form1/r1 ") + s.english));
        QVERIFY(r.isValid());
        x::click(r.center()); // the sentence plays and is current
        QVERIFY(app_->waitForText(QStringLiteral("Form1/r2"), s.english));
        const int sentenceMs = int((s.end - s.start) * 1000);
        QTest::qWait(sentenceMs + 500);
        x::key(QStringLiteral("s"));
        QTest::qWait(sentenceMs + 300); // the model plays, then the recording starts
        QProcess speaker;
        speaker.start(QStringLiteral("paplay"), {QStringLiteral("--device=micsink"), voice});
        QVERIFY(speaker.waitForStarted());
        const QString figures = QStringLiteral("发音对比/Figures");
        QVERIFY2(waitFor([&] { return app_->text(figures).contains(QStringLiteral("长度比")); }, 20000),
                 qPrintable(QStringLiteral("no comparison shown; notice: ") +
                            app_->text(QStringLiteral("发音对比/Notice"))));
        speaker.waitForFinished(5000);
        shot("speaking");
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("长度比（我的 ÷ 原声）：([0-9.]+)")).match(app_->text(figures));
        QVERIFY(m.hasMatch());
        const double ratio = m.captured(1).toDouble();
        figure("speaking_e2e_length_ratio", ratio, "x",
               QStringLiteral(
                   "%1 as shown; lesson 3 sentence 1 (%2 ms) said back through the virtual microphone")
                   .arg(m.captured(1))
                   .arg(sentenceMs));
        QVERIFY2(std::abs(ratio - 1) <= 0.1, qPrintable(app_->text(figures)));
        x::key(QStringLiteral("Escape")); // closes 发音对比
        QVERIFY(waitFor([&] { return !app_->visible(QStringLiteral("发音对比/Figures")); }, 3000));
    }

    void quitMenuCleansUp() {
        QVERIFY(app_);
        QVERIFY(QFileInfo::exists(app_->dataFolder() + QStringLiteral("sounenclff")));
        const QRect menu = rectFrom(app_->ask(QStringLiteral("action 文件")));
        QVERIFY(menu.isValid());
        x::click(menu.center());
        QRect quit;
        QVERIFY(waitFor([&] { return (quit = rectFrom(app_->ask(QStringLiteral("action 退出")))).isValid(); },
                        3000));
        shot("quit-menu");
        x::click(quit.center());
        QVERIFY2(app_->waitForExit(10000), "still running after 退出");
        verifyCleanExit();
        QCOMPARE(leftBehind(app_->dataFolder()), QString());
        QVERIFY(QFileInfo::exists(app_->dataFolder() + QStringLiteral("Ksphonet.TTF")));
        app_.reset();
    }

    void closeBoxCleansUp() {
        app_ = launch("run-closebox");
        QVERIFY(app_);
        QVERIFY(app_->openLesson(QStringLiteral("Form1"), kBook1, 1));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/Label4(3)"), QStringLiteral("Lesson 1")));
        QVERIFY(QFileInfo::exists(app_->dataFolder() + QStringLiteral("sounenclff")));
        // The window manager's close box: the right end of the title bar above the window.
        QString form1;
        for (const QString& w : app_->ask(QStringLiteral("windows")).split(QLatin1Char(';'))) {
            if (w.startsWith(QLatin1String("Form1|")))
                form1 = w;
        }
        const QRect client = rectFrom(form1.section(QLatin1Char('|'), 2, 2));
        const QString window = x::windowOf(app_->pid(), kTitle);
        const QStringList extents = x::property(window, QStringLiteral("_NET_FRAME_EXTENTS"))
                                        .section(QLatin1Char('='), 1)
                                        .split(QLatin1Char(','));
        QVERIFY2(extents.size() == 4 && extents[2].trimmed().toInt() > 0, "the window has no title bar");
        const int titleHeight = extents[2].trimmed().toInt();
        const int right = client.right() + extents[1].trimmed().toInt();
        x::click(QPoint(right - titleHeight / 2, client.top() - titleHeight / 2));
        QVERIFY2(app_->waitForExit(10000), "still running after the close box");
        verifyCleanExit();
        QCOMPARE(leftBehind(app_->dataFolder()), QString());
        QVERIFY(QFileInfo::exists(app_->dataFolder() + QStringLiteral("Ksphonet.TTF")));
        app_.reset();
    }

    void sigtermCleansUp() {
        app_ = launch("run-sigterm");
        QVERIFY(app_);
        QVERIFY(app_->openLesson(QStringLiteral("Form1"), kBook1, 1));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/Label4(3)"), QStringLiteral("Lesson 1")));
        ::kill(pid_t(app_->pid()), SIGTERM);
        QVERIFY2(app_->waitForExit(10000), "still running after SIGTERM");
        verifyCleanExit();
        QCOMPARE(leftBehind(app_->dataFolder()), QString());
        QVERIFY(QFileInfo::exists(app_->dataFolder() + QStringLiteral("Ksphonet.TTF")));
        app_.reset();
    }

    // The sound server stopped (SIGSTOP) in the middle of "朗读": the window goes on
    // answering, says so, stops when asked; once the server runs again a sentence is
    // heard. Then the server is replaced by a new one at the same place: the next
    // sentence is heard through it. Last, with the server stopped again, SIGTERM ends the
    // program at once.
    void soundServerStallAndRestart() {
        app_ = launch("run-server-trouble");
        QVERIFY(app_);
        QVERIFY(app_->openLesson(QStringLiteral("Form1"), kBook1, 1));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/Label4(3)"), QStringLiteral("Lesson 1")));
        QVERIFY(waitFor([&] { return app_->enabled(QStringLiteral("Form1/Label6(1)")); }, 5000));
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(1)")));
        QVERIFY(app_->waitForText(QStringLiteral("Form1/r2"), lesson1_[0].english));
        QTest::qWait(300);
        signalSoundServer(SIGSTOP);
        // The probe answers on the window's thread: each answer is the window answering.
        QVERIFY2(app_->waitForText(QStringLiteral("Form1/NoticeLine"),
                                   QStringLiteral("声音输出没有响应，朗读暂停"), 10000),
                 "the stalled output was not reported");
        shot("server-stalled");
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(2)")));
        QVERIFY(waitFor([&] { return app_->enabled(QStringLiteral("Form1/Label6(1)")); }, 3000));
        signalSoundServer(SIGCONT);
        QVERIFY(
            app_->waitForText(QStringLiteral("Form1/NoticeLine"), QStringLiteral("声音输出已恢复"), 10000));
        QTest::qWait(500);
        Placed p = playSentenceByClick(2, "after-stall");
        QVERIFY2(p.start >= 0, "no sentence heard after the server ran again");

        QVERIFY(runServerScript("stop-sound-server.sh"));
        QVERIFY(runServerScript("start-sound-server.sh"));
        p = playSentenceByClick(1, "after-restart-first");
        if (p.start < 0) // the play that found the server gone says so and connects again
            p = playSentenceByClick(1, "after-restart");
        QVERIFY2(p.start >= 0, "no sentence heard through the new server");

        signalSoundServer(SIGSTOP);
        QVERIFY(app_->click(QStringLiteral("Form1/Label6(1)")));
        QTest::qWait(2000);
        ::kill(pid_t(app_->pid()), SIGTERM);
        const bool ended = app_->waitForExit(10000);
        signalSoundServer(SIGCONT);
        QVERIFY2(ended, "still running after SIGTERM with the server stopped");
        app_.reset();
    }

private:
    static void signalSoundServer(int signal) {
        QFile pids(qEnvironmentVariable("LESNOR_SOUND_SERVER_DIR") + QStringLiteral("/pids"));
        QVERIFY(pids.open(QIODevice::ReadOnly));
        for (const QByteArray& pid : pids.readAll().split('\n')) {
            if (pid.trimmed().toInt() > 0)
                ::kill(pid.trimmed().toInt(), signal);
        }
    }

    static bool runServerScript(const char* script) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("bash"), {qEnvironmentVariable("LESNOR_SOURCE_DIR") +
                                             QStringLiteral("/tests/audio/") + QLatin1String(script),
                                         qEnvironmentVariable("LESNOR_SOUND_SERVER_DIR")});
        return p.waitForFinished(30000) && p.exitCode() == 0;
    }
};

QTEST_MAIN(tst_e2e)
#include "tst_e2e.moc"
