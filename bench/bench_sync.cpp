// Sentence-synchronised playback as a listener hears it.
//
// Plays sentences of a marker recording (a 1 kHz tone with a 20 ms silent gap every
// 0.25 s) through the real lesson player into the sound server's "nullsink", the way the
// lesson window does: stop position just past the end, seek to the start, play, read the
// position every millisecond and stop at the first position past the end. Meanwhile
// `parec` records "nullsink.monitor". The gaps locate every heard sentence in the media:
//   start error    = media time of the first sample heard - sentence start (|ms|)
//   stop overshoot = media time of the last sample heard - sentence end (ms, negative:
//                    the end was cut)
// and the process's CPU time per second of playback (getrusage, poll included).
//
// Needs a sound server with a "nullsink" sink (tests/audio/start-sound-server.sh; the
// bench runner starts one), `lame` and `parec`. Prints "skipped" without them.
// --verbose lists every sentence on stderr.
#include "platform/GstMediaPlayer.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <sys/resource.h>
#include <vector>

using namespace lesnor;

namespace {

constexpr int kRecordRate = 48000;
constexpr int kSourceRate = 22050;
constexpr double kMarkerSeconds = 24.0;
constexpr double kGapEvery = 0.25;
constexpr double kGapLength = 0.020;
constexpr int kSentences = 24;
constexpr int kPauseMs = 400;           // silence between sentences
constexpr int kSilenceLevel = 2000;     // |sample| below this is silence (tone peaks ~16000,
                                        // MP3 noise in the gaps stays under ~750)
constexpr double kMinGap = 0.008;       // a silent run this long in the marker recording is a gap
constexpr double kGapTolerance = 0.002; // heard silent runs within this of 20 ms are gaps,
constexpr double kMinDropout = 0.0005;  // other heard silent runs this long are dropouts
constexpr double kMinPause = 0.150;     // a silent run this long separates sentences

struct Gap {
    double start;
    double end;
};

struct Sentence {
    double start;
    double end;
};

using Samples = std::vector<qint16>;

// A 1 kHz tone at half scale with a silent gap at every multiple of kGapEvery.
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
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kSourceRate;
        const double inCycle = std::fmod(t, kGapEvery);
        const bool gap = inCycle < kGapLength;
        out << qint16(gap ? 0 : std::lround(16384.0 * std::sin(2.0 * M_PI * 1000.0 * t)));
    }
    return out.status() == QDataStream::Ok;
}

bool encodeMp3(const QString& wav, const QString& mp3) {
    QProcess lame;
    lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("64"),
                                        QStringLiteral("-m"), QStringLiteral("m"), wav, mp3});
    return lame.waitForFinished(30000) && lame.exitStatus() == QProcess::NormalExit && lame.exitCode() == 0;
}

