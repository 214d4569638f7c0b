// Sentence-synchronised playback as a listener hears it, and what it costs.
//
// Plays sentences of a marker recording through a player into the sound server's
// "nullsink" while `parec` records "nullsink.monitor", and locates every heard sentence
// in the media:
//   start error    = media time of the first sample heard - sentence start (ms)
//   stop overshoot = media time where the sound heard ends - sentence end (ms, negative:
//                    the end was cut); a fade-out ends where it reaches silence
//   cut step       = level of the last 2 ms heard before that end, inside the tone
//                    (dBFS): how loud the step to silence is
// The marker is a tone whose pitch changes every 0.25 s through 16 steps (600-1350 Hz)
// with a 20 ms silent gap in the middle of each step. A heard gap is named by the pitch
// around it, so a sentence is placed in the media even when it is heard hundreds of
// milliseconds early or late (up to ±2 s); the gap's edge gives the sample-exact time.
//
// Players (the first argument; default lesnor):
//   lesnor    Lesnor's own SentenceController driving GstMediaPlayer, the lesson
//             window's poll and stop rules included; also its CPU and wake-ups while
//             reading, after a reading and idle, a VBR recording, and sentences played
//             right after the recording was opened.
//   mpv-cli   one `mpv --start --end` per sentence (bench/peers/mpv.sh)
//   mpv-ipc   one long-lived mpv driven over its IPC socket: exact seek, unpause, poll
//             `time-pos` every millisecond, pause past the end (bench/peers/mpv.sh)
//   late      Lesnor's player shifted 150 ms into each sentence: checks that the analysis
//             measures a large error instead of slipping to a neighbouring gap
//   rates     Lesnor's passes at slower speeds alone (see rateFigures())
// 96 sentences per run, 16 of them starting at 0 or within the first 80 ms. Needs a
// sound server with a "nullsink" sink (tests/audio/start-sound-server.sh; the bench
// runner starts one), `lame` and `parec`. Prints "skipped" without them. --verbose
// lists every sentence on stderr.
#include "ProcessUsage.h"
#include "platform/AudibleWindow.h"
#include "platform/GstMediaPlayer.h"
#include "playback/LessonView.h"
#include "playback/SentenceController.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace lesnor;
using bench::cpuSecondsOf;
using bench::Usage;
using bench::UsageMeter;
using bench::wakeUpsOf;

