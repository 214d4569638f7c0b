#include "platform/GstMediaPlayer.h"

#include "platform/AudibleWindow.h"
#include "platform/GstSetup.h"
#include "platform/SetUpGate.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <gst/gst.h>
#include <limits>
#include <mutex>
#include <thread>

namespace lesnor {
namespace {

Q_LOGGING_CATEGORY(lcPlayer, "lesnor.player")

// How long a seek may take to preroll, and how long opening a file may take.
constexpr GstClockTime kPrerollTimeout = 2 * GST_SECOND;
constexpr GstClockTime kOpenTimeout = 5 * GST_SECOND;
// playbin flags: audio only.
constexpr guint kPlayFlags = 0x2;
// While playing, the player's thread samples the position this often for the caller.
constexpr guint kSampleIntervalMs = 40;
// Between two samples the caller's position runs on with the clock, at most this far.
constexpr double kExtrapolateSeconds = 0.06;
// The warm-up plays this much silenced media, or gives up after the timeout.
constexpr double kWarmupSeconds = 0.03;
constexpr qint64 kWarmupTimeoutMs = 500;
// With a sound server the pipeline runs on the server's clock. Reading it in the first
// milliseconds after the stream starts can return a wild time that the clock then
// keeps as its floor, which freezes playback for good. So for this long after every
// start the position is not read: it stays at the start.
constexpr qint64 kQuietAfterStartMs = 30;
// Every play from a position p starts this much earlier, with the sound before p
// replaced by silence: the server drops the start of a stream that starts, up to about
// one of its processing cycles (measured: up to 17 ms lost with a 25 ms lead-in, 3 ms
// with 50 ms, none with 80 ms; PipeWire's longest default cycle is 43 ms).
constexpr double kLeadInSeconds = 0.080;
// A play with a stop position s runs this much past s, in silence: sound the server
// still holds when the stream is stopped is then silence, so no end is cut short and
// nothing of the sentence sounds at the next start. The server can hold up to one of
// its processing cycles (43 ms at most, see above): measured, 35 ms held at the end of
// one sentence in 5 of 10 runs, so a 30 ms tail cut its last 5 ms and played them at
// the next start; never with 50 ms (6 runs).
constexpr double kTailSeconds = 0.050;
// The sound fades out over this stretch before the stop position, so a play stopped
// inside continuous sound ends without a click and still ends at the stop position.
constexpr GstClockTime kFadeOut = 5 * GST_MSECOND;
// Below speed 1 the sound also fades in over this stretch after the start. The
// stretching plays pieces of its input twice, overlapped: a piece that holds the first
// millisecond of a sentence cut hard out of silence sounded that millisecond as a click
// 35 ms before the sentence (measured at 0.5x, bench/bench_sync.cpp); faded in, it is
// inaudible. At speed 1 nothing is stretched and the start stays sample-exact.
constexpr GstClockTime kFadeIn = 5 * GST_MSECOND;
// Below speed 1 the fade-out is longer: the stretching overlaps the sentence's last
// milliseconds once more about 30 ms after its end, and a 5 ms fade left that piece
// audible (measured at 0.5x: heard 1.6 % longer than the sentence stretched; with 15 ms
// 1.1 %, the length's error then the stretching's own, bench/bench_sync.cpp).
constexpr GstClockTime kStretchedFadeOut = 15 * GST_MSECOND;
// stop() called this close before the stop position first lets the play reach the
// end of its silent tail (bounded by the distance plus the slack).
constexpr double kFinishWindowSeconds = 0.05;
constexpr double kFinishSlackSeconds = 0.03;
// A position that does not move for this long while playing means the output stalled;
// the player then rebuilds the stream and plays on from where it was.
constexpr qint64 kStallMs = 500;
// The player's thread busy in one step for longer than this: the output is stalled.
constexpr qint64 kStalledAfterMs = 1500;
// How long the caller's thread waits, at most, for what it cannot answer without the
// player's thread: an opening's outcome before a play or seek.
constexpr int kPlayWaitMs = 1000;
// How long the destructor waits for the player's thread to end before leaving it.
constexpr int kEndWaitMs = 2000;
constexpr double kMinRate = 0.5;
constexpr double kMaxRate = 1.0;

GstClockTime toClock(double seconds) {
    return static_cast<GstClockTime>(std::llround(seconds * static_cast<double>(GST_SECOND)));
}

double toSeconds(gint64 time) {
    return static_cast<double>(time) / static_cast<double>(GST_SECOND);
}

qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Takes ownership of a newly made element (floating or not).
GstElement* owned(GstElement* element) {
    return element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr;
}

// A sink of `factory` that can open its device, or nullptr. Audio sinks connect to the
// sound server or open the ALSA device on NULL → READY and, without one, fail there
// within milliseconds.
GstElement* makeConnectedSink(const char* factory) {
    GstElement* sink = owned(gst_element_factory_make(factory, nullptr));
    if (!sink)
        return nullptr;
    useOwnServerConnection(sink, "lesson player");
    const bool connected = gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(sink, GST_STATE_NULL);
    if (!connected) {
        gst_object_unref(sink);
        return nullptr;
    }
    return sink;
}

// The outputs tried in order: the sound server, then the sound card through ALSA.
GstElement* makeAudibleSink() {
    for (const char* factory : {"pulsesink", "alsasink"}) {
        if (GstElement* sink = makeConnectedSink(factory))
            return sink;
    }
    qCWarning(lcPlayer, "no sound output could be opened; playing silently");
    return nullptr;
}

// Consumes buffers at the pace of the clock, so positions move as if heard.
GstElement* makeSilentSink() {
    GstElement* sink = owned(gst_element_factory_make("fakesink", nullptr));
    if (sink)
        g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

// The stretch of media time (nanoseconds) that is heard; outside it the sink gets
// silence. Written by the player's thread before a seek, read on the streaming thread.
struct AudibleWindow {
    std::atomic<gint64> from{-1};  // negative: from the start of the segment
    std::atomic<gint64> until{-1}; // negative: to its end
    std::atomic<gint64> fadeIn{0};
    std::atomic<gint64> fadeOut{gint64(kFadeOut)};
};

// Keeps each buffer to the audible window (streaming thread). The probe sits where the
// buffers still carry media time: before the speed's stretching.
GstPadProbeReturn keepToAudibleWindow(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    const auto* window = static_cast<const AudibleWindow*>(data);
    const gint64 from = window->from.load();
    const gint64 until = window->until.load();
    if (from < 0 && until < 0)
        return GST_PAD_PROBE_OK;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstAudioInfo audio;
    const bool known = caps && gst_audio_info_from_caps(&audio, caps);
    if (caps)
        gst_caps_unref(caps);
    if (known)
        GST_PAD_PROBE_INFO_DATA(info) = silenceOutside(GST_PAD_PROBE_INFO_BUFFER(info), audio, from, until,
                                                       window->fadeOut.load(), window->fadeIn.load());
    return GST_PAD_PROBE_OK;
}

// Passes a branch's buffers on only while `open` says so (streaming thread).
template <bool WhenStretching> GstPadProbeReturn passWhile(GstPad*, GstPadProbeInfo*, gpointer data) {
    return static_cast<const std::atomic<bool>*>(data)->load() == WhenStretching ? GST_PAD_PROBE_OK
                                                                                 : GST_PAD_PROBE_DROP;
}

// The speed's filter around a stretching element that takes its speed as "tempo":
// audioconvert ! tee, one branch straight to a funnel, the other through the element.
// While `stretching` is false the element gets no buffers and the sound passes through
// unchanged (the element is not bit-exact even at tempo 1); while it is true the
// straight branch gets none. `input` receives the filter's input pad (media time).
GstElement* makeBypassFilter(GstElement* tempo, std::atomic<bool>* stretching, GstPad** input) {
    GstElement* bin = gst_bin_new("speed");
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* tee = gst_element_factory_make("tee", nullptr);
    GstElement* funnel = gst_element_factory_make("funnel", nullptr);
    if (!convert || !tee || !funnel) {
        for (GstElement* e : {convert, tee, funnel, bin})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), convert, tee, tempo, funnel, nullptr);
    const bool linked = gst_element_link(convert, tee) && gst_element_link(tee, funnel) &&
                        gst_element_link(tee, tempo) && gst_element_link(tempo, funnel);
    GstPad* stretched = gst_element_get_static_pad(tempo, "sink");
    GstPad* toStretcher = stretched ? gst_pad_get_peer(stretched) : nullptr; // the tee's pad to the element
    GstPad* teeSink = gst_element_get_static_pad(tee, "sink");
    // The tee's other source pad feeds the straight branch.
    GstPad* straightOut = nullptr;
    GstIterator* pads = gst_element_iterate_src_pads(tee);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        auto* pad = GST_PAD(g_value_get_object(&item));
        if (pad != toStretcher && !straightOut)
            straightOut = GST_PAD(gst_object_ref(pad));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);
    if (!linked || !stretched || !straightOut) {
        for (GstPad* pad : {stretched, toStretcher, teeSink, straightOut})
            if (pad)
                gst_object_unref(pad);
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    gst_pad_add_probe(stretched, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      passWhile<true>, stretching, nullptr);
    gst_pad_add_probe(straightOut,
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      passWhile<false>, stretching, nullptr);
    GstPad* convertSink = gst_element_get_static_pad(convert, "sink");
    GstPad* funnelSrc = gst_element_get_static_pad(funnel, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", convertSink));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", funnelSrc));
    *input = teeSink;
    for (GstPad* pad : {stretched, toStretcher, straightOut, convertSink, funnelSrc})
        if (pad)
            gst_object_unref(pad);
    return bin;
}

QByteArray toUri(const QString& path) {
    if (path.startsWith(QLatin1String("file:")))
        return path.toUtf8();
    gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    QByteArray result(uri ? uri : "");
    g_free(uri);
    return result;
}

QString localPath(const QString& path) {
    return path.startsWith(QLatin1String("file:")) ? QUrl(path).toLocalFile() : path;
}

} // namespace

