#include "platform/GstSoundPlayer.h"

#include "platform/GstSetup.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <mutex>
#include <optional>
#include <thread>

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
// While a sound plays, its end is looked for this often.
constexpr int kWatchIntervalMs = 100;
// How long the tests' questions about the chosen output wait for the choice, and how
// long the destructor waits for the player's thread to end before leaving it.
constexpr int kDecideWaitMs = 3000;
constexpr int kEndWaitMs = 2000;

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

// A WAV file by its first twelve bytes; anything else is not played at all.
bool looksLikeWav(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.endsWith("WAVE");
}

void release(GstElement*& pipeline) {
    if (!pipeline)
        return;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    pipeline = nullptr;
}

} // namespace

// A play's request: what to sound, copied, so the caller may let go of it at once.
struct SoundJob {
    quint64 serial = 0;
    bool play = false; // else a stop
    QString path;
    std::vector<qint16> samples;
    int rate = 0;
};

struct GstSoundPlayer::Impl {
    Output output = Output::Automatic;

    std::mutex lock;
    std::condition_variable changed;
    std::optional<SoundJob> next; // the latest request not yet taken; guarded by lock
    bool ending = false;          // guarded by lock
    bool finished = false;        // guarded by lock

    // The caller's side: the serial of its latest request, and of its latest play (0
    // after stop()).
    quint64 asked = 0;
    quint64 playSerial = 0;
    // Written by the player's thread: the serial of the latest play that has ended (or
    // failed, or was stopped), of the latest request carried out, and the output the
    // latest play found.
    std::atomic<quint64> ended{0};
    std::atomic<quint64> decided{0};
    std::atomic<int> sink{-1};

    std::function<void(PlayOutcome)> onOutcome;
    QObject context; // outcomes reach the caller's thread through it
    std::thread runner;

    // Player's thread only.
    GstElement* pipeline = nullptr;
    quint64 sounding = 0;

    // Ends the player's thread; false when it is stuck in the sound output (it is then
    // left running, and this object with it, to the end of the process).
    bool shutDown() {
        {
            std::lock_guard<std::mutex> guard(lock);
            ending = true;
            next.reset();
        }
        changed.notify_all();
        std::unique_lock<std::mutex> wait(lock);
        const bool done =
            changed.wait_for(wait, std::chrono::milliseconds(kEndWaitMs), [this] { return finished; });
        wait.unlock();
        if (!done) {
            qCWarning(lcSound, "the sound output does not answer; leaving it");
            runner.detach();
            return false;
        }
        runner.join();
        return true;
    }

    void post(SoundJob job) {
        {
            std::lock_guard<std::mutex> guard(lock);
            next = std::move(job); // replaces one still waiting
        }
        changed.notify_all();
    }

    // The player's thread: carries out the requests in order, skipping plays that a
    // later request has already replaced, and releases each sound at its end.
    void run() {
        for (;;) {
            SoundJob job;
            {
                std::unique_lock<std::mutex> wait(lock);
                const auto due = [this] { return ending || next.has_value(); };
                if (pipeline)
                    changed.wait_for(wait, std::chrono::milliseconds(kWatchIntervalMs), due);
                else
                    changed.wait(wait, due);
                if (ending)
                    break;
                if (!next) {
                    wait.unlock();
                    reap();
                    continue;
                }
                // Only the latest request matters: a play asked and replaced meanwhile is
                // never started.
                job = std::move(*next);
                next.reset();
            }
            finish();
            if (job.play) {
                start(job);
            } else {
                carriedOut(job.serial);
            }
        }
        release(pipeline);
        std::lock_guard<std::mutex> guard(lock);
        finished = true;
        changed.notify_all();
    }

    // Under the lock, so that a caller about to wait for it does not miss it.
    void carriedOut(quint64 serial) {
        {
            std::lock_guard<std::mutex> guard(lock);
            decided = serial;
        }
        changed.notify_all();
    }

    void finish() {
        release(pipeline);
        if (sounding)
            ended = sounding;
        sounding = 0;
    }

