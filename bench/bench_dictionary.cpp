// Word look-up as a learner meets it, on the built-in dictionary and lesson pack:
//   lookup_ms            one schword call (file read, decode, searches, split) for the
//                        words of a lesson, and for words that run every candidate
//   press_to_popup_ms    right press on a word of the lesson text until the pop-up has
//                        painted, through the real window (offscreen)
//   voice_start_up_ms    the voice's set-up on its own thread (engine, warm-up)
//   press_to_sound_ms    right press until the word is heard on the headless sound
//                        server's monitor (bench/run.sh starts one; "skipped" without):
//                        arrival of the first loud capture buffer, so an upper bound by
//                        the capture's 5 ms period
#include "MonitorPipeline.h"
#include "dictionary/DictionaryFile.h"
#include "dictionary/WordFinder.h"
#include "dictionary/WordLookup.h"
#include "lesson_window/Form1.h"
#include "platform/DataFolder.h"
#include "platform/SilentSpeech.h"
#include "platform/VoiceSynthesizer.h"
#include "resources/Installation.h"
#include "startup/RealServices.h"
#include "widgets/Controls.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <vector>

using namespace lesnor;

namespace {

// Samples above this level are sound (the voice's own silence level).
constexpr int kSilenceLevel = 200;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Figures {
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Figures figures(std::vector<double> ms) {
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.95))], ms.back()};
}

void print(const char* name, const Figures& f, const QString& detail) {
    std::printf("%s: %.2f ms (median; p95 %.2f, max %.2f; %s)\n", name, f.median, f.p95, f.max,
                qPrintable(detail));
}

double loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : -1;
}

// Listens to the sound server's monitor of "nullsink" and notes when sound arrives.
class MonitorListener {
public:
    bool start() {
        return pipeline_.start(
            "pulsesrc device=nullsink.monitor buffer-time=20000 latency-time=5000 ! "
            "audio/x-raw,format=S16LE,channels=1,rate=48000 ! appsink name=sink sync=false",
            &MonitorListener::onSample, this);
    }
    void arm() { firstLoud_ = -1; }
    qint64 firstLoud() const { return firstLoud_; }
    qint64 lastLoud() const { return lastLoud_; }
    qint64 buffers() const { return buffers_; }

private:
    static GstFlowReturn onSample(GstAppSink* sink, gpointer data) {
        auto* self = static_cast<MonitorListener*>(data);
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample)
            return GST_FLOW_OK;
        const qint64 at = nowNs();
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        int peak = 0;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* s = reinterpret_cast<const qint16*>(map.data);
            for (size_t i = 0; i < map.size / 2; ++i)
                peak = std::max(peak, std::abs(int(s[i])));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        ++self->buffers_;
        if (peak > kSilenceLevel) {
            self->lastLoud_ = at;
            qint64 expected = -1;
            self->firstLoud_.compare_exchange_strong(expected, at);
        }
        return GST_FLOW_OK;
    }

    std::atomic<qint64> firstLoud_{-1};
    std::atomic<qint64> lastLoud_{0};
    std::atomic<qint64> buffers_{0};
    bench::MonitorPipeline pipeline_; // last: stopped before what its samples go to
};

// The middle of character k of the lesson text, in window coordinates.
QPoint characterInWindow(Form1& form, int k) {
    QTextEdit* r1 = form.r1();
    QTextCursor a(r1->document());
    a.setPosition(k);
    QTextCursor b(r1->document());
    b.setPosition(k + 1);
    const QRect left = r1->cursorRect(a);
    const QPoint middle((left.left() + r1->cursorRect(b).left()) / 2, left.center().y());
    return r1->viewport()->mapTo(&form, middle);
}