// The media decoded as the player decodes it, at the recording's rate.
Samples decode(const QString& path) {
    Samples samples;
    const QByteArray launch = "filesrc name=src ! decodebin ! audioconvert ! audioresample ! "
                              "audio/x-raw,format=S16LE,channels=1,rate=" +
                              QByteArray::number(kRecordRate) + " ! appsink name=sink sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(launch.constData(), &error);
    if (error) {
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return samples;
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
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
std::vector<Gap> silentRuns(const Samples& s, size_t from, size_t to, double minSeconds) {
    std::vector<Gap> runs;
    const size_t minLength = size_t(minSeconds * kRecordRate);
    size_t i = from;
    while (i < to) {
        if (std::abs(int(s[i])) >= kSilenceLevel) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < to && std::abs(int(s[j])) < kSilenceLevel)
            ++j;
        if (j - i >= minLength)
            runs.push_back({double(i) / kRecordRate, double(j) / kRecordRate});
        i = j;
    }
    return runs;
}

// Moves t off the gaps so that sentence edges lie well inside the tone.
double insideTone(double t) {
    const double r = std::fmod(t, kGapEvery);
    if (r < kGapLength + 0.03)
        return t + (kGapLength + 0.03 - r);
    if (r > kGapEvery - 0.03)
        return t + (kGapEvery - r) + kGapLength + 0.03;
    return t;
}

std::vector<Sentence> makeSentences() {
    std::vector<Sentence> sentences;
    double t = 0.3;
    for (int i = 0; i < kSentences; ++i) {
        const double start = insideTone(t + 0.011 * (i % 7));
        const double end = insideTone(start + 0.55 + 0.037 * (i % 5));
        sentences.push_back({start, end});
        t = end + 0.2;
    }
    return sentences;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p * double(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

void report(const char* name, const std::vector<double>& values) {
    std::printf("%s: median %.2f p95 %.2f max %.2f\n", name, percentile(values, 0.5),
                percentile(values, 0.95), *std::max_element(values.begin(), values.end()));
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int skip(const char* why) {
    std::printf("bench_sync: skipped (%s)\n", why);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool verbose = app.arguments().contains(QStringLiteral("--verbose"));

    // First, so that it also sets up GStreamer for the decoding below.
    GstMediaPlayer player;
    if (player.isSilent())
        return skip("no sound server");

    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("marker.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("marker.mp3"));
    const QString raw = dir.filePath(QStringLiteral("heard.raw"));
    if (!writeMarkerWav(wav) || !encodeMp3(wav, mp3))
        return skip("cannot make the marker recording with lame");
    const std::vector<Gap> mediaGaps =
        silentRuns(decode(mp3), 0, size_t(kMarkerSeconds * kRecordRate) - 1, kMinGap);
    if (mediaGaps.size() < size_t(kMarkerSeconds / kGapEvery) - 2)
        return skip("cannot decode the marker recording");

    // The recorder asks for a long latency so that the player's own stream, as in the
    // program, sets the length of the server's processing cycle.
    QProcess parec;
    parec.setStandardOutputFile(raw);
    parec.setProgram(QStringLiteral("parec"));
    parec.setArguments({QStringLiteral("-d"), QStringLiteral("nullsink.monitor"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRecordRate),
                        QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=200")});
    parec.start();
    if (!parec.waitForStarted(5000))
        return skip("parec does not start");
    QElapsedTimer sinceRecord;
    sinceRecord.start();
    QThread::msleep(500);
    if (parec.state() != QProcess::Running)
        return skip("no nullsink.monitor to record");

    player.setUrl(mp3);
    const std::vector<Sentence> sentences = makeSentences();

    // The lesson window's loop: stop position, seek, play, 1 ms poll, stop past the end.
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1);
    int current = -1;
    int polls = 0;
    int stuck = 0;
    double cpuPlaying = 0.0;
    double cpuAtPlay = 0.0;
    QElapsedTimer sincePlay;
    double wallPlaying = 0.0;
    std::function<void()> next = [&] {
        if (++current >= int(sentences.size())) {
            QTimer::singleShot(kPauseMs, &app, &QCoreApplication::quit);
            return;
        }
        cpuAtPlay = cpuSeconds();
        sincePlay.start();
        player.setStopPosition(sentences[current].end + 0.001);
        player.setCurrentPosition(sentences[current].start);
        player.play();
        poll.start();
    };
    poll.callOnTimeout([&] {
        ++polls;
        const double position = player.currentPosition();
        const bool ended = sentences[current].end < position;
        const bool timedOut = sincePlay.elapsed() > 5000;
        if (!ended && !timedOut)
            return;
        if (verbose)
            std::fprintf(stderr,
                         "sentence %d (%.3f-%.3f s): played from %.3f s of the recording for %.3f s, "
                         "stopped at position %.4f\n",
                         current, sentences[current].start, sentences[current].end,
                         double(sinceRecord.nsecsElapsed() - sincePlay.nsecsElapsed()) / 1e9,
                         double(sincePlay.nsecsElapsed()) / 1e9, position);
        player.stop();
        poll.stop();
        cpuPlaying += cpuSeconds() - cpuAtPlay;
        wallPlaying += double(sincePlay.nsecsElapsed()) / 1e9;
        if (timedOut) {
            ++stuck;
            std::fprintf(stderr, "sentence %d: %.3f..%.3f stuck at %.4f state %d\n", current,
                         sentences[current].start, sentences[current].end, position, int(player.playState()));
        }
        QTimer::singleShot(kPauseMs, next);
    });
    QTimer::singleShot(kPauseMs, next);
    app.exec();

    parec.terminate();
    parec.waitForFinished(5000);
    const Samples heard = readRaw(raw);

    // Sentences are the sounding stretches between long silences.
    std::vector<std::pair<size_t, size_t>> stretches;
    {
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
            stretches.push_back({i, lastLoud + 1});
            i = j;
        }
    }
    if (stretches.size() != sentences.size() || stuck > 0) {
        std::printf("bench_sync: FAILED: heard %zu sentences of %zu, %d never reached their end\n",
                    stretches.size(), sentences.size(), stuck);
        for (const auto& [from, to] : stretches)
            std::printf("  heard %.3f s for %.3f s\n", double(from) / kRecordRate,
                        double(to - from) / kRecordRate);
        return 1;
    }

    std::vector<double> startErrors, overshoots, signedStarts;
    int dropouts = 0;
    double dropoutMs = 0.0;
    for (size_t k = 0; k < sentences.size(); ++k) {
        const Sentence& s = sentences[k];
        const auto [from, to] = stretches[k];
        // Heard silences: the marker's gaps, or dropouts of the sound output.
        std::vector<Gap> gaps;
        for (const Gap& run : silentRuns(heard, from, to, kMinDropout)) {
            if (std::abs(run.end - run.start - kGapLength) <= kGapTolerance) {
                gaps.push_back(run);
            } else {
                ++dropouts;
                dropoutMs += (run.end - run.start) * 1000.0;
            }
        }
        const auto firstMediaGap =
            std::find_if(mediaGaps.begin(), mediaGaps.end(), [&](const Gap& g) { return g.start > s.start; });
        auto lastMediaGap =
            std::find_if(mediaGaps.rbegin(), mediaGaps.rend(), [&](const Gap& g) { return g.end < s.end; });
        if (gaps.empty() || firstMediaGap == mediaGaps.end() || lastMediaGap == mediaGaps.rend()) {
            std::printf("bench_sync: FAILED: sentence %zu has no marker gap\n", k);
            return 1;
        }
        const double heardFrom = double(from) / kRecordRate;
        const double heardTo = double(to) / kRecordRate;
        const double mediaStart = firstMediaGap->start - (gaps.front().start - heardFrom);
        const double mediaEnd = lastMediaGap->end + (heardTo - gaps.back().end);
        signedStarts.push_back((mediaStart - s.start) * 1000.0);
        startErrors.push_back(std::abs(mediaStart - s.start) * 1000.0);
        overshoots.push_back((mediaEnd - s.end) * 1000.0);
        if (verbose)
            std::fprintf(stderr, "sentence %zu: start %+.2f ms, end %+.2f ms, heard %.3f s\n", k,
                         signedStarts.back(), overshoots.back(), heardTo - heardFrom);
    }

    std::printf("sentences: %zu, position reads: %d\n", sentences.size(), polls);
    report("sync_start_error_ms", startErrors);
    report("sync_stop_overshoot_ms", overshoots);
    std::printf("sync_detail_ms: start signed min %.2f max %.2f, overshoot min %.2f, "
                "dropouts %d (%.1f ms)\n",
                *std::min_element(signedStarts.begin(), signedStarts.end()),
                *std::max_element(signedStarts.begin(), signedStarts.end()),
                *std::min_element(overshoots.begin(), overshoots.end()), dropouts, dropoutMs);
    std::printf("cpu_per_playback_s_pct: %.1f\n", 100.0 * cpuPlaying / wallPlaying);
    return 0;
}
