#include "platform/SynthesizedSpeech.h"

#include "platform/GstSetup.h"
#include "platform/SetUpGate.h"
#include "platform/VoiceSynthesizer.h"

#include <QElapsedTimer>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <mutex>
#include <thread>

namespace lesnor {
namespace {

// Silence played before the word: the sound server drops the first milliseconds of a
// stream that starts (see GstMediaPlayer; 50 ms lost at most 3 ms there). With the 10 ms
// of the engine's own pause that the synthesizer keeps, the word has 50 ms ahead of it.
constexpr int kLeadInMs = 40;
// How long a word's start may take before the output is taken as gone.
constexpr GstClockTime kStartTimeout = 500 * GST_MSECOND;

GstElement* makeElement(const char* factory) {
    return gst_element_factory_make(factory, nullptr);
}

} // namespace

struct SynthesizedSpeech::Impl {
    const bool silent;
    int speed = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool started = false;
    bool quit = false;
    bool busy = false;
    QString engine;
    double startUpMs = -1;
    QString pending;
    quint64 requested = 0; // texts handed in
    quint64 taken = 0;     // texts the thread has taken
    int played = 0;

    // Touched by the voice's thread only.
    std::unique_ptr<VoiceSynthesizer> synthesizer;
    GstElement* sounding = nullptr;
    GstElement* prepared = nullptr;
    int preparedRate = 0;

    std::thread thread;

    explicit Impl(bool silentOutput)
        : silent(silentOutput || qgetenv("LESNOR_AUDIO_SINK").trimmed().toLower() == "fake") {
        thread = std::thread([this] { run(); });
    }

    ~Impl() {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        changed.notify_all();
        thread.join();
    }