// What the caller asks for and what the player's thread has made of it, shared under
// one lock. The caller's requests carry serial numbers; the thread reports with the
// serials it has carried out, so a report about an older request is never taken for
// the current one.
struct PlayerShared {
    std::mutex lock;
    std::condition_variable changed;

    // Asked for (written by the caller's thread).
    struct Wanted {
        quint64 urlSerial = 0;
        QString url;
        quint64 serial = 0; // every play, stop and seek
        bool playing = false;
        double from = 0.0;
        double stopAt = -1.0;
        double rate = 1.0;
        bool ending = false;
    } wanted;

    // Carried out (written by the player's thread).
    struct Done {
        quint64 urlSerial = 0;
        quint64 serial = 0;
        bool opened = false; // the media's opening has an outcome
        bool playable = false;
        double duration = 0.0;
        IMediaPlayer::PlayState state = IMediaPlayer::Undefined;
        double position = 0.0;
        double holdAt = -1.0;
        // The last position read while the sound moved, and when (steady seconds).
        double sample = -1.0;
        double sampledAt = 0.0;
        double rate = 1.0;
        bool outputGone = false;
        bool silent = true;
        bool outputMissing = false;
        bool built = false;
    } done;

    // When the player's thread entered the step it is in (steady ms); 0 when idle.
    std::atomic<qint64> busySince{0};
    std::atomic<bool> finished{false};
};

