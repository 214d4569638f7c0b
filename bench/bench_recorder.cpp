// Voice recording against a headless sound server whose microphone ("micsink", heard
// from the default source "mic") is fed a 440 Hz tone:
//   press_to_capture_ms   the record button's commands ("close   all", open, record)
//                         until the moment the first captured frame was heard (its
//                         buffer's arrival less the buffer's length)
//   press_to_first_buffer_ms  the same until that buffer reaches the recording
//   record_call_ms        how long the record command holds the caller (the UI thread)
//   stop_call_ms          how long stop and save hold the caller
//   saved_length_error_ms saved WAV length - time between the two presses, for holds of
//                         0.5 to 3 s
//   playback_first_sound_ms  play back press until the sound is heard on the monitor
//                         of "nullsink" (the arrival of each monitor buffer, less the
//                         part of it after the first loud sample; so the monitor's own
//                         delivery delay is counted against the player)
// Needs the server of tests/audio/start-sound-server.sh (the bench runner starts one)
// and `paplay`; prints "skipped" without them.
#include "MonitorPipeline.h"
#include "platform/GstSoundCapture.h"
#include "platform/GstSoundPlayer.h"
#include "platform/WavFile.h"
#include "playback/RecorderCommands.h"
#include "playback/VoiceRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <mutex>
#include <vector>

using namespace lesnor;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMonitorRate = 48000;
constexpr int kLoud = 2000; // |sample| above this is sound (the tone peaks at 16000)

double msSince(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

QByteArray toneWav(const WavFormat& format, double seconds) {
    const int frames = int(seconds * format.rate);
    QByteArray data(frames * 2, '\0');
    for (int i = 0; i < frames; ++i)
        qToLittleEndian(qint16(std::lround(16000.0 * std::sin(2.0 * M_PI * 440.0 * i / format.rate))),
                        data.data() + 2 * i);
    return wavHeader(format, data.size()) + data;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Stats {
    std::vector<double> values;
    double percentile(double p) const {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
    }
    double maxAbs() const {
        double m = 0;
        for (double x : values)
            m = std::max(m, std::abs(x));
        return m;
    }
};

void print(const char* name, const Stats& s, const char* detail) {
    std::printf("%s: %.1f ms (median of %zu; p90 %.1f, max %.1f; %s)\n", name, s.percentile(0.5),
                s.values.size(), s.percentile(0.9), s.percentile(1.0), detail);
}

// Records the monitor of "nullsink" with the arrival time of every buffer.
class Monitor {
public:
    bool start() {
        return pipeline_.start("pulsesrc device=nullsink.monitor latency-time=5000 ! audioconvert ! "
                               "audioresample ! audio/x-raw,format=S16LE,channels=1,rate=48000 ! "
                               "appsink name=sink sync=false",
                               &Monitor::onSample, this);
    }
    // When the first loud sample after `from` was heard; negative when none was.
    double firstSoundAfterMs(Clock::time_point from) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Chunk& chunk : chunks_) {
            if (chunk.arrived < from)
                continue;
            for (size_t i = 0; i < chunk.samples.size(); ++i) {
                if (std::abs(int(chunk.samples[i])) > kLoud) {
                    const double after = double(chunk.samples.size() - i) * 1000.0 / kMonitorRate;
                    return msSince(from, chunk.arrived) - after;
                }
            }
        }
        return -1.0;
    }

private:
    struct Chunk {
        Clock::time_point arrived;
        std::vector<qint16> samples;
    };
    static GstFlowReturn onSample(GstAppSink* sink, gpointer data) {
        auto* self = static_cast<Monitor*>(data);
        const Clock::time_point now = Clock::now();
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample)
            return GST_FLOW_OK;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            Chunk chunk{now, std::vector<qint16>(map.size / 2)};
            std::memcpy(chunk.samples.data(), map.data, chunk.samples.size() * 2);
            gst_buffer_unmap(buffer, &map);
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->chunks_.push_back(std::move(chunk));
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    std::mutex mutex_;
    std::vector<Chunk> chunks_;
    bench::MonitorPipeline pipeline_; // last: stopped before what its samples go to
};

