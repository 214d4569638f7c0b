#include "platform/GstSoundCapture.h"

#include "platform/DataFolder.h"
#include "platform/GstCapture.h"
#include "platform/GstSetup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lesnor {
namespace {

Q_LOGGING_CATEGORY(lcCapture, "lesnor.recorder")

using Clock = std::chrono::steady_clock;

// How long stop() waits for the end of stream to pass through the pipeline, and before
// that for the capture to reach the moment of the stop press (a buffer or two).
constexpr GstClockTime kStopTimeout = GST_SECOND;
constexpr qint64 kCatchUpMs = 250;
// How long start() waits for the server to name the source it records from.
constexpr qint64 kDeviceWaitMs = 250;

// Frames of the recording's format in `ns` nanoseconds, rounded.
qint64 toFrames(qint64 ns) {
    const qint64 rate = GstSoundCapture::format().rate;
    return (ns * rate + (ns >= 0 ? 500000000LL : -500000000LL)) / 1000000000LL;
}

QByteArray pipelineDescription() {
    const WavFormat f = GstSoundCapture::format();
    return "pulsesrc name=src ! audioconvert ! audioresample ! "
           "audio/x-raw,format=S16LE,layout=interleaved,rate=" +
           QByteArray::number(f.rate) + ",channels=" + QByteArray::number(f.channels) + " ! fdsink name=sink";
}

// A file without a name in the folder `dirFd`, for reading and writing: it goes with
// its last descriptor, so a killed run leaves nothing behind. Where the file system
// has no unnamed files, a fresh name is made and removed at once. -1 on failure.
int openScratch(int dirFd) {
    const int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = ".lesnor-scratch-" + QByteArray::number(qint64(::getpid())) + "-" +
                                QByteArray::number(attempt) + "-" +
                                QByteArray::number(qint64(Clock::now().time_since_epoch().count()));
        const int named =
            ::openat(dirFd, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (named >= 0) {
            ::unlinkat(dirFd, name.constData(), 0);
            return named;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// A scratch file in the private folder when there is one, else in the temp folder.
int openScratch(const PrivateFolder* folder) {
    if (folder && folder->isOpen())
        return openScratch(folder->descriptor());
    const int dir =
        ::open(QFile::encodeName(QDir::tempPath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    const int fd = openScratch(dir);
    ::close(dir);
    return fd;
}

// Writes the recording out of `in` (raw frames) into `out` as a WAV file: `silence`
// frames of silence, then `captured` frames from `skipped` on.
bool writeWav(QFile& in, QIODevice& out, qint64 skipped, qint64 silence, qint64 captured) {
    const WavFormat f = GstSoundCapture::format();
    if (!in.seek(skipped * f.bytesPerFrame()))
        return false;
    const QByteArray header = wavHeader(f, (silence + captured) * f.bytesPerFrame());
    bool ok = out.write(header) == header.size();
    for (qint64 left = silence * f.bytesPerFrame(); ok && left > 0;) {
        const QByteArray zeros(int(std::min<qint64>(left, 1 << 16)), '\0');
        ok = out.write(zeros) == zeros.size();
        left -= zeros.size();
    }
    for (qint64 left = captured * f.bytesPerFrame(); ok && left > 0;) {
        const QByteArray chunk = in.read(std::min<qint64>(left, 1 << 16));
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        left -= chunk.size();
    }
    return ok;
}

void logError(GstMessage* message) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    qCWarning(lcCapture) << "capture failed:" << (error ? error->message : "unknown error");
    if (error)
        g_error_free(error);
}

} // namespace

struct GstSoundCapture::Impl {
    GstElement* pipeline = nullptr;
    GstBus* bus = nullptr;
    PrivateFolder* folder = nullptr;
    int samples = -1; // the captured frames, raw, in a scratch file
    bool capturing = false;
    bool kept = false;

    // The recording's time line, fixed by stop(): `lead` frames of silence (or, when
    // negative, frames dropped) before the captured ones, `length` frames in all.
    qint64 lead = 0;
    qint64 length = 0;

    // Written by the streaming thread; times since the press (startedAt), in ns.
    Clock::time_point startedAt;
    std::atomic<qint64> firstSampleNs{0};  // when the first captured frame was heard
    std::atomic<qint64> firstBufferNs{-1}; // when it arrived; written last
    std::atomic<qint64> frames{0};
    std::atomic<double> lastLevelDb{-120}; // of the latest buffer

    ~Impl() {
        teardown();
        dropSamples();
    }

    void dropSamples() {
        if (samples >= 0)
            ::close(samples);
        samples = -1;
    }

    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        const qint64 count =
            qint64(gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info))) / format().bytesPerFrame();
        if (self->firstBufferNs.load(std::memory_order_acquire) < 0) {
            const qint64 arrived =
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - self->startedAt).count();
            self->firstSampleNs.store(arrived - count * 1000000000LL / format().rate,
                                      std::memory_order_relaxed);
            self->firstBufferNs.store(arrived, std::memory_order_release);
        }
        self->frames.fetch_add(count, std::memory_order_release);
        GstMapInfo map;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (count > 0 && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* samples = reinterpret_cast<const qint16*>(map.data);
            double sum = 0;
            for (gsize i = 0; i < map.size / 2; ++i)
                sum += double(samples[i]) * samples[i];
            gst_buffer_unmap(buffer, &map);
            const double meanSquare = sum / double(map.size / 2) / (32768.0 * 32768.0);
            self->lastLevelDb.store(meanSquare > 1e-12 ? 10 * std::log10(meanSquare) : -120.0,
                                    std::memory_order_relaxed);
        }
        return GST_PAD_PROBE_OK;
    }