// The pipeline and everything done to it, on the player's own thread with its own
// GLib main loop: the bus watch, the position samples and the caller's requests all
// arrive there, so whatever GStreamer or the sound server makes it wait for, the
// caller's thread never waits with it.
struct PlayerThread {
    std::shared_ptr<PlayerShared> shared;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    bool forceSilent = false;

    GstElement* playbin = nullptr;
    GstBus* bus = nullptr;
    bool silent = true;
    bool outputMissing = false;
    bool audible = false; // an audible sink was found once: worth reconnecting to
    bool rebuildOutput = false;
    GstPad* sinkPad = nullptr;   // the audio sink's input (running-time offset)
    GstPad* windowPad = nullptr; // where the audible window is kept
    // With a stretching element that takes its speed as a property ("tempo") instead of
    // from the seek's rate, the pipeline's times downstream of it are stretched: seeks,
    // positions and the length are converted by the speed set.
    GstElement* tempoElement = nullptr;
    double tempoSet = 1.0;
    std::atomic<bool> stretching{false}; // the sound goes through tempoElement
    AudibleWindow window;

    quint64 urlSerial = 0;
    quint64 serial = 0;
    QString url;
    bool playable = false;
    PlayerShared::Wanted current; // the request carried out last
    IMediaPlayer::PlayState state = IMediaPlayer::Undefined;
    double position = 0.0;
    double duration = 0.0;
    double rate = 1.0;
    double segmentStart = 0.0;
    double holdAt = -1.0;
    double segmentRate = 1.0;
    bool segmentFresh = false; // prerolled at segmentStart and not played since
    guint32 segmentSeqnum = GST_SEQNUM_INVALID;

    QElapsedTimer sinceStart;
    QElapsedTimer sinceAdvance;
    double lastQueried = -1.0;
    double sample = -1.0;
    double sampledAt = 0.0;
    GSource* sampler = nullptr;
    bool reconciling = false;
    // While a play mends its output (reconnects, reopens), what happens on the way is
    // not reported: only the outcome.
    int quiet = 0;

    ~PlayerThread() {
        if (loop)
            g_main_loop_unref(loop);
        if (context)
            g_main_context_unref(context);
    }

    // --- the thread ---

    void run() {
        g_main_context_push_thread_default(context);
        build();
        g_main_loop_run(loop);
        stopSampling();
        teardown();
        g_main_context_pop_thread_default(context);
        shared->finished = true;
        shared->changed.notify_all();
    }

    // Runs `f` on the player's thread (from any thread).
    static void post(GMainContext* context, std::function<void()> f) {
        auto* task = new std::function<void()>(std::move(f));
        g_main_context_invoke_full(
            context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            task, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    }

    struct Busy {
        PlayerShared& s;
        explicit Busy(PlayerShared& shared)
            : s(shared) {
            s.busySince = steadyMs();
        }
        ~Busy() { s.busySince = 0; }
    };

    void build() {
        awaitSetUpRelease();
        if (gstreamerReady())
            playbin = owned(gst_element_factory_make("playbin", nullptr));
        if (playbin) {
            g_object_set(playbin, "flags", kPlayFlags, nullptr);
            // The speed's stretching keeps the voice's pitch; at 1.0 it passes through.
            GstElement* filter = nullptr;
            if (GstElement* tempo =
                    gst_element_factory_make(GstMediaPlayer::stretcherName().toUtf8().constData(), nullptr)) {
                if (g_object_class_find_property(G_OBJECT_GET_CLASS(tempo), "tempo")) {
                    gst_object_ref_sink(tempo);
                    filter = makeBypassFilter(tempo, &stretching, &windowPad);
                    if (filter)
                        tempoElement = tempo;
                    else
                        gst_object_unref(tempo);
                } else {
                    filter = tempo; // scaletempo: passes through at rate 1 itself
                    windowPad = gst_element_get_static_pad(tempo, "sink");
                }
            }
            if (filter) {
                if (windowPad)
                    gst_pad_add_probe(windowPad, GST_PAD_PROBE_TYPE_BUFFER, keepToAudibleWindow, &window,
                                      nullptr);
                g_object_set(playbin, "audio-filter", filter, nullptr);
            }
            attachSink(forceSilent ? nullptr : makeAudibleSink());
            outputMissing = !forceSilent && silent;
            audible = !silent;
            bus = gst_element_get_bus(playbin);
            gst_bus_add_watch(
                bus,
                [](GstBus*, GstMessage* message, gpointer self) -> gboolean {
                    static_cast<PlayerThread*>(self)->handle(message);
                    return G_SOURCE_CONTINUE;
                },
                this);
        }
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->done.silent = silent;
        shared->done.outputMissing = outputMissing;
        shared->done.built = true;
        shared->changed.notify_all();
    }

    // Puts `sink` (or, when null, the silent sink) into the pipeline, which is in NULL.
    void attachSink(GstElement* sink) {
        silent = sink == nullptr;
        if (!sink)
            sink = makeSilentSink();
        if (sinkPad) {
            gst_object_unref(sinkPad);
            sinkPad = nullptr;
        }
        if (!sink)
            return;
        sinkPad = gst_element_get_static_pad(sink, "sink");
        // Without the stretching element the audible window is kept at the sink.
        if (sinkPad && !windowPad)
            gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, keepToAudibleWindow, &window, nullptr);
        g_object_set(playbin, "audio-sink", sink, nullptr);
        gst_object_unref(sink);
    }

