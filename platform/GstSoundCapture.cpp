#include "platform/GstSoundCapture.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTemporaryFile>
#include <atomic>
#include <chrono>
#include <gst/gst.h>

namespace lesnor {
namespace {

Q_LOGGING_CATEGORY(lcCapture, "lesnor.recorder")

using Clock = std::chrono::steady_clock;

// How long stop() waits for the end of stream to pass through the pipeline.
constexpr GstClockTime kStopTimeout = GST_SECOND;

bool gstreamerReady() {
    static const bool ready = [] {
        GError* error = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
        return ok;
    }();
    return ready;
}

QByteArray pipelineDescription() {
    const WavFormat f = GstSoundCapture::format();
    return "pulsesrc name=src ! audioconvert ! audioresample ! audio/x-raw,format=S16LE,layout=interleaved,rate=" +
           QByteArray::number(f.rate) + ",channels=" + QByteArray::number(f.channels) + " ! filesink name=sink";
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
    std::unique_ptr<QTemporaryFile> samples; // the recording (raw frames)
    bool capturing = false;
    bool kept = false;
    bool failed = false; // an error came from the running capture

    // Written by the streaming thread.
    Clock::time_point startedAt;
    std::atomic<qint64> firstSoundNs{-1};

    ~Impl() { teardown(); }

    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (self->firstSoundNs.load(std::memory_order_relaxed) < 0) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - self->startedAt);
            self->firstSoundNs.store(elapsed.count());
        }
        return GST_PAD_PROBE_OK;
    }

    // Takes the pending bus messages; true when one of them is an error.
    bool takeErrors() {
        bool error = false;
        while (GstMessage* message = bus ? gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR) : nullptr) {
            logError(message);
            gst_message_unref(message);
            error = true;
        }
        return error;
    }

    void teardown() {
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
            pipeline = nullptr;
        }
        if (bus) {
            gst_object_unref(bus);
            bus = nullptr;
        }
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
    auto samples = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/lesnor-capture-XXXXXX.raw"));
    if (!samples->open())
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
    d_->samples = std::move(samples);
    d_->failed = false;
    d_->firstSoundNs = -1;

    GstElement* sink = gst_bin_get_by_name(GST_BIN(d_->pipeline), "sink");
    g_object_set(sink, "location", QFile::encodeName(d_->samples->fileName()).constData(), nullptr);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &Impl::onBuffer, d_.get(), nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);

    d_->startedAt = Clock::now();
    // Connecting to the server happens here, synchronously: without one this fails.
    if (gst_element_set_state(d_->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE || d_->takeErrors()) {
        discard();
        return false;
    }
    d_->capturing = true;
    return true;
}

bool GstSoundCapture::stop() {
    if (!d_->capturing)
        return d_->kept;
    d_->failed = d_->takeErrors();
    if (!d_->failed) {
        // The source finishes its current buffer and sends the end of stream down, so
        // everything captured so far reaches the file.
        gst_element_send_event(d_->pipeline, gst_event_new_eos());
        GstMessage* message =
            gst_bus_timed_pop_filtered(d_->bus, kStopTimeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message) {
            qCWarning(lcCapture) << "the capture did not finish in time";
            d_->failed = true;
        } else {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                logError(message);
                d_->failed = true;
            }
            gst_message_unref(message);
        }
    }
    d_->teardown();
    const qint64 bytes = QFile(d_->samples->fileName()).size();
    if (bytes <= 0 && !d_->failed)
        qCWarning(lcCapture) << "the input delivered no sound";
    d_->kept = !d_->failed && bytes > 0;
    if (!d_->kept)
        d_->samples.reset();
    return d_->kept;
}

bool GstSoundCapture::saveAs(const QString& path) {
    if (!d_->kept || !d_->samples)
        return false;
    QFile in(d_->samples->fileName());
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const WavFormat f = format();
    qint64 bytes = std::min(in.size(), kWavMaxDataBytes);
    bytes -= bytes % f.bytesPerFrame();

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray header = wavHeader(f, bytes);
    bool ok = out.write(header) == header.size();
    for (qint64 left = bytes; ok && left > 0;) {
        const QByteArray chunk = in.read(std::min<qint64>(left, 1 << 16));
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        left -= chunk.size();
    }
    if (!ok) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

void GstSoundCapture::discard() {
    d_->teardown();
    d_->samples.reset();
    d_->kept = false;
}

bool GstSoundCapture::isCapturing() const {
    return d_->capturing;
}

double GstSoundCapture::firstSoundDelayMs() const {
    const qint64 ns = d_->firstSoundNs.load();
    return ns < 0 ? -1.0 : double(ns) / 1e6;
}

} // namespace lesnor