    bool takeErrors() { return takeBusErrors(bus, lcCapture()); }

    // Frames the recording needs from the capture to reach `wanted` frames in all.
    qint64 framesNeeded(qint64 wanted) const {
        if (firstBufferNs.load(std::memory_order_acquire) < 0)
            return 1;
        return std::max<qint64>(1, wanted - toFrames(firstSampleNs.load(std::memory_order_relaxed)));
    }

    // Ends the stream once the capture has reached the stop press (bounded); false when
    // the capture failed.
    bool finish(qint64 wanted) {
        QElapsedTimer waited;
        waited.start();
        while (frames.load(std::memory_order_acquire) < framesNeeded(wanted) &&
               waited.elapsed() < kCatchUpMs) {
            if (takeErrors())
                return false;
            QThread::msleep(1);
        }
        if (takeErrors())
            return false;
        // The source finishes its current buffer and sends the end of stream down, so
        // everything captured reaches the file before the pipeline stops.
        gst_element_send_event(pipeline, gst_event_new_eos());
        GstMessage* message = gst_bus_timed_pop_filtered(bus, kStopTimeout,
                                                         GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message) {
            qCWarning(lcCapture) << "the capture did not finish in time";
            return false;
        }
        const bool ended = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (!ended)
            logError(message);
        gst_message_unref(message);
        return ended;
    }

    void teardown() {
        tearDownPipeline(pipeline, bus);
        capturing = false;
    }
};

GstSoundCapture::GstSoundCapture()
    : d_(std::make_unique<Impl>()) {}

GstSoundCapture::~GstSoundCapture() = default;

bool GstSoundCapture::start() {
    discard();
    if (!gstreamerReady())
        return false;
    const int samples = openScratch(d_->folder);
    if (samples < 0)
        return false;
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(pipelineDescription().constData(), &error);
    if (error) {
        qCWarning(lcCapture) << "no capture pipeline:" << error->message;
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return false;
    }
    d_->pipeline = GST_ELEMENT(gst_object_ref_sink(pipeline));
    d_->bus = gst_element_get_bus(d_->pipeline);
    d_->samples = samples;
    d_->firstBufferNs = -1;
    d_->frames = 0;
    d_->lastLevelDb = -120;

    GstElement* sink = gst_bin_get_by_name(GST_BIN(d_->pipeline), "sink");
    g_object_set(sink, "fd", d_->samples, nullptr);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &Impl::onBuffer, d_.get(), nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);

    d_->startedAt = Clock::now();
    // Connecting to the server happens here, synchronously: without one this fails.
    if (gst_element_set_state(d_->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
        d_->takeErrors() || !capturesFromMicrophone(d_->pipeline, kDeviceWaitMs, lcCapture())) {
        discard();
        return false;
    }
    d_->capturing = true;
    return true;
}