    void teardown() {
        if (sinkPad)
            gst_object_unref(sinkPad);
        if (windowPad)
            gst_object_unref(windowPad);
        if (tempoElement)
            gst_object_unref(tempoElement);
        tempoElement = nullptr;
        if (bus) {
            gst_bus_remove_watch(bus);
            gst_object_unref(bus);
        }
        if (playbin) {
            gst_element_set_state(playbin, GST_STATE_NULL);
            gst_object_unref(playbin);
        }
        sinkPad = windowPad = nullptr;
        bus = nullptr;
        playbin = nullptr;
    }

    // --- reports to the caller ---

    void publish() {
        if (quiet > 0)
            return;
        std::lock_guard<std::mutex> guard(shared->lock);
        auto& d = shared->done;
        d.urlSerial = urlSerial;
        d.serial = serial;
        d.playable = playable;
        d.duration = duration;
        d.state = state;
        d.position = position;
        d.holdAt = holdAt;
        d.sample = sample;
        d.sampledAt = sampledAt;
        d.rate = rate;
        d.silent = silent;
        shared->changed.notify_all();
    }

    void setOutputGone(bool gone) {
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->done.outputGone = gone;
    }

    // --- what the caller asked for ---

    PlayerShared::Wanted wanted() {
        std::lock_guard<std::mutex> guard(shared->lock);
        return shared->wanted;
    }

    // Brings the pipeline to what the caller last asked for. Requests made meanwhile
    // are folded in: only the latest counts.
    void reconcile() {
        if (reconciling)
            return;
        reconciling = true;
        for (int round = 0; round < 100; ++round) {
            const PlayerShared::Wanted want = wanted();
            if (want.ending) {
                g_main_loop_quit(loop);
                break;
            }
            if (want.urlSerial != urlSerial) {
                open(want);
                continue;
            }
            if (want.serial == serial)
                break;
            apply(want);
        }
        reconciling = false;
    }

    bool superseded(quint64 forUrl) {
        std::lock_guard<std::mutex> guard(shared->lock);
        return shared->wanted.urlSerial != forUrl || shared->wanted.ending;
    }

    // Waits (bounded) for an asynchronous state change such as a preroll.
    bool setPipelineState(GstState target, GstClockTime timeout = kPrerollTimeout) {
        Busy busy(*shared);
        GstStateChangeReturn result = gst_element_set_state(playbin, target);
        if (result == GST_STATE_CHANGE_ASYNC)
            result = gst_element_get_state(playbin, nullptr, nullptr, timeout);
        return result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL;
    }