    void run() {
        QElapsedTimer clock;
        awaitSetUpRelease();
        clock.start();
        const bool gstreamer = gstreamerReady();
        synthesizer = VoiceSynthesizer::open();
        if (synthesizer && gstreamer) // loads the voice's data and connects to the server
            prepare(synthesizer->speak(QStringLiteral("a")).rate);
        {
            std::lock_guard lock(mutex);
            started = true;
            engine = synthesizer ? synthesizer->name() : QString();
            startUpMs = double(clock.nsecsElapsed()) / 1e6;
        }
        changed.notify_all();

        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return quit || taken != requested; });
            if (quit)
                break;
            const QString text = pending;
            const quint64 number = requested;
            taken = number;
            busy = true;
            lock.unlock();
            const SpeechAudio audio = synthesizer ? synthesizer->speak(text) : SpeechAudio{};
            lock.lock();
            if (number == requested) { // not replaced while synthesising
                lock.unlock();
                const bool heard = gstreamer && play(audio);
                lock.lock();
                if (heard)
                    ++played;
            }
            busy = taken != requested;
            changed.notify_all();
        }
        lock.unlock();
        stopSounding();
        release(prepared);
    }

    void stopSounding() { release(sounding); }

    static void release(GstElement*& pipeline) {
        if (!pipeline)
            return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }

    // appsrc ! audioconvert ! audioresample ! an output, for audio at `rate`, connected
    // (READY) and waiting for its word: the sound server, else the sound card through
    // ALSA (as the lesson player); nullptr when neither opens (within milliseconds).
    static GstElement* build(int rate) {
        for (const char* output : {"pulsesink", "alsasink"}) {
            if (GstElement* pipeline = build(rate, output))
                return pipeline;
        }
        return nullptr;
    }

    static GstElement* build(int rate, const char* output) {
        GstElement* pipeline = gst_pipeline_new(nullptr);
        GstElement* source = gst_element_factory_make("appsrc", "word");
        GstElement* convert = makeElement("audioconvert");
        GstElement* resample = makeElement("audioresample");
        GstElement* sink = makeElement(output);
        if (!pipeline || !source || !convert || !resample || !sink) {
            for (GstElement* e : {pipeline, source, convert, resample, sink})
                if (e)
                    gst_object_unref(gst_object_ref_sink(e));
            return nullptr;
        }
        useOwnServerConnection(sink, "voice");
        gst_bin_add_many(GST_BIN(pipeline), source, convert, resample, sink, nullptr);
        GstCaps* caps =
            gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING,
                                "interleaved", "channels", G_TYPE_INT, 1, "rate", G_TYPE_INT, rate, nullptr);
        g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, nullptr);
        gst_caps_unref(caps);
        if (!gst_element_link_many(source, convert, resample, sink, nullptr) ||
            gst_element_set_state(pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
            return nullptr;
        }
        return pipeline;
    }

    // The next word's pipeline is made while nothing waits for it: at start and right
    // after a word starts, so a press pays neither for the elements nor the connection.
    void prepare(int rate) {
        release(prepared);
        if (!silent && rate > 0) {
            prepared = build(rate);
            preparedRate = rate;
        }
    }

    // The whole word, after kLeadInMs of silence, then end of stream. False when
    // nothing can be heard. A prepared pipeline whose connection died with its server
    // (the server went away and came back while it waited) fails to start: the word
    // then goes to a pipeline connected anew.
    bool play(const SpeechAudio& audio) {
        stopSounding();
        if (silent || audio.samples.empty() || audio.rate <= 0)
            return false;
        GstElement* pipeline = nullptr;
        const bool wasPrepared = prepared && preparedRate == audio.rate;
        if (wasPrepared)
            std::swap(pipeline, prepared);
        else
            pipeline = build(audio.rate);
        if (!start(pipeline, audio) && wasPrepared) {
            release(pipeline);
            pipeline = build(audio.rate);
            start(pipeline, audio);
        }
        if (!pipeline)
            return false;
        sounding = pipeline;
        prepare(audio.rate);
        return true;
    }

    // Hands the word to `pipeline` and starts it; on failure releases it (null).
    bool start(GstElement*& pipeline, const SpeechAudio& audio) {
        if (!pipeline)
            return false;
        GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "word");
        const size_t lead = size_t(audio.rate) * kLeadInMs / 1000;
        const size_t bytes = (lead + audio.samples.size()) * sizeof(qint16);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
            std::memset(map.data, 0, lead * sizeof(qint16));
            std::memcpy(map.data + lead * sizeof(qint16), audio.samples.data(),
                        audio.samples.size() * sizeof(qint16));
            gst_buffer_unmap(buffer, &map);
        }
        GST_BUFFER_PTS(buffer) = 0;
        GST_BUFFER_DURATION(buffer) =
            gst_util_uint64_scale(lead + audio.samples.size(), GST_SECOND, guint64(audio.rate));
        if (source) {
            gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
            gst_app_src_end_of_stream(GST_APP_SRC(source));
            gst_object_unref(source);
        } else {
            gst_buffer_unref(buffer);
        }
        // The outcome is known once the output has taken the start of the word (this is
        // the voice's own thread: the sound is not held up by the wait).
        GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
        if (result == GST_STATE_CHANGE_ASYNC)
            result = gst_element_get_state(pipeline, nullptr, nullptr, kStartTimeout);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* error = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        gst_object_unref(bus);
        if (error)
            gst_message_unref(error);
        if (result == GST_STATE_CHANGE_FAILURE || error) {
            release(pipeline);
            return false;
        }
        return true;
    }
};

SynthesizedSpeech::SynthesizedSpeech(Output output)
    : d_(std::make_unique<Impl>(output == Output::Silent)) {}

SynthesizedSpeech::~SynthesizedSpeech() = default;

void SynthesizedSpeech::Register(const QString& site, const QString& app) {
    (void)site;
    (void)app;
}

void SynthesizedSpeech::setSpeed(int wordsPerMinute) {
    d_->speed = wordsPerMinute;
}

int SynthesizedSpeech::speed() const {
    return d_->speed;
}

void SynthesizedSpeech::Speak(const QString& text, int flags) {
    (void)flags;
    releaseSetUp();
    {
        std::lock_guard lock(d_->mutex);
        d_->pending = text;
        ++d_->requested;
        d_->busy = true;
    }
    d_->changed.notify_all();
}

bool SynthesizedSpeech::waitUntilStarted(int timeoutMs) const {
    releaseSetUp();
    std::unique_lock lock(d_->mutex);
    return d_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return d_->started; });
}

QString SynthesizedSpeech::engineName() const {
    std::lock_guard lock(d_->mutex);
    return d_->engine;
}

double SynthesizedSpeech::startUpMs() const {
    std::lock_guard lock(d_->mutex);
    return d_->startUpMs;
}

bool SynthesizedSpeech::waitUntilIdle(int timeoutMs) const {
    releaseSetUp();
    std::unique_lock lock(d_->mutex);
    return d_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return d_->started && !d_->busy; });
}

int SynthesizedSpeech::played() const {
    std::lock_guard lock(d_->mutex);
    return d_->played;
}

} // namespace lesnor