namespace {

constexpr int kRecordRate = 48000;
constexpr int kSourceRate = 22050;
constexpr double kMarkerSeconds = 24.0;
constexpr double kStep = 0.25;   // one pitch step
constexpr int kPitches = 16;     // steps before the pitches repeat (4 s)
constexpr double kGapAt = 0.125; // the gap's place in its step
constexpr double kGapLength = 0.020;
constexpr int kSentences = 96;
constexpr int kPauseMs = 250;           // silence between sentences
constexpr int kSilenceLevel = 2000;     // |sample| below this is silence (tone peaks ~16000
                                        // decoded, ~22000 heard; MP3 noise in the gaps
                                        // peaks at 400 typically, up to ~3000 decoded)
constexpr double kMinGap = 0.008;       // a silent run this long in the marker recording is a gap
constexpr double kGapTolerance = 0.002; // heard silent runs from 8 ms to 20 ms + this are gaps,
constexpr double kMinDropout = 0.0005;  // other heard silent runs this long are dropouts
constexpr double kMinFragment = 0.0002; // silent runs at least this long and less than
constexpr double kMaxBurst = 0.0015;    // this apart are one (see silentRuns())
constexpr double kMinPause = 0.150;     // a silent run this long separates sentences
constexpr double kPitchWindow = 0.040;  // tone beside a gap that names its pitch
// Where the sound heard ends: past the last sample at kSilenceLevel, a fade-out goes on
// down to |sample| kEndLevel (above the sound server's rounding; what follows a stop is
// digital silence). A hard cut is followed by the resampler's ringing near the source's
// half rate, which is not sound of the media: two sign changes closer than
// kMinHalfPeriod (the tone's half period is 17 or more samples) mark it.
constexpr int kEndLevel = 2;
constexpr size_t kMinHalfPeriod = 8;
constexpr double kEndSilence = 0.001; // this long below kEndLevel: the sound has ended
constexpr double kMaxFade = 0.010;

struct Gap {
    double start;
    double end;
    double pitch = 0.0; // of the tone after it (media gaps only)
};

struct Sentence {
    double start;
    double end;
    bool reopen = false; // the recording is opened again right before this one plays
};

using Samples = std::vector<qint16>;

double pitchOf(int step) {
    return 600.0 + 50.0 * (step % kPitches);
}

// The marker: pitch step k over [k, k + 1) × 0.25 s, silent for 20 ms from its middle.
bool writeMarkerWav(const QString& path) {
    const int frames = int(kMarkerSeconds * kSourceRate);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = quint32(frames) * 2;
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(kSourceRate) << quint32(kSourceRate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kSourceRate;
        const int step = int(t / kStep);
        const double inStep = t - step * kStep;
        const bool gap = inStep >= kGapAt && inStep < kGapAt + kGapLength;
        out << qint16(gap ? 0 : std::lround(16384.0 * std::sin(phase)));
        phase = std::fmod(phase + 2.0 * M_PI * pitchOf(step) / kSourceRate, 2.0 * M_PI);
    }
    return out.status() == QDataStream::Ok;
}

bool encodeMp3(const QString& wav, const QString& mp3, bool vbr) {
    QProcess lame;
    QStringList args{QStringLiteral("--quiet")};
    args << (vbr ? QStringList{QStringLiteral("-V"), QStringLiteral("4")}
                 : QStringList{QStringLiteral("-b"), QStringLiteral("64")});
    args << QStringLiteral("-m") << QStringLiteral("m") << wav << mp3;
    lame.start(QStringLiteral("lame"), args);
    return lame.waitForFinished(30000) && lame.exitStatus() == QProcess::NormalExit && lame.exitCode() == 0;
}

// Plays `pipeline` (already PLAYING) to its end into `sink`, then frees both: the samples.
Samples drain(GstElement* pipeline, GstElement* sink) {
    Samples samples;
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* data = reinterpret_cast<const qint16*>(map.data);
            samples.insert(samples.end(), data, data + map.size / 2);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return samples;
}

// A pipeline that decodes `path`, passes it through `filters` (elements each followed by
// " ! ", or nothing) and hands it to the appsink "sink" as mono samples at the recording's
// rate; nullptr when it cannot be made.
GstElement* decodingPipeline(const QString& path, const QByteArray& filters) {
    const QByteArray launch =
        "filesrc name=src ! decodebin ! audioconvert ! " + filters +
        "audioresample ! audio/x-raw,format=S16LE,channels=1,rate=" + QByteArray::number(kRecordRate) +
        " ! appsink name=sink sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(launch.constData(), &error);
    if (error) {
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return nullptr;
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(src);
    return pipeline;
}

// The media decoded as the player decodes it, at the recording's rate.
Samples decode(const QString& path) {
    GstElement* pipeline = decodingPipeline(path, QByteArray());
    if (!pipeline)
        return {};
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    return drain(pipeline, sink);
}

Samples readRaw(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    Samples samples(size_t(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

// Silent runs of at least `minSeconds` within [from, to), in seconds of the samples.
// The encoder's noise in a gap breaks through kSilenceLevel in short bursts (more often
// as heard, which is louder than decoded): silent runs of at least kMinFragment less
// than kMaxBurst apart are one run. (A tone is below the level only for a few samples
// around each zero crossing.)
std::vector<Gap> silentRuns(const Samples& s, size_t from, size_t to, double minSeconds) {
    std::vector<Gap> runs;
    const size_t minFragment = size_t(kMinFragment * kRecordRate);
    const size_t maxBurst = size_t(kMaxBurst * kRecordRate);
    size_t i = from;
    while (i < to) {
        if (std::abs(int(s[i])) >= kSilenceLevel) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < to && std::abs(int(s[j])) < kSilenceLevel)
            ++j;
        if (j - i >= minFragment) {
            const double start = double(i) / kRecordRate, end = double(j) / kRecordRate;
            if (!runs.empty() && start - runs.back().end < double(maxBurst) / kRecordRate)
                runs.back().end = end;
            else
                runs.push_back({start, end});
        }
        i = j;
    }
    std::erase_if(runs, [&](const Gap& g) { return g.end - g.start < minSeconds; });
    return runs;
}

// One past the last sample of the sound whose last sample at kSilenceLevel is `lastLoud`.
size_t soundEnd(const Samples& s, size_t lastLoud) {
    const size_t quiet = size_t(kEndSilence * kRecordRate);
    const size_t limit = std::min(s.size(), lastLoud + size_t(kMaxFade * kRecordRate));
    size_t last = lastLoud;
    bool negative = s[lastLoud] < 0;
    size_t lastCrossing = 0;
    for (size_t j = lastLoud + 1; j < limit && j - last <= quiet; ++j) {
        if (std::abs(int(s[j])) < kEndLevel)
            continue;
        if ((s[j] < 0) != negative) {
            if (lastCrossing > 0 && j - lastCrossing < kMinHalfPeriod)
                return lastCrossing; // ringing from here on
            lastCrossing = j;
            negative = s[j] < 0;
        }
        last = j;
    }
    return last + 1;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p * double(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// The pitch of `seconds` of heard sound from `from` (samples), by zero crossings.
double heardPitch(const Samples& s, size_t from, size_t length) {
    int crossings = 0;
    for (size_t i = from + 1; i < from + length && i < s.size(); ++i) {
        if ((s[i - 1] < 0) != (s[i] < 0))
            ++crossings;
    }
    return crossings / (2.0 * double(length) / kRecordRate);
}

// The media gap that a heard gap is: among the gaps whose decoded tone has the heard
// pitch (within 20 Hz), the one nearest to `expected`.
const Gap* matchGap(const std::vector<Gap>& mediaGaps, double pitch, double expected) {
    const Gap* best = nullptr;
    for (const Gap& g : mediaGaps) {
        if (std::abs(g.pitch - pitch) > 20.0)
            continue;
        if (!best || std::abs(g.start - expected) < std::abs(best->start - expected))
            best = &g;
    }
    return best;
}

// Moves t off the gaps so that sentence edges lie well inside the tone.
double insideTone(double t) {
    const double r = std::fmod(t, kStep);
    if (r > kGapAt - 0.03 && r < kGapAt + kGapLength + 0.03)
        return t - r + kGapAt + kGapLength + 0.03;
    return t;
}

// 96 sentences: 8 from 0.000, 8 within the first 80 ms, the rest spread over the media;
// every 12th is played right after the recording was opened again.
std::vector<Sentence> makeSentences(int count) {
    std::vector<Sentence> sentences;
    for (int i = 0; i < count; ++i) {
        double start;
        if (i < 16)
            start = i % 2 == 0 ? 0.0 : 0.005 + 0.0047 * i;
        else
            start = insideTone(0.3 + std::fmod(i * 2.37, kMarkerSeconds - 2.0));
        const double end = insideTone(start + 0.40 + 0.031 * (i % 5));
        sentences.push_back({start, end, i % 12 == 5});
    }
    return sentences;
}

// Runs the event loop for `ms` without spinning.
void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The lesson window without a window: nothing to show.
class NoView final : public ILessonView {
public:
    void colourLessonText(int, int, TextColour) override {}
    void setLessonCaret(int) override {}
    void setSentenceText(const QString&) override {}
    void setCaption(Caption, const QString&) override {}
    bool translationShown() const override { return true; }
    void setReadCommandEnabled(bool) override {}
    void setStopCommandEnabled(bool) override {}
    void setToolbarButtonEnabled(int, bool) override {}
};

Lesson lessonOf(const std::vector<Sentence>& sentences) {
    Lesson lesson;
    lesson.caption = QStringLiteral("Marker");
    for (const Sentence& s : sentences) {
        lesson.List1 << QStringLiteral("Sentence.");
        lesson.List2 << QStringLiteral("句子。");
        lesson.List3 << QString::number(s.start, 'f', 4);
        lesson.List4 << QString::number(s.end, 'f', 4);
    }
    return lesson;
}

// Plays one sentence and returns once it has stopped.
using PlayOne = std::function<bool(int index, const Sentence&)>;

// A long-lived mpv driven over its JSON IPC socket.
class MpvIpc {
public:
    bool start(const QString& dir, const QString& media) {
        socketPath_ = dir + QStringLiteral("/mpv.sock");
        mpv_.setProgram(QStringLiteral("mpv"));
        mpv_.setArguments({QStringLiteral("--no-config"), QStringLiteral("--no-video"),
                           QStringLiteral("--ao=pulse"), QStringLiteral("--idle=yes"),
                           QStringLiteral("--pause"), QStringLiteral("--keep-open=yes"),
                           QStringLiteral("--input-ipc-server=") + socketPath_, media});
        mpv_.setStandardOutputFile(QProcess::nullDevice());
        mpv_.setStandardErrorFile(QProcess::nullDevice());
        mpv_.start();
        if (!mpv_.waitForStarted(5000))
            return false;
        for (int tries = 0; tries < 100 && socket_.state() != QLocalSocket::ConnectedState; ++tries) {
            QThread::msleep(50);
            socket_.connectToServer(socketPath_);
            socket_.waitForConnected(200);
        }
        QThread::msleep(500); // the file is loaded
        return socket_.state() == QLocalSocket::ConnectedState;
    }
    ~MpvIpc() {
        if (mpv_.state() != QProcess::NotRunning) {
            mpv_.terminate();
            if (!mpv_.waitForFinished(3000))
                mpv_.kill();
            mpv_.waitForFinished(3000);
        }
    }
    qint64 pid() const { return mpv_.processId(); }
    // Sends a command and waits for its answer's data.
    QJsonValue call(const QJsonArray& command) {
        const int id = ++requestId_;
        QJsonObject request{{QStringLiteral("command"), command}, {QStringLiteral("request_id"), id}};
        socket_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        socket_.flush();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000) {
            while (socket_.canReadLine()) {
                const QJsonObject reply = QJsonDocument::fromJson(socket_.readLine()).object();
                if (reply.value(QStringLiteral("request_id")).toInt() == id)
                    return reply.value(QStringLiteral("data"));
            }
            socket_.waitForReadyRead(50);
        }
        return {};
    }

private:
    QProcess mpv_;
    QLocalSocket socket_;
    QString socketPath_;
    int requestId_ = 0;
};

struct Analysis {
    std::vector<double> startErrors, overshoots, signedStarts, cutLevels;
    std::vector<double> firstStarts; // sentences starting within the first 80 ms
    std::vector<double> reopenStarts;
    int dropouts = 0;
    double dropoutMs = 0.0;
    int unlocated = 0;           // heard, but without a gap to place it by
    int unlocatedInDropouts = 0; // of those, the ones with a dropout heard in them
    int sentencesWithDropouts = 0;
    std::vector<bool> startHasDropouts; // beside signedStarts: that sentence had a dropout
    // Over the placed sentences with a dropout between their first and last placing
    // gaps: how much longer that stretch was heard than it lasts in the media, against
    // the dropouts' length there. Equal: the silence was inserted (the sound stopped and
    // went on later, as an underrun does); 0: samples were replaced by silence.
    double insertedMs = 0.0;
    double dropoutsBetweenGapsMs = 0.0;
};

// Locates every heard sentence in the media; false (with a message) when the recording
// does not hold exactly one sounding stretch per sentence.
bool analyse(const Samples& heard, const std::vector<Gap>& mediaGaps, const std::vector<Sentence>& sentences,
             bool verbose, Analysis* out) {
    struct Stretch {
        size_t from;
        size_t loudTo; // one past the last sample at kSilenceLevel
        size_t to;     // one past the end of the sound
    };
    std::vector<Stretch> stretches;
    size_t i = 0;
    const size_t minPause = size_t(kMinPause * kRecordRate);
    while (i < heard.size()) {
        while (i < heard.size() && std::abs(int(heard[i])) < kSilenceLevel)
            ++i;
        if (i >= heard.size())
            break;
        size_t j = i;
        size_t lastLoud = i;
        while (j < heard.size() && j - lastLoud < minPause) {
            if (std::abs(int(heard[j])) >= kSilenceLevel)
                lastLoud = j;
            ++j;
        }
        stretches.push_back({i, lastLoud + 1, soundEnd(heard, lastLoud)});
        i = j;
    }
    if (stretches.size() != sentences.size()) {
        std::printf("sync: FAILED: heard %zu sentences of %zu\n", stretches.size(), sentences.size());
        for (size_t k = 0; verbose && k < stretches.size(); ++k) {
            const double seconds = double(stretches[k].to - stretches[k].from) / kRecordRate;
            if (seconds < 0.35) // shorter than any sentence: a stray piece or part of a split one
                std::fprintf(stderr, "stretch %zu at %.3f s of the recording lasts %.1f ms\n", k,
                             double(stretches[k].from) / kRecordRate, seconds * 1000.0);
        }
        return false;
    }
    const size_t window = size_t(kPitchWindow * kRecordRate);
    for (size_t k = 0; k < sentences.size(); ++k) {
        const Sentence& s = sentences[k];
        const auto [from, loudTo, to] = stretches[k];
        std::vector<Gap> gaps, dropouts;
        for (const Gap& run : silentRuns(heard, from, loudTo, kMinDropout)) {
            // The encoder smears some gaps to 14-17 ms: those count as gaps as well.
            const double length = run.end - run.start;
            if (length >= kMinGap && length <= kGapLength + kGapTolerance) {
                gaps.push_back(run);
            } else {
                dropouts.push_back(run);
                ++out->dropouts;
                out->dropoutMs += (run.end - run.start) * 1000.0;
            }
        }
        out->sentencesWithDropouts += dropouts.empty() ? 0 : 1;
        const auto unplaced = [&] {
            ++out->unlocated;
            out->unlocatedInDropouts += dropouts.empty() ? 0 : 1;
        };
        if (gaps.empty()) { // a dropout took its gap, or it was heard too short
            unplaced();
            if (verbose)
                std::fprintf(stderr, "sentence %zu: no marker gap heard in %.3f s (%zu dropouts)\n", k,
                             double(to - from) / kRecordRate, dropouts.size());
            continue;
        }
        const double heardFrom = double(from) / kRecordRate;
        const double heardTo = double(to) / kRecordRate;
        // A gap is named by the tone after it (same pitch step), else the tone before it.
        // A heard gap is named by the pitch of the tone after it and must be as long as
        // the media gap of that name; the first and the last such gap place the sentence.
        auto mediaGapFor = [&](const Gap& g, double expected) -> const Gap* {
            const size_t gapEnd = size_t(g.end * kRecordRate) + size_t(0.002 * kRecordRate);
            if (gapEnd + window > loudTo)
                return nullptr;
            const Gap* m = matchGap(mediaGaps, heardPitch(heard, gapEnd, window), expected);
            return m && std::abs((m->end - m->start) - (g.end - g.start)) <= 0.003 ? m : nullptr;
        };
        const Gap* first = nullptr;
        const Gap* last = nullptr;
        Gap heardFirst{}, heardLast{};
        for (const Gap& g : gaps) {
            if (const Gap* m = mediaGapFor(g, s.start + (g.start - heardFrom))) {
                if (!first) {
                    first = m;
                    heardFirst = g;
                }
                last = m;
                heardLast = g;
            }
        }
        if (!first) {
            unplaced();
            if (verbose)
                std::fprintf(stderr, "sentence %zu: no heard gap matched the marker (%zu dropouts)\n", k,
                             dropouts.size());
            continue;
        }
        double between = 0.0;
        for (const Gap& d : dropouts) {
            if (d.start > heardFirst.end && d.end < heardLast.start)
                between += d.end - d.start;
        }
        if (between > 0.0) {
            out->insertedMs += ((heardLast.end - heardFirst.start) - (last->end - first->start)) * 1000.0;
            out->dropoutsBetweenGapsMs += between * 1000.0;
        }
        const double mediaStart = first->start - (heardFirst.start - heardFrom);
        const double mediaEnd = last->end + (heardTo - heardLast.end);
        const double signedStart = (mediaStart - s.start) * 1000.0;
        out->signedStarts.push_back(signedStart);
        out->startHasDropouts.push_back(!dropouts.empty());
        out->startErrors.push_back(std::abs(signedStart));
        out->overshoots.push_back((mediaEnd - s.end) * 1000.0);
        if (s.start < 0.08)
            out->firstStarts.push_back(std::abs(signedStart));
        if (s.reopen)
            out->reopenStarts.push_back(std::abs(signedStart));
        // The level of the last 2 ms before the end: the step to silence at the cut.
        double sum = 0.0;
        const size_t cutWindow = size_t(0.002 * kRecordRate);
        for (size_t n = to - cutWindow; n < to; ++n)
            sum += double(heard[n]) * double(heard[n]);
        out->cutLevels.push_back(10.0 *
                                 std::log10(std::max(sum / double(cutWindow), 1.0) / (32768.0 * 32768.0)));
        if (verbose) {
            std::fprintf(
                stderr,
                "sentence %zu (%.3f-%.3f): start %+.2f ms, end %+.2f ms, cut %.1f dBFS; heard %.1f ms "
                "longer than it lasts",
                k, s.start, s.end, signedStart, out->overshoots.back(), out->cutLevels.back(),
                ((heardTo - heardFrom) - (s.end - s.start)) * 1000.0);
            for (const Gap& d : dropouts)
                std::fprintf(stderr, "; dropout at +%.1f ms, %.1f ms long", (d.start - heardFrom) * 1000.0,
                             (d.end - d.start) * 1000.0);
            std::fprintf(stderr, "\n");
        }
    }
    return true;
}

void printFigures(const char* prefix, const Analysis& a, const char* detail) {
    auto line = [&](const char* name, const std::vector<double>& v, const char* unit) {
        std::printf("%s_%s: %.2f %s (median of %zu; p95 %.2f, max %.2f; %s)\n", prefix, name,
                    percentile(v, 0.5), unit, v.size(), percentile(v, 0.95),
                    *std::max_element(v.begin(), v.end()), detail);
    };
    line("start_error_ms", a.startErrors, "ms");
    line("stop_overshoot_ms", a.overshoots, "ms");
    if (!a.firstStarts.empty())
        line("start_error_first_80ms_ms", a.firstStarts, "ms");
    if (!a.reopenStarts.empty())
        line("start_error_after_open_ms", a.reopenStarts, "ms");
    line("cut_level_dbfs", a.cutLevels, "dBFS");
    std::printf(
        "%s_dropouts: %d dropouts (%.1f ms in all, in %d sentences; signed start error min %.2f ms, max "
        "%.2f ms; overshoot min %.2f ms)\n",
        prefix, a.dropouts, a.dropoutMs, a.sentencesWithDropouts,
        *std::min_element(a.signedStarts.begin(), a.signedStarts.end()),
        *std::max_element(a.signedStarts.begin(), a.signedStarts.end()),
        *std::min_element(a.overshoots.begin(), a.overshoots.end()));
    std::printf("%s_unplaced: %d sentences (heard, but no marker gap placed them; %zu placed; %d of the "
                "unplaced had dropouts)\n",
                prefix, a.unlocated, a.startErrors.size(), a.unlocatedInDropouts);
    if (a.dropoutsBetweenGapsMs > 0.0)
        std::printf("%s_dropout_inserted: %.1f ms (heard beyond the media's length where %.1f ms of dropouts "
                    "lie between two placing gaps: equal, the sound stopped and went on later; 0, samples "
                    "were silenced)\n",
                    prefix, a.insertedMs, a.dropoutsBetweenGapsMs);
}

// The late player's verdict: every placed sentence must read 150 ms late (within a few
// milliseconds of what the real player's start error spreads over, far less than a
// marker period), and all of them must be placed. Non-zero when the analysis is off.
// Silence heard inside a sentence (a dropout: the loaded machine's sound server missed
// a cycle, or a stray piece of sound came before the sentence) takes the gaps that place
// it or moves where its sound seems to start, whatever the analysis: the verdict is given
// on the sentences without one. When one with a dropout is unplaced or off, the line
// says the load was too high to measure it (a failure under CI, where the figure is
// wanted); the sentences without one must still all read the delay.
int lateVerdict(const Analysis& a) {
    constexpr double kLateMs = 150.0;
    constexpr double kToleranceMs = 25.0;
    double worst = 0.0;
    int clean = 0, offWithDropouts = 0;
    for (size_t i = 0; i < a.signedStarts.size(); ++i) {
        const double distance = std::abs(a.signedStarts[i] - kLateMs);
        if (!a.startHasDropouts[i]) {
            worst = std::max(worst, distance);
            ++clean;
        } else if (distance > kToleranceMs) {
            ++offWithDropouts;
        }
    }
    const bool misread = worst > kToleranceMs || a.unlocated > a.unlocatedInDropouts;
    const int unmeasured = a.unlocatedInDropouts + offWithDropouts;
    double load[1] = {-1.0};
    getloadavg(load, 1);
    std::printf("late_player_verdict: %.2f ms (largest distance of a start error from %.0f ms over the %d "
                "sentences without dropouts; %d sentences with dropouts, %d of them unplaced or off; load "
                "average %.1f; %s)\n",
                worst, kLateMs, clean, a.sentencesWithDropouts, unmeasured, load[0],
                misread           ? "FAILED: the analysis does not read 150 ms"
                : unmeasured == 0 ? "the analysis reads the delay"
                                  : "load too high to measure the sentences with dropouts");
    if (misread)
        return 1;
    return unmeasured > 0 && qEnvironmentVariable("CI") == QLatin1String("true") ? 1 : 0;
}

// Pitches of the tone in [from, to): one per 20 ms window (10 ms apart) that is tone
// throughout (no run of more than 6 samples below kSilenceLevel, which a tone has only
// around its zero crossings), from the window's first and last zero crossing,
// interpolated between samples (precise to a fraction of a hertz, where counting
// crossings in 20 ms is not).
std::vector<double> tonePitches(const Samples& s, size_t from, size_t to) {
    std::vector<double> pitches;
    const size_t window = size_t(0.020 * kRecordRate), hop = window / 2;
    for (size_t w = from; w + window <= to && w + window <= s.size(); w += hop) {
        size_t quiet = 0, longest = 0;
        double first = -1.0, last = -1.0;
        int crossings = 0;
        for (size_t i = w; i < w + window; ++i) {
            quiet = std::abs(int(s[i])) < kSilenceLevel ? quiet + 1 : 0;
            longest = std::max(longest, quiet);
            if (i > w && (s[i - 1] < 0) != (s[i] < 0)) {
                const double at = double(i - 1) + double(s[i - 1]) / double(s[i - 1] - s[i]);
                if (first < 0.0)
                    first = at;
                last = at;
                ++crossings;
            }
        }
        if (longest <= 6 && crossings >= 3)
            pitches.push_back((crossings - 1) / (2.0 * (last - first) / kRecordRate));
    }
    return pitches;
}

// The pitches of windows within one pitch step: within 0.2 % of both neighbours (a
// window across a step has a pitch between two steps, which would pass any error).
std::vector<double> steadyPitches(const std::vector<double>& pitches) {
    std::vector<double> steady;
    for (size_t i = 1; i + 1 < pitches.size(); ++i) {
        if (std::abs(pitches[i - 1] / pitches[i] - 1.0) < 0.002 &&
            std::abs(pitches[i + 1] / pitches[i] - 1.0) < 0.002)
            steady.push_back(pitches[i]);
    }
    return steady;
}

// The median, over the tone windows heard, of the distance of each window's pitch from
// the nearest pitch of the media's own windows of the sentence (%).
double pitchError(const std::vector<double>& heard, const std::vector<double>& media) {
    std::vector<double> errors;
    for (double f : heard) {
        double best = 1e9;
        for (double g : media)
            best = std::min(best, std::abs(f / g - 1.0));
        errors.push_back(100.0 * best);
    }
    return errors.empty() || media.empty() ? 100.0 : percentile(errors, 0.5);
}

// The sentence stretched offline by the player's own stretching element, with the cuts
// the player makes (silence before the start and after the end, its fades, the same
// lead-in and tail): what the player should sound like, sample for sample.
Samples stretchedReference(const QString& mp3, const Sentence& s, double rate) {
    GstElement* pipeline =
        decodingPipeline(mp3, GstMediaPlayer::stretcherName().toUtf8() + " name=stretch ! audioconvert ! ");
    if (!pipeline)
        return {};
    GstElement* stretch = gst_bin_get_by_name(GST_BIN(pipeline), "stretch");
    const bool byTempo = g_object_class_find_property(G_OBJECT_GET_CLASS(stretch), "tempo") != nullptr;
    if (byTempo)
        g_object_set(stretch, "tempo", float(rate), nullptr);
    struct Cut {
        gint64 from, until, fadeOut, fadeIn;
    };
    static Cut cut; // the player's: below speed 1, 15 ms out and 5 ms in
    cut = {gint64(s.start * GST_SECOND), gint64(s.end * GST_SECOND),
           gint64(rate < 1.0 ? 15 : 5) * GST_MSECOND, rate < 1.0 ? 5 * GST_MSECOND : 0};
    GstPad* pad = gst_element_get_static_pad(stretch, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer) {
            GstCaps* caps = gst_pad_get_current_caps(pad);
            GstAudioInfo audio;
            if (caps && gst_audio_info_from_caps(&audio, caps))
                GST_PAD_PROBE_INFO_DATA(info) = silenceOutside(GST_PAD_PROBE_INFO_BUFFER(info), audio,
                                                               cut.from, cut.until, cut.fadeOut, cut.fadeIn);
            if (caps)
                gst_caps_unref(caps);
            return GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
    gst_object_unref(pad);
    gst_object_unref(stretch);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    gst_element_get_state(pipeline, nullptr, nullptr, 5 * GST_SECOND);
    const double scale = byTempo ? 1.0 / rate : 1.0;
    gst_element_seek(pipeline, byTempo ? 1.0 : rate, GST_FORMAT_TIME,
                     GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
                     gint64(std::max(0.0, s.start - 0.080) * scale * GST_SECOND), GST_SEEK_TYPE_SET,
                     gint64((s.end + 0.050) * scale * GST_SECOND));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    return drain(pipeline, sink);
}

// The sounding stretches [from, to) of a recording: a silent run of kMinPause separates two.
std::vector<std::pair<size_t, size_t>> soundingStretches(const Samples& heard) {
    std::vector<std::pair<size_t, size_t>> stretches;
    const size_t minPause = size_t(kMinPause * kRecordRate);
    for (size_t i = 0; i < heard.size();) {
        while (i < heard.size() && std::abs(int(heard[i])) < kSilenceLevel)
            ++i;
        if (i >= heard.size())
            break;
        size_t j = i, lastLoud = i;
        while (j < heard.size() && j - lastLoud < minPause) {
            if (std::abs(int(heard[j])) >= kSilenceLevel)
                lastLoud = j;
            ++j;
        }
        stretches.emplace_back(i, soundEnd(heard, lastLoud));
        i = j;
    }
    return stretches;
}

// How far (in samples of `a`) the sound of `a` from `at` lies behind the same sound of
// `b` from `bAt`: the lag within ±3 ms that best matches 30 ms of both (normalised
// correlation). Positive: `a` has lost that much of what `b` has there.
double lagAgainst(const Samples& a, size_t at, const Samples& b, size_t bAt, bool backwards) {
    const long length = long(0.030 * kRecordRate), reach = long(0.003 * kRecordRate);
    double best = -2.0;
    long bestLag = 0;
    for (long lag = -reach; lag <= reach; ++lag) {
        double ab = 0.0, aa = 0.0, bb = 0.0;
        for (long k = 0; k < length; ++k) {
            const long i = backwards ? long(at) - 1 - k : long(at) + k;
            const long j = backwards ? long(bAt) - 1 - k + lag : long(bAt) + k + lag;
            const double x = i >= 0 && i < long(a.size()) ? a[size_t(i)] : 0.0;
            const double y = j >= 0 && j < long(b.size()) ? b[size_t(j)] : 0.0;
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        const double r = aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : -1.0;
        if (r > best) {
            best = r;
            bestLag = lag;
        }
    }
    return double(bestLag);
}

// The heard sentences of a pass at `rate`, each against the same sentence stretched
// offline by the same element with the same cuts (stretchedReference()):
//   length error     heard length (first to last sound, soundEnd()) against
//                    (end - start) / rate, and the reference's own against the same
//   heard/reference  heard length against the reference's
//   pitch error      tonePitches() of the heard sound against those of the media's
//                    sentence at speed 1 (pitchError()), and the reference's likewise
//   start error      where the first 30 ms heard best match the reference's first 30 ms
//                    (lagAgainst()), in media ms: what the player lost (+) or added (-)
//                    at the start beyond what stretching itself does
//   stop overshoot   the same with the last 30 ms: + heard past the reference's end
int rateFigures(double rate, const Samples& heard, const Samples& media, const std::vector<Sentence>& played,
                bool recorded, bool verbose, const QString& mp3) {
    const QByteArray prefix = "sync_rate_" + QByteArray::number(rate, 'f', 1);
    if (!recorded) {
        std::printf("%s: FAILED: could not record or play\n", prefix.constData());
        return 1;
    }
    const auto stretches = soundingStretches(heard);
    if (stretches.size() != played.size()) {
        std::printf("%s: FAILED: heard %zu sentences of %zu\n", prefix.constData(), stretches.size(),
                    played.size());
        return 1;
    }
    std::vector<double> lengths, refLengths, versus, pitches, refPitches, starts, stops;
    for (size_t k = 0; k < played.size(); ++k) {
        const Sentence& s = played[k];
        const auto [from, to] = stretches[k];
        const double expected = (s.end - s.start) / rate;
        const double heardSeconds = double(to - from) / kRecordRate;
        lengths.push_back(100.0 * std::abs(heardSeconds / expected - 1.0));
        const std::vector<double> mediaPitches =
            steadyPitches(tonePitches(media, size_t(s.start * kRecordRate), size_t(s.end * kRecordRate)));
        pitches.push_back(pitchError(tonePitches(heard, from, to), mediaPitches));
        const Samples reference = stretchedReference(mp3, s, rate);
        const auto refStretches = soundingStretches(reference);
        if (refStretches.size() != 1) {
            std::printf("%s: FAILED: the offline reference of sentence %zu has %zu sounding stretches\n",
                        prefix.constData(), k, refStretches.size());
            return 1;
        }
        const auto [refFrom, refTo] = refStretches.front();
        const double refSeconds = double(refTo - refFrom) / kRecordRate;
        refLengths.push_back(100.0 * std::abs(refSeconds / expected - 1.0));
        versus.push_back(100.0 * std::abs(heardSeconds / refSeconds - 1.0));
        refPitches.push_back(pitchError(tonePitches(reference, refFrom, refTo), mediaPitches));
        const double toMediaMs = 1000.0 * rate / kRecordRate;
        starts.push_back(lagAgainst(heard, from, reference, refFrom, false) * toMediaMs);
        stops.push_back(lagAgainst(heard, to, reference, refTo, true) * toMediaMs);
        if (verbose)
            std::fprintf(
                stderr,
                "%s sentence %zu: heard %.1f ms, reference %.1f ms, for %.1f ms; pitch error %.2f %% "
                "(reference %.2f %%); start %+.2f ms, stop %+.2f ms\n",
                prefix.constData(), k, heardSeconds * 1000.0, refSeconds * 1000.0, expected * 1000.0,
                pitches.back(), refPitches.back(), starts.back(), stops.back());
    }
    auto line = [&](const char* name, const std::vector<double>& v, const char* unit, const char* goal) {
        std::printf("%s_%s: %.2f %s (median of %zu; p95 %.2f, max %.2f; %s)\n", prefix.constData(), name,
                    percentile(v, 0.5), unit, v.size(), percentile(v, 0.95),
                    *std::max_element(v.begin(), v.end()), goal);
    };
    std::vector<double> startErrors(starts.size());
    std::transform(starts.begin(), starts.end(), startErrors.begin(), [](double v) { return std::abs(v); });
    line("length_error", lengths, "%", "goal within 2 % of length / speed");
    line("reference_length_error", refLengths, "%", "the stretching element's own, offline, same cuts");
    line("heard_vs_reference", versus, "%", "heard length against the offline reference's");
    line("pitch_error", pitches, "%", "goal median within 3 % of the media's");
    line("reference_pitch_error", refPitches, "%", "the offline reference's");
    line("start_error_ms", startErrors, "ms", "media ms against the offline reference; goal median <= 0.1");
    line("stop_overshoot_ms", stops, "ms", "media ms against the offline reference; goal p95 <= 1.1");
    return 0;
}

// The marker's gaps in the decoded media, each named by the pitch of the tone after it.
std::vector<Gap> markerGaps(const Samples& media) {
    std::vector<Gap> gaps = silentRuns(media, 0, size_t(kMarkerSeconds * kRecordRate) - 1, kMinGap);
    for (Gap& g : gaps)
        g.pitch = heardPitch(media, size_t(g.end * kRecordRate) + size_t(0.002 * kRecordRate),
                             size_t(kPitchWindow * kRecordRate));
    return gaps;
}

int skip(const char* why) {
    std::printf("bench_sync: skipped (%s)\n", why);
    return 0;
}

// Records nullsink.monitor into `raw` while `run` plays; returns what was heard.
Samples record(const QString& raw, const std::function<bool()>& run, bool* ok) {
    // The recorder asks for a long latency so that the player's own stream, as in the
    // program, sets the length of the server's processing cycle.
    QProcess parec;
    parec.setStandardOutputFile(raw);
    parec.setProgram(QStringLiteral("parec"));
    parec.setArguments({QStringLiteral("-d"), QStringLiteral("nullsink.monitor"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRecordRate),
                        QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=200")});
    parec.start();
    *ok = parec.waitForStarted(5000);
    if (!*ok)
        return {};
    waitMs(500);
    *ok = parec.state() == QProcess::Running && run();
    waitMs(kPauseMs);
    parec.terminate();
    parec.waitForFinished(5000);
    return readRaw(raw);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool verbose = args.contains(QStringLiteral("--verbose"));
    const QString mode = args.size() > 1 && !args.at(1).startsWith(QLatin1String("--"))
                             ? args.at(1)
                             : QStringLiteral("lesnor");
    const bool peer = mode.startsWith(QLatin1String("mpv"));

    // First, so that it also sets up GStreamer for the decoding below.
    GstMediaPlayer player;
    if (player.isSilent())
        return skip("no sound server");
    if (peer && QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty())
        return skip("mpv is not installed");

    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("marker.wav"));
    const QString raw = dir.filePath(QStringLiteral("heard.raw"));
    if (!writeMarkerWav(wav))
        return skip("cannot write the marker recording");
    const std::vector<Sentence> sentences = makeSentences(kSentences);

    // One pass: the marker encoded (CBR or VBR), its sentences played by `playOne`.
    auto pass = [&](bool vbr, int count, const char* prefix, const PlayOne& playOne,
                    const std::function<void(const QString&)>& prepare) -> int {
        const QString mp3 =
            dir.filePath(vbr ? QStringLiteral("marker-vbr.mp3") : QStringLiteral("marker.mp3"));
        if (!QFile::exists(mp3) && !encodeMp3(wav, mp3, vbr))
            return skip("cannot make the marker recording with lame");
        const Samples media = decode(mp3);
        const std::vector<Gap> mediaGaps = markerGaps(media);
        if (mediaGaps.size() < size_t(kMarkerSeconds / kStep) - 2)
            return skip("cannot decode the marker recording");
        if (verbose) {
            for (const Gap& g : mediaGaps) {
                if (std::abs(g.end - g.start - kGapLength) > kGapTolerance)
                    std::fprintf(stderr, "media gap at %.4f lasts %.2f ms\n", g.start,
                                 (g.end - g.start) * 1000);
            }
        }
        prepare(mp3);
        const std::vector<Sentence> played(sentences.begin(), sentences.begin() + count);
        bool ok = false;
        const Samples heard = record(
            raw,
            [&] {
                for (int k = 0; k < count; ++k) {
                    if (!playOne(k, played[k]))
                        return false;
                    waitMs(kPauseMs);
                }
                return true;
            },
            &ok);
        if (!ok) {
            std::printf("%s: FAILED: could not record or play\n", prefix);
            return 1;
        }
        Analysis analysis;
        if (!analyse(heard, mediaGaps, played, verbose, &analysis) || analysis.startErrors.empty())
            return 1;
        printFigures(prefix, analysis, vbr ? "VBR recording" : "64 kbit/s CBR recording");
        return std::strcmp(prefix, "late_player") == 0 ? lateVerdict(analysis) : 0;
    };

    if (mode == QLatin1String("mpv-cli")) {
        Usage total;
        double seconds = 0.0;
        const int status = pass(
            false, kSentences, "mpv_cli",
            [&](int, const Sentence& s) {
                QProcess mpv;
                mpv.setStandardOutputFile(QProcess::nullDevice());
                mpv.setStandardErrorFile(QProcess::nullDevice());
                mpv.start(QStringLiteral("mpv"),
                          {QStringLiteral("--no-config"), QStringLiteral("--no-video"),
                           QStringLiteral("--ao=pulse"), QStringLiteral("--start=%1").arg(s.start, 0, 'f', 4),
                           QStringLiteral("--end=%1").arg(s.end, 0, 'f', 4), dir.filePath("marker.mp3")});
                return mpv.waitForFinished(10000);
            },
            [](const QString&) {});
        (void)total;
        (void)seconds;
        return status;
    }

    if (mode == QLatin1String("mpv-ipc")) {
        MpvIpc mpv;
        double cpu = 0.0, wall = 0.0;
        int status = pass(
            false, kSentences, "mpv_ipc",
            [&](int, const Sentence& s) {
                const double cpuBefore = cpuSecondsOf(mpv.pid());
                QElapsedTimer clock;
                clock.start();
                mpv.call({QStringLiteral("seek"), s.start, QStringLiteral("absolute+exact")});
                mpv.call({QStringLiteral("set_property"), QStringLiteral("pause"), false});
                while (clock.elapsed() < 5000) {
                    const QJsonValue pos =
                        mpv.call({QStringLiteral("get_property"), QStringLiteral("time-pos")});
                    if (pos.isDouble() && pos.toDouble() > s.end)
                        break;
                    QThread::usleep(1000);
                }
                mpv.call({QStringLiteral("set_property"), QStringLiteral("pause"), true});
                cpu += cpuSecondsOf(mpv.pid()) - cpuBefore;
                wall += double(clock.nsecsElapsed()) / 1e9;
                return true;
            },
            [&](const QString& mp3) {
                if (!mpv.start(dir.path(), mp3))
                    std::printf("mpv_ipc: mpv's IPC socket did not answer\n");
            });
        if (status == 0 && wall > 0)
            std::printf("mpv_ipc_cpu_playing_pct: %.2f %% (mpv's own process while playing sentences)\n",
                        100.0 * cpu / wall);
        return status;
    }

    // Lesnor: the lesson window's controller, poll and stop rules on the real player.
    NoView view;
    SentenceController controller(player, view);
    const bool late = mode == QLatin1String("late");
    double cpuPlaying = 0.0, wallPlaying = 0.0, wakeUpsPlaying = 0.0;
    QString opened;
    auto playOne = [&](int k, const Sentence& s) {
        if (s.reopen) { // as a lesson click does, then play at once
            player.close();
            player.stop();
            player.setUrl(opened);
            player.stop();
        }
        const double cpuBefore = cpuSecondsOf(app.applicationPid());
        const double wakeUpsBefore = wakeUpsOf(app.applicationPid());
        QElapsedTimer clock;
        clock.start();
        if (late) { // a deliberately late player: every sentence sounds 150 ms late
            player.setStopPosition(s.end + 0.150);
            player.setCurrentPosition(s.start + 0.150);
            player.play();
            while (player.playState() == IMediaPlayer::Playing && clock.elapsed() < 5000)
                waitMs(2);
            player.stop();
        } else {
            controller.PlaySentence(k);
            while (controller.pollActive() && clock.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        cpuPlaying += cpuSecondsOf(app.applicationPid()) - cpuBefore;
        wakeUpsPlaying += wakeUpsOf(app.applicationPid()) - wakeUpsBefore;
        wallPlaying += double(clock.nsecsElapsed()) / 1e9;
        return clock.elapsed() < 5000;
    };
    auto load = [&](const QString& mp3) {
        opened = mp3;
        player.setUrl(mp3);
        controller.lessonLoaded(lessonOf(sentences));
    };
    // "rates": only the passes at slower speeds.
    const bool ratesOnly = mode == QLatin1String("rates");
    if (ratesOnly) {
        const QString mp3 = dir.filePath(QStringLiteral("marker.mp3"));
        if (!encodeMp3(wav, mp3, false))
            return skip("cannot make the marker recording with lame");
        load(mp3);
    } else {
        if (int status = pass(false, kSentences, late ? "late_player" : "sync", playOne, load))
            return status;
        if (late)
            return 0;
        std::printf("cpu_reading_pct: %.2f %% (Lesnor's process while sentences play, poll included; %.0f "
                    "wake-ups/s)\n",
                    100.0 * cpuPlaying / wallPlaying, wakeUpsPlaying / wallPlaying);
    }

    // Slower speeds, the voice's pitch kept: each heard sentence as long as its length
    // divided by the speed, at the pitch of the same stretch of the media.
    for (const double rate : {0.5, 0.8}) {
        player.setRate(rate);
        const int first = 16, count = 12;
        const std::vector<Sentence> slow(sentences.begin() + first, sentences.begin() + first + count);
        bool ok = false;
        const Samples heard = record(
            raw,
            [&] {
                for (int k = 0; k < count; ++k) {
                    if (!playOne(first + k, slow[size_t(k)]))
                        return false;
                    waitMs(kPauseMs);
                }
                return true;
            },
            &ok);
        const Samples media = decode(dir.filePath(QStringLiteral("marker.mp3")));
        if (int status = rateFigures(rate, heard, media, slow, ok, verbose,
                                     dir.filePath(QStringLiteral("marker.mp3"))))
            return status;
    }
    player.setRate(1.0);
    if (ratesOnly)
        return 0;

    // After the reading, with the lesson loaded and nothing playing.
    UsageMeter meter(app.applicationPid());
    meter.start();
    waitMs(3000);
    const Usage after = meter.stop();
    std::printf(
        "cpu_after_reading_pct: %.2f %% (3 s with the lesson loaded, nothing playing; %.1f wake-ups/s; "
        "goal 0 and <= 5)\n",
        after.cpuPct, after.wakeUpsPerSecond);

    // The same on a VBR recording (fewer sentences: the pass checks the decoder's timing).
    return pass(true, 32, "sync_vbr", playOne, load);
}