    void handle(GstMessage* message) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            if (segmentSeqnum == GST_SEQNUM_INVALID || gst_message_get_seqnum(message) == segmentSeqnum)
                onStreamEnd();
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            onError(message);
        }
    }

    // After a flushing seek an end of stream still queued belongs to the old segment.
    void dropStaleMessages() {
        while (GstMessage* message = gst_bus_pop(bus)) {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
                onError(message);
            gst_message_unref(message);
        }
    }

    void pump() {
        while (GstMessage* message = gst_bus_pop(bus)) {
            handle(message);
            gst_message_unref(message);
        }
    }

    double holdFor(double start, double stopAt) const {
        if (stopAt < 0.0 || stopAt <= start)
            return -1.0;
        if (duration > 0.0 && stopAt >= duration)
            return -1.0;
        return stopAt;
    }

    // Flushing exact seek for a play heard from `start` and held at `hold`, at the
    // current rate: the segment runs from the lead-in before `start` to the silent tail
    // after `hold`. Returns once the pipeline has prerolled (bounded).
    void seekTo(double start, double hold) {
        Busy busy(*shared);
        const double lead = std::min(kLeadInSeconds, start);
        // Near the start of the media there is too little before `start` for the whole
        // lead-in: the missing part is silence the sink plays first.
        if (sinkPad)
            gst_pad_set_offset(sinkPad, silent ? 0 : gint64(toClock((kLeadInSeconds - lead) / rate)));
        double end = hold >= 0.0 ? hold + kTailSeconds : -1.0;
        if (end >= 0.0 && duration > 0.0)
            end = std::min(end, duration);
        window.from = lead > 0.0 ? gint64(toClock(start)) : -1;
        window.until = hold >= 0.0 ? gint64(toClock(hold)) : -1;
        window.fadeIn = rate < 1.0 ? gint64(kFadeIn) : 0;
        window.fadeOut = gint64(rate < 1.0 ? kStretchedFadeOut : kFadeOut);
        double seekRate = rate, scale = 1.0;
        if (tempoElement) {
            if (tempoSet != rate) {
                g_object_set(tempoElement, "tempo", float(rate), nullptr);
                tempoSet = rate;
            }
            stretching = rate < 1.0;
            seekRate = 1.0;
            scale = 1.0 / rate;
        }
        GstEvent* seek = gst_event_new_seek(
            seekRate, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            GST_SEEK_TYPE_SET, toClock((start - lead) * scale), GST_SEEK_TYPE_SET,
            end >= 0.0 ? toClock(end * scale) : GST_CLOCK_TIME_NONE);
        segmentSeqnum = gst_event_get_seqnum(seek);
        const gboolean sent = gst_element_send_event(playbin, seek);
        gst_element_get_state(playbin, nullptr, nullptr, kPrerollTimeout);
        dropStaleMessages();
        segmentStart = start;
        holdAt = hold;
        segmentRate = rate;
        segmentFresh = sent;
    }

    void onStreamEnd() {
        if (state != IMediaPlayer::Playing)
            return;
        stopSampling();
        setPipelineState(GST_STATE_PAUSED);
        if (holdAt >= 0.0) {
            // Reached the stop position: hold there until the caller acts.
            state = IMediaPlayer::Paused;
            position = holdAt;
            segmentFresh = false;
        } else {
            seekTo(0.0, -1.0);
            state = IMediaPlayer::Stopped;
            position = 0.0;
        }
        publish();
    }

    void onError(GstMessage* message) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        qCWarning(lcPlayer, "%s", error ? error->message : "unknown error");
        if (error)
            g_error_free(error);
        // An error of the output itself (the sound server went away) is mended by
        // connecting again at the next play; an error of the media makes it unplayable.
        const bool fromOutput = sinkPad && GST_MESSAGE_SRC(message) == GST_OBJECT(GST_PAD_PARENT(sinkPad));
        stopSampling();
        {
            Busy busy(*shared);
            gst_element_set_state(playbin, GST_STATE_NULL);
        }
        segmentFresh = false;
        if (fromOutput && audible) {
            rebuildOutput = true;
            setOutputGone(true);
        } else {
            playable = false;
        }
        if (state == IMediaPlayer::Playing || !fromOutput) {
            state = url.isEmpty() ? IMediaPlayer::Undefined : IMediaPlayer::Stopped;
            position = 0.0;
        }
        publish();
    }

    // --- sampling while playing ---

    // The next sample comes every kSampleIntervalMs, or right after the hold is due, so
    // the caller learns of a sentence's end within a millisecond or two of it.
    void startSampling() {
        if (sampler)
            return;
        guint delay = kSampleIntervalMs;
        if (holdAt >= 0.0 && sample >= 0.0) {
            const double due = (holdAt - position) / rate * 1000.0 - (steadySeconds() - sampledAt) * 1000.0;
            if (due < kSampleIntervalMs)
                delay = guint(std::clamp(std::ceil(due) + 1.0, 1.0, double(kSampleIntervalMs)));
        }
        sampler = g_timeout_source_new(delay);
        g_source_set_callback(
            sampler,
            [](gpointer self) -> gboolean {
                auto* t = static_cast<PlayerThread*>(self);
                g_source_unref(t->sampler);
                t->sampler = nullptr;
                t->onSample();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
        g_source_attach(sampler, context);
    }

    void stopSampling() {
        if (!sampler)
            return;
        g_source_destroy(sampler);
        g_source_unref(sampler);
        sampler = nullptr;
    }

    void onSample() {
        if (state != IMediaPlayer::Playing)
            return;
        playingPosition();
        if (state == IMediaPlayer::Playing) {
            publish();
            startSampling();
        }
    }

    double queriedPosition() const {
        gint64 time = 0;
        if (!gst_element_query_position(playbin, GST_FORMAT_TIME, &time) || time < 0)
            return -1.0;
        return toSeconds(time) * tempoSet;
    }

    // The position while playing: never below the start, never decreasing, never past
    // the hold, and not read at all right after a start (see kQuietAfterStartMs).
    void playingPosition() {
        if (sinceStart.elapsed() < kQuietAfterStartMs)
            return;
        const double now = queriedPosition();
        if (now < 0.0)
            return;
        if (now > lastQueried) {
            lastQueried = now;
            sinceAdvance.start();
        } else if (sinceAdvance.elapsed() > kStallMs) {
            if (holdAt >= 0.0 && now >= holdAt) {
                // At the hold without an end of stream: hold all the same.
                onStreamEnd();
                return;
            }
            restartOutput();
            return;
        }
        const double at = holdAt >= 0.0 ? std::min(now, holdAt) : now;
        if (at > position) {
            position = at;
            sample = at;
            sampledAt = steadySeconds();
        }
    }

    void startPlaying() {
        {
            Busy busy(*shared);
            gst_element_set_state(playbin, GST_STATE_PLAYING);
        }
        // What was prerolled is being played: a play from the same start seeks again.
        segmentFresh = false;
        sinceStart.start();
        sinceAdvance.start();
        lastQueried = -1.0;
        sample = -1.0;
        startSampling();
    }

    // Rebuilds the sink's stream (and its clock) and plays on from the current position.
    void restartOutput() {
        qCWarning(lcPlayer, "the sound output stalled at %.3f s; restarting it", position);
        const double at = position;
        setPipelineState(GST_STATE_READY);
        if (!silent)
            silenceAll();
        if (!setPipelineState(GST_STATE_PAUSED, kOpenTimeout)) {
            dropStaleMessages();
            return;
        }
        if (!silent)
            warmUp();
        seekTo(at, holdFor(at, current.stopAt));
        startPlaying();
    }

    // stop() close before the hold: let the play run into its silent tail first, so
    // what the server still holds of the sentence is heard and nothing is left over.
    void finishSegment() {
        if (state != IMediaPlayer::Playing || holdAt < 0.0)
            return;
        playingPosition();
        const double left = holdAt - position;
        if (state != IMediaPlayer::Playing || left > kFinishWindowSeconds)
            return;
        const qint64 budgetMs =
            qint64((std::max(left, 0.0) + kTailSeconds + kFinishSlackSeconds) * 1000.0 / rate);
        QElapsedTimer clock;
        clock.start();
        const quint64 forUrl = urlSerial;
        while (state == IMediaPlayer::Playing && clock.elapsed() < budgetMs && !superseded(forUrl)) {
            GstMessage* message = gst_bus_timed_pop_filtered(
                bus, 5 * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (!message)
                continue;
            handle(message);
            gst_message_unref(message);
        }
    }

    // Everything the sink gets is silence until the next seek.
    void silenceAll() { window.from = std::numeric_limits<gint64>::max(); }

    // The server stalls the first play of a new stream for about as long as the stream
    // has existed; playing a few silenced milliseconds right away avoids that. Expects
    // the pipeline prerolled after silenceAll(), so not even the prerolled buffer sounds
    // (a stalled server plays what it holds at the next start).
    void warmUp() {
        {
            Busy busy(*shared);
            gst_element_set_state(playbin, GST_STATE_PLAYING);
        }
        sinceStart.start();
        const double enough = duration > 0.0 ? std::min(kWarmupSeconds, duration / 2) : kWarmupSeconds;
        while (sinceStart.elapsed() < kWarmupTimeoutMs &&
               (sinceStart.elapsed() < kQuietAfterStartMs || queriedPosition() < enough))
            g_usleep(2000);
        setPipelineState(GST_STATE_PAUSED);
        seekTo(0.0, -1.0);
    }

    void closeMedia() {
        stopSampling();
        if (playbin) {
            Busy busy(*shared);
            gst_element_set_state(playbin, GST_STATE_NULL);
        }
        if (bus) {
            gst_bus_set_flushing(bus, TRUE);
            gst_bus_set_flushing(bus, FALSE);
        }
        playable = false;
        state = IMediaPlayer::Undefined;
        position = 0.0;
        duration = 0.0;
        segmentStart = 0.0;
        holdAt = -1.0;
        segmentFresh = false;
        segmentSeqnum = GST_SEQNUM_INVALID;
        sample = -1.0;
        window.from = -1;
        window.until = -1;
    }

    // Connects to the sound output again after it went away: a new sink of the first
    // kind that answers, else the silent one until the next try.
    void reconnectOutput() {
        if (!rebuildOutput || !playbin)
            return;
        Busy busy(*shared);
        gst_element_set_state(playbin, GST_STATE_NULL);
        GstElement* sink = makeAudibleSink();
        attachSink(sink);
        rebuildOutput = sink == nullptr;
        setOutputGone(rebuildOutput);
        if (!rebuildOutput)
            qCInfo(lcPlayer, "the sound output is back");
    }

    // Opens what the caller asked for (blocking on this thread only): preroll, length,
    // warm-up; reports the outcome as soon as it is known.
    void open(const PlayerShared::Wanted& want) {
        closeMedia();
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->done.opened = false;
            shared->changed.notify_all();
        }
        reconnectOutput();
        urlSerial = want.urlSerial;
        url = want.url;
        current = PlayerShared::Wanted{};
        current.url = url;
        current.urlSerial = urlSerial;
        state = url.isEmpty() ? IMediaPlayer::Undefined : IMediaPlayer::Stopped;
        // The request that opened it is done; what came after it is applied next.
        serial = want.serial;
        if (want.playing || want.from != 0.0)
            serial = 0; // apply() carries out the rest
        const bool ok = !url.isEmpty() && playbin && QFileInfo(localPath(url)).isFile() && prerolled();
        playable = ok;
        if (ok) {
            gint64 length = 0;
            if (gst_element_query_duration(playbin, GST_FORMAT_TIME, &length) && length > 0)
                duration = toSeconds(length) * tempoSet;
            segmentStart = 0.0;
            holdAt = -1.0;
            segmentFresh = true;
        }
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->done.opened = true;
        }
        publish();
        if (ok && !silent && !superseded(urlSerial)) {
            warmUp();
            publish();
        }
    }

    // Regular files only: opening a named pipe or a device would block for ever.
    bool prerolled() {
        Busy busy(*shared);
        const QByteArray uri = toUri(url);
        if (uri.isEmpty())
            return false;
        g_object_set(playbin, "uri", uri.constData(), nullptr);
        if (tempoElement) { // opened at speed 1: its length in media seconds
            g_object_set(tempoElement, "tempo", 1.0f, nullptr);
            tempoSet = 1.0;
            stretching = false;
        }
        if (!silent)
            silenceAll();
        GstStateChangeReturn result = gst_element_set_state(playbin, GST_STATE_PAUSED);
        QElapsedTimer clock;
        clock.start();
        while (result == GST_STATE_CHANGE_ASYNC && clock.elapsed() < qint64(kOpenTimeout / GST_MSECOND) &&
               !superseded(urlSerial))
            result = gst_element_get_state(playbin, nullptr, nullptr, 20 * GST_MSECOND);
        const bool ok = result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL;
        playable = ok;
        dropStaleMessages(); // an error here makes the media unplayable
        if (!ok || !playable) {
            gst_element_set_state(playbin, GST_STATE_NULL);
            return false;
        }
        return true;
    }

    double clampToMedia(double seconds) const {
        if (!std::isfinite(seconds) || seconds < 0.0)
            return 0.0;
        return duration > 0.0 ? std::min(seconds, duration) : seconds;
    }

    // Opens the current media again (after its output was replaced), keeping the
    // request under way.
    void reopen(const PlayerShared::Wanted& want) {
        PlayerShared::Wanted again = want;
        again.playing = false;
        again.from = 0.0;
        const quint64 keep = serial;
        ++quiet;
        open(again);
        --quiet;
        serial = keep;
        current = want;
    }

    // A play, a stop or a seek.
    void apply(const PlayerShared::Wanted& want) {
        serial = want.serial;
        current = want;
        if (rebuildOutput && want.playing && playable)
            reopen(want); // the output went away: connect again, open the media afresh
        if (!playable) {
            state = url.isEmpty() ? IMediaPlayer::Undefined : IMediaPlayer::Stopped;
            position = 0.0;
            publish();
            return;
        }
        const double from = clampToMedia(want.from);
        const double wantedRate = std::clamp(want.rate, kMinRate, kMaxRate);
        if (want.playing) {
            if (state == IMediaPlayer::Playing) {
                stopSampling();
                setPipelineState(GST_STATE_PAUSED);
            }
            rate = wantedRate;
            const double hold = holdFor(from, want.stopAt);
            if (!segmentFresh || segmentStart != from || holdAt != hold || segmentRate != rate)
                seekTo(from, hold);
            position = from;
            state = IMediaPlayer::Playing;
            sample = -1.0;
            ++quiet;
            startPlaying();
            // A play that fails at once (the output went away meanwhile) tries again on
            // a new connection, once.
            pump();
            if (rebuildOutput && state != IMediaPlayer::Playing) {
                reconnectOutput();
                if (!rebuildOutput) {
                    reopen(want);
                    if (playable) {
                        rate = wantedRate;
                        seekTo(from, hold);
                        position = from;
                        state = IMediaPlayer::Playing;
                        startPlaying();
                    }
                }
            }
            --quiet;
            publish();
            return;
        }
        const bool wasPlaying = state == IMediaPlayer::Playing;
        if (wasPlaying) {
            // Stopped (and perhaps cued again) near the hold: the sentence's end is heard
            // whole and nothing of it is left in the server for the next play.
            finishSegment();
            stopSampling();
            if (state == IMediaPlayer::Playing)
                setPipelineState(GST_STATE_PAUSED);
            state = IMediaPlayer::Stopped;
        }
        const double hold = holdFor(from, want.stopAt);
        if (!segmentFresh || segmentStart != from || holdAt != hold || segmentRate != rate)
            seekTo(from, hold);
        position = from;
        publish();
    }
};