    void start(const SoundJob& job) {
        const SoundSource source{job.path, job.samples.empty() ? nullptr : &job.samples, job.rate};
        const bool forceSilent =
            output == Output::Silent || qgetenv("LESNOR_AUDIO_SINK").trimmed().toLower() == "fake";
        // Without a server or a sound card their sinks fail to connect within
        // milliseconds; the next output then takes their place. Only a sound the silent
        // sink cannot play either is not playable.
        int chosen = -1;
        for (int s = forceSilent ? kSilentSink : 0; s <= kSilentSink; ++s) {
            GstElement* made = makePipeline(source, kSinks[s]);
            if (made && preroll(made, source) &&
                gst_element_set_state(made, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
                pipeline = made;
                chosen = s;
                break;
            }
            release(made);
        }
        if (chosen >= 0) {
            sink = chosen;
            sounding = job.serial;
        } else {
            ended = job.serial;
        }
        carriedOut(job.serial);
        const PlayOutcome outcome = chosen < 0                                          ? PlayOutcome::Failed
                                    : chosen == kSilentSink && output != Output::Silent ? PlayOutcome::Unheard
                                                                                        : PlayOutcome::Heard;
        QMetaObject::invokeMethod(
            &context,
            [this, serial = job.serial, outcome] {
                if (serial == playSerial && onOutcome)
                    onOutcome(outcome);
            },
            Qt::QueuedConnection);
    }

    // Releases a sound that has ended or failed.
    void reap() {
        if (!pipeline)
            return;
        GstBus* bus = gst_element_get_bus(pipeline);
        bool over = false;
        while (GstMessage* message =
                   gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
            over = true;
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        if (over)
            finish();
    }

    // Waits (bounded) until the player's thread has chosen the latest play's output.
    void awaitDecided() {
        std::unique_lock<std::mutex> wait(lock);
        changed.wait_for(wait, std::chrono::milliseconds(kDecideWaitMs),
                         [this] { return decided.load() >= asked || finished; });
    }
};

GstSoundPlayer::GstSoundPlayer(Output output)
    : d_(std::make_unique<Impl>()) {
    d_->output = output;
    d_->runner = std::thread([impl = d_.get()] { impl->run(); });
}

GstSoundPlayer::~GstSoundPlayer() {
    if (!d_->shutDown())
        (void)d_.release(); // still used by the stuck thread
}

bool GstSoundPlayer::play(const QString& path) {
    stop();
    if (!looksLikeWav(path) || !gstreamerReady())
        return false;
    return queue(SoundJob{0, true, path, {}, 0});
}

bool GstSoundPlayer::playSamples(const std::vector<qint16>& samples, int rate) {
    stop();
    if (samples.empty() || rate <= 0 || !gstreamerReady())
        return false;
    return queue(SoundJob{0, true, QString(), samples, rate});
}

bool GstSoundPlayer::queue(SoundJob job) {
    job.serial = ++d_->asked;
    d_->playSerial = job.serial;
    d_->post(std::move(job));
    return true;
}

void GstSoundPlayer::stop() {
    if (d_->playSerial == 0)
        return;
    d_->playSerial = 0;
    d_->post(SoundJob{++d_->asked, false, QString(), {}, 0});
}

bool GstSoundPlayer::isPlaying() const {
    return d_->playSerial != 0 && d_->ended.load() < d_->playSerial;
}

bool GstSoundPlayer::isSilent() const {
    d_->awaitDecided();
    return d_->sink == kSilentSink;
}

bool GstSoundPlayer::playsUnheard() const {
    return d_->sink == kSilentSink && d_->output != Output::Silent;
}

void GstSoundPlayer::setOutcomeHandler(std::function<void(PlayOutcome)> handler) {
    d_->onOutcome = std::move(handler);
}

QString GstSoundPlayer::outputName() const {
    d_->awaitDecided();
    return d_->sink < 0 ? QString() : QString::fromLatin1(kSinks[d_->sink]).section(QLatin1Char(' '), 0, 0);
}

} // namespace lesnor