class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString pack = QCoreApplication::applicationDirPath() + QStringLiteral("/../pack/");
    const QString load = QStringLiteral("load %1 at start").arg(loadAverage(), 0, 'f', 2);

    QTemporaryDir data;
    QTemporaryDir program;
    setDataFolder(data.path() + QLatin1Char('/'));
    setProgramFolder(program.path());
    for (const QString& name : {files::database, files::dictionary}) {
        const QString source = pack + (name == files::database ? QStringLiteral("qlxxcl.wrd") : name);
        if (!QFile::copy(source, dataPath(DataFolder(), name))) {
            std::fprintf(stderr, "bench_dictionary: cannot copy %s\n", qPrintable(source));
            return 1;
        }
    }
    const QString dictionaryPath = dataPath(DataFolder(), files::dictionary);

    // Look-up alone.
    SilentSpeech silent;
    WordLookup lookup(silent, [&] { return dictionaryPath; });
    const QStringList sample = {"Excuse",  "me",     "handbag", "pardon", "Is",      "this",    "your",
                                "Thank",   "you",    "very",    "much",   "studies", "running", "happiest",
                                "stopped", "leaves", "books",   "worked", "bigger",  "Monday"};
    std::vector<double> ms;
    int found = 0;
    for (int run = 0; run < 25; ++run) {
        for (const QString& word : sample) {
            QElapsedTimer t;
            t.start();
            found += lookup.schword(word) ? 1 : 0;
            if (run > 0)
                ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    print("lookup_ms", figures(ms),
          QStringLiteral("%1 lesson and inflected words x24, %2 found, %3 KB file read each time")
              .arg(sample.size())
              .arg(found / 25)
              .arg(QFile(dictionaryPath).size() / 1024));
    ms.clear();
    for (int run = 0; run < 200; ++run) {
        QElapsedTimer t;
        t.start();
        lookup.schword(QStringLiteral("zqxwier")); // not found: the base and four candidates
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    print("lookup_not_found_ms", figures(ms), QStringLiteral("5 searches, the most any word can take"));
    ms.clear();
    for (int run = 0; run < 200; ++run) {
        QElapsedTimer t;
        t.start();
        const DictionaryText text = DictionaryText::read(dictionaryPath);
        for (int i = 0; i < 20; ++i)
            (void)text.find(QStringLiteral("zqxw%1").arg(i));
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    print("lookup_20_searches_ms", figures(ms), QStringLiteral("file read and 20 failing searches"));
    ms.clear();
    for (int run = 0; run < 200; ++run) {
        QElapsedTimer t;
        t.start();
        const DictionaryText text = DictionaryText::read(dictionaryPath);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    print("dictionary_read_ms", figures(ms), QStringLiteral("the file read alone"));

    // The window: press on words of book 1 lesson 1.
    const bool server = !qEnvironmentVariableIsEmpty("LESNOR_SOUND_SERVER_DIR");
    RealServices services(server ? GstMediaPlayer::Output::Automatic : GstMediaPlayer::Output::Silent);
    services.speech.waitUntilStarted(20000);
    std::printf("voice_start_up_ms: %.1f ms (%s, on the voice's thread; %s)\n", services.speech.startUpMs(),
                qPrintable(services.speech.engineName()), qPrintable(load));
    Form1 form(services.view);
    form.Form_Load();
    form.showNormal();
    form.resize(1280, 800);
    app.processEvents();
    QTreeWidgetItem* lesson = form.T1()->topLevelItem(0)->child(0);
    form.T1()->setCurrentItem(lesson);
    form.LoadLesson();
    app.processEvents();

    const QString text = form.r1()->toPlainText();
    QList<int> wordStarts;
    for (int k = 0; k < text.size() && wordStarts.size() < 30; ++k)
        if (text.at(k).isLetter() && (k == 0 || !text.at(k - 1).isLetter()))
            wordStarts.append(k + 1);

    PaintWatch watch;
    form.Picture8()->installEventFilter(&watch);
    ms.clear();
    for (int run = 0; run < 3; ++run) {
        for (const int k : wordStarts) {
            const QPoint at = characterInWindow(form, k);
            watch.painted = false;
            QElapsedTimer t;
            t.start();
            QTest::mousePress(form.windowHandle(), Qt::RightButton, {}, at);
            while (form.Picture8()->isVisible() && !watch.painted && t.elapsed() < 1000)
                app.processEvents();
            const double elapsed = double(t.nsecsElapsed()) / 1e6;
            if (form.Picture8()->isVisible() && watch.painted && run > 0)
                ms.push_back(elapsed);
            QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, at);
            app.processEvents();
        }
    }
    print("press_to_popup_ms", figures(ms),
          QStringLiteral("%1 presses on words of book 1 lesson 1, offscreen; %2").arg(ms.size()).arg(load));

    // What is heard.
    const std::unique_ptr<VoiceSynthesizer> voice = VoiceSynthesizer::open();
    if (voice) {
        const SpeechAudio word = voice->speak(QStringLiteral("handbag"));
        const auto first = std::find_if(word.samples.begin(), word.samples.end(),
                                        [](qint16 s) { return std::abs(int(s)) > kSilenceLevel; });
        std::printf("voice_leading_silence_ms: %.1f ms (\"handbag\", %s, after trimming)\n",
                    double(first - word.samples.begin()) * 1000.0 / std::max(1, word.rate),
                    qPrintable(voice->name()));
        ms.clear();
        for (int run = 0; run < 3; ++run) {
            for (const QString& w : sample) {
                QElapsedTimer t;
                t.start();
                (void)voice->speak(w);
                ms.push_back(double(t.nsecsElapsed()) / 1e6);
            }
        }
        print("voice_synthesis_ms", figures(ms),
              QStringLiteral("one headword, %1; %2").arg(voice->name(), load));
    }
    MonitorListener listener;
    if (!server || !listener.start()) {
        std::printf("press_to_sound_ms: skipped (no sound server)\n");
        return 0;
    }
    QThread::msleep(300);
    ms.clear();
    int silentPresses = 0;
    for (int run = 0; run < 2; ++run) {
        for (const int k : wordStarts) {
            // Quiet first, so the sound measured is this press's.
            QElapsedTimer quiet;
            quiet.start();
            while (nowNs() - listener.lastLoud() < 300'000'000 && quiet.elapsed() < 3000)
                QThread::msleep(5);
            const QPoint at = characterInWindow(form, k);
            listener.arm();
            const qint64 start = nowNs();
            QTest::mousePress(form.windowHandle(), Qt::RightButton, {}, at);
            const bool shown = form.Picture8()->isVisible();
            QElapsedTimer t;
            t.start();
            while (shown && listener.firstLoud() < 0 && t.elapsed() < 2000)
                app.processEvents(QEventLoop::AllEvents, 1);
            if (shown && listener.firstLoud() > 0 && run > 0)
                ms.push_back(double(listener.firstLoud() - start) / 1e6);
            else if (shown && run > 0)
                ++silentPresses;
            QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, at);
            app.processEvents();
        }
    }
    print("press_to_sound_ms", figures(ms),
          QStringLiteral("%1 presses heard, %2 not heard within 2 s; 50 ms of silence before the word "
                         "included; %3")
              .arg(ms.size())
              .arg(silentPresses)
              .arg(load));
    return 0;
}