struct GstMediaPlayer::Impl {
    std::shared_ptr<PlayerShared> shared = std::make_shared<PlayerShared>();
    PlayerThread* thread = nullptr; // owned by its thread from the start
    GMainContext* context = nullptr;
    std::thread runner;

    // The caller's view: what it asked for, and the state it has been told.
    QString url;
    quint64 urlSerial = 0;
    quint64 serial = 0;
    PlayState state = Undefined;
    double position = 0.0;
    double stopAt = -1.0;
    double rate = 1.0;

    // Tells the window about the output's trouble (user-interface thread).
    std::function<void()> onTrouble;
    Trouble reported = Trouble::None;
    QTimer watchdog;

    ~Impl() {
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->wanted.ending = true;
        }
        PlayerThread::post(context, [t = thread] { t->reconcile(); });
        releaseSetUp();
        std::unique_lock<std::mutex> lock(shared->lock);
        const bool ended = shared->changed.wait_for(lock, std::chrono::milliseconds(kEndWaitMs),
                                                    [this] { return shared->finished.load(); });
        lock.unlock();
        if (ended) {
            runner.join();
            delete thread;
        } else {
            // Stuck in the sound output: leave the thread (and what it holds) to the end
            // of the process rather than keep the program from ending.
            qCWarning(lcPlayer, "the sound output does not answer; leaving it");
            runner.detach();
        }
    }

    void request(const std::function<void(PlayerShared::Wanted&)>& change) {
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            change(shared->wanted);
        }
        releaseSetUp();
        PlayerThread::post(context, [t = thread] { t->reconcile(); });
        if (QCoreApplication::instance() && !watchdog.isActive())
            watchdog.start();
    }

    void awaitBuilt() {
        releaseSetUp();
        std::unique_lock<std::mutex> lock(shared->lock);
        shared->changed.wait(lock, [this] { return shared->done.built; });
    }

    // Waits (bounded) until the opening of the current media has an outcome.
    bool awaitOpened(int ms) {
        releaseSetUp();
        std::unique_lock<std::mutex> lock(shared->lock);
        return shared->changed.wait_for(lock, std::chrono::milliseconds(ms), [this] {
            return shared->done.urlSerial == urlSerial && shared->done.opened;
        });
    }

    // False only when the player's thread has found the current media unplayable.
    bool mayPlay() {
        std::lock_guard<std::mutex> guard(shared->lock);
        const auto& d = shared->done;
        return !(d.urlSerial == urlSerial && d.opened && !d.playable);
    }

    double knownDuration() {
        std::lock_guard<std::mutex> guard(shared->lock);
        const auto& d = shared->done;
        return d.urlSerial == urlSerial && d.opened && d.playable ? d.duration : 0.0;
    }

    // Takes what the player's thread reports about the current play: its end at the
    // stop position or at the end of the media, or its failure.
    void sync() {
        if (state != Playing)
            return;
        std::lock_guard<std::mutex> guard(shared->lock);
        const auto& d = shared->done;
        if (d.urlSerial != urlSerial || d.serial != serial)
            return;
        if (d.state != Playing) {
            state = d.state;
            position = d.position;
            return;
        }
        if (d.sample < 0.0)
            return;
        const double ahead = std::clamp(steadySeconds() - d.sampledAt, 0.0, kExtrapolateSeconds) * d.rate;
        double at = d.sample + ahead;
        // Run on from a sample, the position stays short of the stop position: only the
        // player's thread says it is reached, so no caller stops the sound before its end
        // on a position guessed ahead.
        if (d.holdAt >= 0.0)
            at = std::min(at, std::max(d.sample, d.holdAt - 0.002));
        if (d.duration > 0.0)
            at = std::min(at, d.duration);
        position = std::max(position, at);
    }

    Trouble trouble() {
        const qint64 since = shared->busySince.load();
        if (since != 0 && steadyMs() - since > kStalledAfterMs)
            return Trouble::Stalled;
        std::lock_guard<std::mutex> guard(shared->lock);
        return shared->done.outputGone ? Trouble::Gone : Trouble::None;
    }

    void onWatchdog() {
        const Trouble now = trouble();
        if (now != reported) {
            reported = now;
            if (onTrouble)
                onTrouble();
        }
        const bool behind = [this] {
            std::lock_guard<std::mutex> guard(shared->lock);
            return shared->done.serial != serial || shared->done.urlSerial != urlSerial;
        }();
        if (!behind && state != Playing && now == Trouble::None)
            watchdog.stop();
    }
};