int skip(const char* why) {
    std::printf("bench_recorder: skipped (%s)\n", why);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString tone = dir.filePath(QStringLiteral("tone.wav"));
    const QString saved = dir.filePath(QStringLiteral("mcesound.wav"));
    if (!writeFile(tone, toneWav({16000, 1, 16}, 60.0)))
        return skip("cannot write the tone");

    GstSoundCapture capture;
    CommandRecorder recorder(capture);
    recorder.sendString(recorder::open);
    if (recorder.sendString(recorder::record) != IRecorder::Ok)
        return skip("no sound server");
    recorder.sendString(recorder::closeAll);

    QProcess speaker;
    speaker.start(QStringLiteral("paplay"), {QStringLiteral("--device=micsink"), tone});
    if (!speaker.waitForStarted(5000))
        return skip("paplay does not start");
    QThread::msleep(500);

    // The record button's press, as the window sends it.
    const auto pressRecord = [&] {
        recorder.sendString(recorder::closeAll);
        recorder.sendString(recorder::open);
        return recorder.sendString(recorder::record) == IRecorder::Ok;
    };

    Stats toCapture, toFirstBuffer, recordCall;
    for (int i = 0; i < 15; ++i) {
        const Clock::time_point press = Clock::now();
        recorder.sendString(recorder::closeAll);
        recorder.sendString(recorder::open);
        const Clock::time_point atRecord = Clock::now();
        if (recorder.sendString(recorder::record) != IRecorder::Ok)
            return skip("recording does not start");
        recordCall.values.push_back(msSince(atRecord));
        QElapsedTimer wait;
        wait.start();
        while (capture.firstBufferMs() < 0 && wait.elapsed() < 2000)
            QThread::usleep(200);
        if (capture.firstBufferMs() < 0)
            return skip("no sound reaches the recording");
        toFirstBuffer.values.push_back(msSince(press, atRecord) + capture.firstBufferMs());
        toCapture.values.push_back(msSince(press, atRecord) + capture.captureStartMs());
        QThread::msleep(100);
        recorder.sendString(recorder::closeAll);
    }

    Stats lengthError, stopCall;
    for (const int holdMs : {500, 1000, 2000, 3000, 500, 1000, 2000, 3000}) {
        const Clock::time_point first = Clock::now();
        if (!pressRecord())
            return skip("recording does not start");
        QThread::msleep(holdMs);
        const Clock::time_point second = Clock::now();
        recorder.sendString(recorder::stop);
        const bool savedOk = recorder.sendString(recorder::savePrefix + saved) == IRecorder::Ok;
        stopCall.values.push_back(msSince(second));
        if (!savedOk)
            return skip("the recording is not saved");
        QFile file(saved);
        WavInfo info;
        if (!file.open(QIODevice::ReadOnly) || !readWavInfo(file.readAll(), info))
            return skip("the saved recording is no WAV");
        lengthError.values.push_back(info.seconds() * 1000.0 - msSince(first, second));
    }
    speaker.kill();
    speaker.waitForFinished(5000);

    // Play back: a tone that sounds from its first sample, in the recordings' format.
    const QString played = dir.filePath(QStringLiteral("played.wav"));
    writeFile(played, toneWav(GstSoundCapture::format(), 0.5));
    Monitor monitor;
    if (!monitor.start())
        return skip("cannot record nullsink.monitor");
    QThread::msleep(500);
    GstSoundPlayer player;
    Stats toSound;
    for (int i = 0; i < 12; ++i) {
        const Clock::time_point press = Clock::now();
        if (!player.play(played) || player.isSilent())
            return skip("play back does not reach the sound server");
        QThread::msleep(700);
        player.stop();
        QThread::msleep(300);
        const double heard = monitor.firstSoundAfterMs(press);
        if (heard >= 0)
            toSound.values.push_back(heard);
    }

    print("press_to_capture_ms", toCapture, "record button's commands to the first captured frame heard");
    print("press_to_first_buffer_ms", toFirstBuffer,
          "record button's commands to the first frames in the recording");
    print("record_call_ms", recordCall, "the UI thread held by the record command");
    std::printf(
        "saved_length_error_ms: %.1f ms (max |error| of %zu; median %.1f; saved length - time between "
        "presses, holds 0.5-3 s)\n",
        lengthError.maxAbs(), lengthError.values.size(), lengthError.percentile(0.5));
    print("stop_call_ms", stopCall, "the UI thread held by stop and save");
    print("playback_first_sound_ms", toSound, "press to the first sample heard on nullsink.monitor");
    if (toSound.values.size() < 12)
        std::printf("playback_unheard: %zu plays (of 12, nothing heard)\n", 12 - toSound.values.size());
    return 0;
}