bool GstSoundCapture::stop() {
    if (!d_->capturing)
        return d_->kept;
    const qint64 wanted =
        toFrames(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - d_->startedAt).count());
    const bool finished = capturesFromMicrophone(d_->pipeline, 0, lcCapture()) && d_->finish(wanted);
    // Everything captured is in the scratch file once the stream has ended: letting the
    // server go need not hold the caller. A stream that did not end may still write to
    // the scratch file's descriptor: it is stopped before the descriptor is closed.
    if (finished)
        tearDownPipelineLater(d_->pipeline, d_->bus);
    d_->teardown();
    const qint64 captured = d_->frames.load();
    if (finished && captured == 0)
        qCWarning(lcCapture) << "the input delivered no sound";
    d_->kept = finished && captured > 0;
    if (!d_->kept) {
        d_->dropSamples();
        return false;
    }
    d_->lead = std::min(wanted, toFrames(d_->firstSampleNs.load()));
    d_->length = wanted;
    return true;
}

bool GstSoundCapture::saveAs(const QString& path) {
    if (!d_->kept || d_->samples < 0)
        return false;
    QFile in;
    if (!in.open(d_->samples, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return false;
    const WavFormat f = format();
    const qint64 available = in.size() / f.bytesPerFrame();
    const qint64 silence = std::max<qint64>(0, d_->lead);
    const qint64 skipped = std::min(available, std::max<qint64>(0, -d_->lead));
    const qint64 maxFrames = kWavMaxDataBytes / f.bytesPerFrame();
    const qint64 total =
        std::min(maxFrames, std::max(silence, std::min(d_->length, silence + available - skipped)));
    const qint64 captured = total - silence;

    // Inside the private folder the file is written through its descriptor, whole, and
    // renamed into place: a link planted under the name is replaced, never written through.
    if (const std::optional<QString> name = d_->folder ? d_->folder->nameOf(path) : std::nullopt) {
        const int wav = openScratch(d_->folder);
        QFile out;
        bool ok = wav >= 0 && out.open(wav, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle) &&
                  writeWav(in, out, skipped, silence, captured) && out.flush() &&
                  ::lseek(wav, 0, SEEK_SET) == 0 && d_->folder->writeFileFrom(*name, wav);
        if (wav >= 0 && !out.isOpen())
            ::close(wav);
        return ok;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (!writeWav(in, out, skipped, silence, captured)) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

void GstSoundCapture::setPrivateFolder(PrivateFolder* folder) {
    d_->folder = folder;
}

void GstSoundCapture::discard() {
    d_->teardown();
    d_->dropSamples();
    d_->kept = false;
}

bool GstSoundCapture::isCapturing() const {
    return d_->capturing;
}

InputLevel GstSoundCapture::inputLevel() const {
    if (!d_->capturing)
        return {};
    return {true, d_->lastLevelDb.load(std::memory_order_relaxed),
            double(d_->frames.load(std::memory_order_acquire)) / format().rate};
}

double GstSoundCapture::firstBufferMs() const {
    const qint64 ns = d_->firstBufferNs.load(std::memory_order_acquire);
    return ns < 0 ? -1.0 : double(ns) / 1e6;
}

double GstSoundCapture::captureStartMs() const {
    if (d_->firstBufferNs.load(std::memory_order_acquire) < 0)
        return -1.0;
    return double(d_->firstSampleNs.load(std::memory_order_relaxed)) / 1e6;
}

} // namespace lesnor