GstMediaPlayer::GstMediaPlayer(Output output)
    : d_(std::make_unique<Impl>()) {
    const bool forceSilent =
        output == Output::Silent || qgetenv("LESNOR_AUDIO_SINK").trimmed().toLower() == "fake";
    auto* t = new PlayerThread;
    t->shared = d_->shared;
    t->forceSilent = forceSilent;
    t->context = g_main_context_new();
    t->loop = g_main_loop_new(t->context, FALSE);
    d_->thread = t;
    d_->context = t->context;
    d_->watchdog.setTimerType(Qt::CoarseTimer);
    d_->watchdog.setInterval(500);
    d_->watchdog.callOnTimeout([impl = d_.get()] { impl->onWatchdog(); });
    d_->runner = std::thread([t] { t->run(); });
}

GstMediaPlayer::~GstMediaPlayer() = default;

void GstMediaPlayer::setUrl(const QString& path) {
    Impl& d = *d_;
    d.url = path;
    ++d.urlSerial;
    ++d.serial;
    d.state = path.isEmpty() ? Undefined : Stopped;
    d.position = 0.0;
    d.stopAt = -1.0;
    const quint64 urlSerial = d.urlSerial, serial = d.serial;
    d.request([&](PlayerShared::Wanted& w) {
        w.urlSerial = urlSerial;
        w.url = path;
        w.serial = serial;
        w.playing = false;
        w.from = 0.0;
        w.stopAt = -1.0;
    });
}

