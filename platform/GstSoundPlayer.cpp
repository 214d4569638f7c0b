#include "platform/GstSoundPlayer.h"

#include "platform/GstSetup.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

namespace lesnor {

// The source part of a play's pipeline: a WAV file, or samples handed over in memory.
struct SoundSource {
    QString path;                         // a WAV file, or
    const std::vector<qint16>* samples{}; // mono 16-bit samples
    int rate = 0;
};

namespace {

Q_LOGGING_CATEGORY(lcSound, "lesnor.sound")

constexpr GstClockTime kPrerollTimeout = 2 * GST_SECOND;
constexpr int kWatchIntervalMs = 100;

// The outputs tried in order, as the lesson player does: the sound server, the sound
// card through ALSA, then a silent sink paced by the clock.
constexpr const char* kSinks[] = {"pulsesink", "alsasink", "fakesink sync=true"};
constexpr int kSilentSink = 2;

GstElement* makePipeline(const SoundSource& source, const char* sink) {
    const QByteArray head = source.samples ? QByteArray("appsrc name=src format=time ! ")
                                           : QByteArray("filesrc name=src ! wavparse ! ");
    const QByteArray description = head + "audioconvert ! audioresample ! " + sink + " name=out";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.constData(), &error);
    if (error) {
        qCWarning(lcSound) << "no play-back pipeline:" << error->message;
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return nullptr;
    }
    pipeline = GST_ELEMENT(gst_object_ref_sink(pipeline));
    if (GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out")) {
        useOwnServerConnection(out, "play back");
        gst_object_unref(out);
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    if (source.samples) {
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout",
                                            G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT, source.rate,
                                            "channels", G_TYPE_INT, 1, nullptr);
        g_object_set(src, "caps", caps, nullptr);
        gst_caps_unref(caps);
    } else {
        g_object_set(src, "location", QFile::encodeName(source.path).constData(), nullptr);
    }
    gst_object_unref(src);
    return pipeline;
}

// Hands samples in memory to the pipeline's source, then the end of the stream.
void feed(GstElement* pipeline, const SoundSource& source) {
    if (!source.samples)
        return;
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    const gsize bytes = source.samples->size() * sizeof(qint16);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, source.samples->data(), bytes);
    GST_BUFFER_PTS(buffer) = 0;
    GST_BUFFER_DURATION(buffer) =
        gst_util_uint64_scale(source.samples->size(), GST_SECOND, guint64(source.rate));
    gst_app_src_push_buffer(GST_APP_SRC(src), buffer); // takes the buffer
    gst_app_src_end_of_stream(GST_APP_SRC(src));
    gst_object_unref(src);
}

// Prerolls: the file is parsed and its first buffer waits at the sink.
bool preroll(GstElement* pipeline, const SoundSource& source) {
    GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (result != GST_STATE_CHANGE_FAILURE)
        feed(pipeline, source);
    if (result == GST_STATE_CHANGE_ASYNC)
        result = gst_element_get_state(pipeline, nullptr, nullptr, kPrerollTimeout);
    return result == GST_STATE_CHANGE_SUCCESS;
}

void release(GstElement*& pipeline) {
    if (!pipeline)
        return;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    pipeline = nullptr;
}

} // namespace

struct GstSoundPlayer::Impl {
    Output output;
    GstElement* pipeline = nullptr;
    int sink = -1; // index in kSinks of the last play's output
    QTimer watch;

    ~Impl() {
        watch.stop();
        release(pipeline);
    }

    // Releases a pipeline whose sound has ended or failed.
    void reap() {
        if (!pipeline)
            return;
        GstBus* bus = gst_element_get_bus(pipeline);
        bool ended = false;
        while (GstMessage* message =
                   gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
            ended = true;
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        if (ended) {
            watch.stop();
            release(pipeline);
        }
    }
};

GstSoundPlayer::GstSoundPlayer(Output output)
    : d_(std::make_unique<Impl>()) {
    d_->output = output;
    d_->watch.setInterval(kWatchIntervalMs);
    QObject::connect(&d_->watch, &QTimer::timeout, [this] { d_->reap(); });
}

GstSoundPlayer::~GstSoundPlayer() = default;

bool GstSoundPlayer::play(const QString& path) {
    stop();
    if (!QFileInfo(path).isFile())
        return false;
    return start(SoundSource{path});
}

bool GstSoundPlayer::playSamples(const std::vector<qint16>& samples, int rate) {
    stop();
    if (samples.empty() || rate <= 0)
        return false;
    return start(SoundSource{QString(), &samples, rate});
}

bool GstSoundPlayer::start(const SoundSource& source) {
    if (!gstreamerReady())
        return false;
    const bool forceSilent =
        d_->output == Output::Silent || qgetenv("LESNOR_AUDIO_SINK").trimmed().toLower() == "fake";
    // Without a server or a sound card their sinks fail to connect within milliseconds;
    // the next output then takes their place. Only a sound the silent sink cannot play
    // either is not playable.
    for (int sink = forceSilent ? kSilentSink : 0;; ++sink) {
        GstElement* pipeline = makePipeline(source, kSinks[sink]);
        if (pipeline && preroll(pipeline, source)) {
            d_->pipeline = pipeline;
            d_->sink = sink;
            break;
        }
        release(pipeline);
        if (sink == kSilentSink)
            return false;
    }
    if (gst_element_set_state(d_->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        release(d_->pipeline);
        return false;
    }
    d_->watch.start();
    return true;
}

void GstSoundPlayer::stop() {
    d_->watch.stop();
    release(d_->pipeline);
}

bool GstSoundPlayer::isPlaying() const {
    d_->reap();
    return d_->pipeline != nullptr;
}

bool GstSoundPlayer::isSilent() const {
    return d_->sink == kSilentSink;
}

bool GstSoundPlayer::playsUnheard() const {
    return isSilent() && d_->output != Output::Silent;
}

QString GstSoundPlayer::outputName() const {
    return d_->sink < 0 ? QString() : QString::fromLatin1(kSinks[d_->sink]).section(QLatin1Char(' '), 0, 0);
}

} // namespace lesnor