QString GstMediaPlayer::url() const {
    return d_->url;
}

void GstMediaPlayer::close() {
    setUrl(QString());
}

void GstMediaPlayer::play() {
    Impl& d = *d_;
    d.sync();
    if (d.url.isEmpty() || d.state == Playing)
        return;
    d.awaitOpened(kPlayWaitMs);
    if (!d.mayPlay())
        return;
    const double from = d.position;
    const quint64 serial = ++d.serial;
    d.state = Playing;
    d.request([&](PlayerShared::Wanted& w) {
        w.serial = serial;
        w.playing = true;
        w.from = from;
        w.stopAt = d.stopAt;
        w.rate = d.rate;
    });
}

void GstMediaPlayer::stop() {
    Impl& d = *d_;
    d.sync();
    if (d.url.isEmpty()) {
        d.position = 0.0;
        return;
    }
    const quint64 serial = ++d.serial;
    d.state = Stopped;
    d.position = 0.0;
    d.request([&](PlayerShared::Wanted& w) {
        w.serial = serial;
        w.playing = false;
        w.from = 0.0;
        w.stopAt = d.stopAt;
    });
}

double GstMediaPlayer::currentPosition() const {
    d_->sync();
    return d_->position;
}

void GstMediaPlayer::setCurrentPosition(double seconds) {
    Impl& d = *d_;
    d.sync();
    if (d.url.isEmpty())
        return;
    d.awaitOpened(kPlayWaitMs);
    if (!d.mayPlay())
        return;
    double target = std::isfinite(seconds) && seconds > 0.0 ? seconds : 0.0;
    if (const double length = d.knownDuration(); length > 0.0)
        target = std::min(target, length);
    const bool playing = d.state == Playing;
    const quint64 serial = ++d.serial;
    d.position = target;
    d.request([&](PlayerShared::Wanted& w) {
        w.serial = serial;
        w.playing = playing;
        w.from = target;
        w.stopAt = d.stopAt;
        w.rate = d.rate;
    });
}

IMediaPlayer::PlayState GstMediaPlayer::playState() const {
    d_->sync();
    return d_->state;
}

void GstMediaPlayer::setStopPosition(double seconds) {
    d_->stopAt = std::isfinite(seconds) && seconds >= 0.0 ? seconds : -1.0;
}

void GstMediaPlayer::setRate(double rate) {
    if (!std::isfinite(rate) || std::clamp(rate, kMinRate, kMaxRate) == d_->rate)
        return;
    d_->rate = std::clamp(rate, kMinRate, kMaxRate);
    // A play under way goes on at the new speed from where it is (a seek while playing).
    if (playState() == Playing)
        setCurrentPosition(currentPosition());
}

double GstMediaPlayer::rate() const {
    return d_->rate;
}

QString GstMediaPlayer::stretcherName() {
    const QString chosen = qEnvironmentVariable("LESNOR_STRETCH");
    if (!chosen.isEmpty())
        return chosen;
    GstElementFactory* pitch = gst_element_factory_find("pitch");
    if (pitch)
        gst_object_unref(pitch);
    return QLatin1String(pitch ? "pitch" : "scaletempo");
}

double GstMediaPlayer::startLatency() const {
    return kLeadInSeconds / d_->rate;
}

bool GstMediaPlayer::isSilent() const {
    d_->awaitBuilt();
    std::lock_guard<std::mutex> guard(d_->shared->lock);
    return d_->shared->done.silent;
}

bool GstMediaPlayer::soundOutputMissing() const {
    d_->awaitBuilt();
    std::lock_guard<std::mutex> guard(d_->shared->lock);
    return d_->shared->done.outputMissing;
}

double GstMediaPlayer::duration() const {
    if (d_->url.isEmpty())
        return 0.0;
    d_->awaitOpened(int(kOpenTimeout / GST_MSECOND));
    return d_->knownDuration();
}

IMediaPlayer::Trouble GstMediaPlayer::outputTrouble() const {
    return d_->trouble();
}

void GstMediaPlayer::setTroubleHandler(std::function<void()> handler) {
    d_->onTrouble = std::move(handler);
}

} // namespace lesnor
