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
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <future>
#include <gst/gst.h>
#include <limits>

namespace lesnor {
namespace {

Q_LOGGING_CATEGORY(lcPlayer, "lesnor.player")

// How long a seek may take to preroll, and how long opening a file may take.
constexpr GstClockTime kPrerollTimeout = 2 * GST_SECOND;
constexpr GstClockTime kOpenTimeout = 5 * GST_SECOND;
// playbin flags: audio only.
constexpr guint kPlayFlags = 0x2;
// The watch that notices an unattended end of media while playing.
constexpr int kWatchIntervalMs = 50;
// With an event loop, an opening (preroll, then the warm-up) goes on in steps this far
// apart, so the caller of setUrl() does not wait for it.
constexpr int kOpenStepMs = 4;
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
// stop() called this close before the stop position first lets the play reach the
// end of its silent tail (bounded by the distance plus the slack).
constexpr double kFinishWindowSeconds = 0.05;
constexpr double kFinishSlackSeconds = 0.03;
// A position that does not move for this long while playing means the output stalled;
// the player then rebuilds the stream and plays on from where it was.
constexpr qint64 kStallMs = 500;

GstClockTime toClock(double seconds) {
    return static_cast<GstClockTime>(std::llround(seconds * static_cast<double>(GST_SECOND)));
}

double toSeconds(gint64 time) {
    return static_cast<double>(time) / static_cast<double>(GST_SECOND);
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
// silence. Written on the user-interface thread before a seek, read on the streaming
// thread.
struct AudibleWindow {
    std::atomic<gint64> from{-1};  // negative: from the start of the segment
    std::atomic<gint64> until{-1}; // negative: to its end
};

// Keeps each buffer reaching the audio sink to the audible window (streaming thread).
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
        GST_PAD_PROBE_INFO_DATA(info) =
            silenceOutside(GST_PAD_PROBE_INFO_BUFFER(info), audio, from, until, kFadeOut);
    return GST_PAD_PROBE_OK;
}

QByteArray toUri(const QString& path) {
    if (path.startsWith(QLatin1String("file:")))
        return path.toUtf8();
    gchar* uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    QByteArray result(uri ? uri : "");
    g_free(uri);
    return result;
}

} // namespace

struct GstMediaPlayer::Impl {
    GstElement* playbin = nullptr;
    GstBus* bus = nullptr;
    bool silent = true;
    bool outputMissing = false; // silent because no output could be opened
    QString url;
    bool playable = false; // the open media prerolled and can play
    PlayState state = Undefined;
    // While not playing: the position. While playing: the last position reported.
    double position = 0.0;
    double stopAt = -1.0;
    double duration = 0.0;

    // The segment the pipeline was last prerolled for: heard from segmentStart, held at
    // holdAt (negative: plays to the end of the media). Stale once played to its end.
    double segmentStart = 0.0;
    double holdAt = -1.0;
    bool segmentFresh = false;
    // The seek that set up the segment. An end of stream carries the number of the seek
    // its segment came from; one of an older segment can surface after a later seek
    // (the bin holds it back until it next goes to PLAYING) and is ignored.
    guint32 segmentSeqnum = GST_SEQNUM_INVALID;
    AudibleWindow audible;

    // An opening under way (see open()): the preroll, then the warm-up; None once the
    // media is ready, or could not be opened.
    enum class Opening { None, Preroll, WarmUp };
    Opening opening = Opening::None;
    QTimer openStep;
    // The audio sink's input, whose running-time offset delays a play from the media's
    // first milliseconds behind silence (see seekTo()).
    GstPad* sinkPad = nullptr;

    QElapsedTimer sinceStart;   // since the pipeline was last set playing
    QElapsedTimer sinceAdvance; // since the pipeline position last moved while playing
    double lastQueried = -1.0;
    QTimer watch;

    ~Impl() {
        awaitSetup();
        watch.stop();
        openStep.stop();
        if (sinkPad)
            gst_object_unref(sinkPad);
        if (playbin) {
            gst_element_set_state(playbin, GST_STATE_NULL);
            gst_object_unref(playbin);
        }
        if (bus)
            gst_object_unref(bus);
    }

    // Setting GStreamer up (loading its registry) and asking the sound server takes a
    // good part of a program start, so it runs on a thread of its own from the
    // constructor; every operation first waits for it to end. Only build() touches the
    // members meanwhile.
    std::future<void> setup;

    void awaitSetup() {
        if (setup.valid()) {
            releaseSetUp();
            setup.get();
        }
    }

    void build(bool forceSilent) {
        awaitSetUpRelease();
        if (!gstreamerReady())
            return;
        playbin = owned(gst_element_factory_make("playbin", nullptr));
        if (!playbin)
            return;
        g_object_set(playbin, "flags", kPlayFlags, nullptr);
        GstElement* sink = forceSilent ? nullptr : makeAudibleSink();
        silent = sink == nullptr;
        outputMissing = !forceSilent && !sink;
        if (!sink)
            sink = makeSilentSink();
        if (sink) {
            if (GstPad* pad = gst_element_get_static_pad(sink, "sink")) {
                gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, keepToAudibleWindow, &audible, nullptr);
                sinkPad = pad;
            }
            g_object_set(playbin, "audio-sink", sink, nullptr);
            gst_object_unref(sink);
        }
        bus = gst_element_get_bus(playbin);
    }

    // Waits (bounded) for an asynchronous state change such as a preroll.
    bool setPipelineState(GstState target, GstClockTime timeout = kPrerollTimeout) {
        GstStateChangeReturn result = gst_element_set_state(playbin, target);
        if (result == GST_STATE_CHANGE_ASYNC)
            result = gst_element_get_state(playbin, nullptr, nullptr, timeout);
        return result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL;
    }

    // Takes every pending bus message and acts on end of stream and errors.
    void pump() {
        if (!bus)
            return;
        while (GstMessage* message = gst_bus_pop(bus)) {
            handle(message);
            gst_message_unref(message);
        }
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

    // Where a play from `start` holds: the stop position when it lies inside the media.
    double holdFor(double start) const {
        if (stopAt < 0.0 || stopAt <= start)
            return -1.0;
        if (duration > 0.0 && stopAt >= duration)
            return -1.0;
        return stopAt;
    }

    double clampToMedia(double seconds) const {
        if (!std::isfinite(seconds) || seconds < 0.0)
            return 0.0;
        return duration > 0.0 ? std::min(seconds, duration) : seconds;
    }

    // Flushing exact seek for a play heard from `start` and held at `hold`: the segment
    // runs from the lead-in before `start` to the silent tail after `hold`. Returns once
    // the pipeline has prerolled (bounded).
    void seekTo(double start, double hold) {
        const double lead = std::min(kLeadInSeconds, start);
        // Near the start of the media there is too little before `start` for the whole
        // lead-in: the missing part is silence the sink plays first.
        if (sinkPad)
            gst_pad_set_offset(sinkPad, silent ? 0 : gint64(toClock(kLeadInSeconds - lead)));
        double end = hold >= 0.0 ? hold + kTailSeconds : -1.0;
        if (end >= 0.0 && duration > 0.0)
            end = std::min(end, duration);
        audible.from = lead > 0.0 ? gint64(toClock(start)) : -1;
        audible.until = hold >= 0.0 ? gint64(toClock(hold)) : -1;
        GstEvent* seek = gst_event_new_seek(1.0, GST_FORMAT_TIME,
                                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                            GST_SEEK_TYPE_SET, toClock(start - lead), GST_SEEK_TYPE_SET,
                                            end >= 0.0 ? toClock(end) : GST_CLOCK_TIME_NONE);
        segmentSeqnum = gst_event_get_seqnum(seek);
        const gboolean sent = gst_element_send_event(playbin, seek);
        gst_element_get_state(playbin, nullptr, nullptr, kPrerollTimeout);
        dropStaleMessages();
        segmentStart = start;
        holdAt = hold;
        segmentFresh = sent;
    }

    void onStreamEnd() {
        if (state != Playing)
            return;
        setPipelineState(GST_STATE_PAUSED);
        if (holdAt >= 0.0) {
            // Reached the stop position: hold there until the caller acts.
            state = Paused;
            position = holdAt;
            segmentFresh = false;
        } else {
            seekTo(0.0, -1.0);
            state = Stopped;
            position = 0.0;
        }
        watch.stop();
    }

    void onError(GstMessage* message) {
        opening = Opening::None;
        openStep.stop();
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        qCWarning(lcPlayer, "%s", error ? error->message : "unknown error");
        if (error)
            g_error_free(error);
        gst_element_set_state(playbin, GST_STATE_NULL);
        watch.stop();
        playable = false;
        segmentFresh = false;
        position = 0.0;
        state = url.isEmpty() ? Undefined : Stopped;
    }

    void startPlaying() {
        gst_element_set_state(playbin, GST_STATE_PLAYING);
        sinceStart.start();
        sinceAdvance.start();
        lastQueried = -1.0;
        if (QCoreApplication::instance())
            watch.start(kWatchIntervalMs);
    }

    void onWatch() {
        pump();
        if (state != Playing)
            watch.stop();
    }

    double queriedPosition() const {
        gint64 time = 0;
        if (!gst_element_query_position(playbin, GST_FORMAT_TIME, &time) || time < 0)
            return -1.0;
        return toSeconds(time);
    }

    // The position while playing: never below the start, never decreasing, never past
    // the hold, and not read at all right after a start (see kQuietAfterStartMs).
    double playingPosition() {
        if (sinceStart.elapsed() < kQuietAfterStartMs)
            return position;
        const double now = queriedPosition();
        if (now < 0.0)
            return position;
        if (now > lastQueried) {
            lastQueried = now;
            sinceAdvance.start();
        } else if (sinceAdvance.elapsed() > kStallMs) {
            if (holdAt >= 0.0 && now >= holdAt) {
                // At the hold without an end of stream: hold all the same.
                onStreamEnd();
                return position;
            }
            restartOutput();
            return position;
        }
        position = std::max(position, holdAt >= 0.0 ? std::min(now, holdAt) : now);
        return position;
    }

    // Rebuilds the sink's stream (and its clock) and plays on from the current position.
    void restartOutput() {
        qCWarning(lcPlayer, "the sound output stalled at %.3f s; restarting it", position);
        const double at = position;
        gst_element_set_state(playbin, GST_STATE_READY);
        if (!silent)
            silenceAll();
        if (!setPipelineState(GST_STATE_PAUSED, kOpenTimeout)) {
            dropStaleMessages();
            return;
        }
        if (!silent)
            warmUp();
        seekTo(at, holdFor(at));
        startPlaying();
    }

    // stop() close before the hold: let the play run into its silent tail first, so
    // what the server still holds of the sentence is heard and nothing is left over.
    void finishSegment() {
        if (state != Playing || holdAt < 0.0)
            return;
        const double left = holdAt - playingPosition();
        if (state != Playing || left > kFinishWindowSeconds)
            return;
        const qint64 budgetMs = qint64((std::max(left, 0.0) + kTailSeconds + kFinishSlackSeconds) * 1000.0);
        QElapsedTimer clock;
        clock.start();
        while (state == Playing && clock.elapsed() < budgetMs) {
            GstMessage* message =
                gst_bus_timed_pop_filtered(bus, GST_MSECOND * guint64(budgetMs - clock.elapsed()),
                                           GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (!message)
                break;
            handle(message);
            gst_message_unref(message);
        }
    }

    // Everything the sink gets is silence until the next seek.
    void silenceAll() { audible.from = std::numeric_limits<gint64>::max(); }

    // The server stalls the first play of a new stream for about as long as the stream
    // has existed; playing a few silenced milliseconds right away avoids that. Expects
    // the pipeline prerolled after silenceAll(), so not even the prerolled buffer sounds
    // (a stalled server plays what it holds at the next start).
    void warmUp() {
        startWarmUp();
        while (!warmUpDone())
            QThread::msleep(2);
        endWarmUp();
    }
    void startWarmUp() {
        gst_element_set_state(playbin, GST_STATE_PLAYING);
        sinceStart.start();
    }
    bool warmUpDone() const {
        if (sinceStart.elapsed() < kQuietAfterStartMs)
            return false;
        const double enough = duration > 0.0 ? std::min(kWarmupSeconds, duration / 2) : kWarmupSeconds;
        return queriedPosition() >= enough || sinceStart.elapsed() >= kWarmupTimeoutMs;
    }
    void endWarmUp() {
        setPipelineState(GST_STATE_PAUSED);
        seekTo(0.0, -1.0);
    }

    // Pipeline to NULL (the file is closed) and nothing left over on the bus.
    void release() {
        if (playbin)
            gst_element_set_state(playbin, GST_STATE_NULL);
        if (bus) {
            gst_bus_set_flushing(bus, TRUE);
            gst_bus_set_flushing(bus, FALSE);
        }
    }

    void closeMedia() {
        watch.stop();
        openStep.stop();
        opening = Opening::None;
        release();
        playable = false;
        state = Undefined;
        position = 0.0;
        stopAt = -1.0;
        duration = 0.0;
        segmentStart = 0.0;
        holdAt = -1.0;
        segmentFresh = false;
        segmentSeqnum = GST_SEQNUM_INVALID;
        audible.from = -1;
        audible.until = -1;
    }

    void open(const QString& path) {
        closeMedia();
        url = path;
        if (path.isEmpty())
            return;
        state = Stopped;
        // Regular files only: opening a named pipe or a device would block here for ever.
        const QString local = path.startsWith(QLatin1String("file:")) ? QUrl(path).toLocalFile() : path;
        if (!playbin || !QFileInfo(local).isFile())
            return;
        const QByteArray uri = toUri(path);
        if (uri.isEmpty())
            return;
        g_object_set(playbin, "uri", uri.constData(), nullptr);
        if (!silent)
            silenceAll();
        if (gst_element_set_state(playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
            dropStaleMessages();
            release();
            return;
        }
        opening = Opening::Preroll;
        if (QCoreApplication::instance())
            openStep.start(kOpenStepMs);
        else
            settle();
    }

    // The preroll has ended (bounded wait): the media is playable or not.
    bool finishPreroll(GstClockTime timeout) {
        GstStateChangeReturn result = gst_element_get_state(playbin, nullptr, nullptr, timeout);
        if (result == GST_STATE_CHANGE_ASYNC && timeout == 0)
            return false;
        if (result != GST_STATE_CHANGE_SUCCESS && result != GST_STATE_CHANGE_NO_PREROLL) {
            opening = Opening::None;
            dropStaleMessages();
            release();
            return true;
        }
        playable = true;
        opening = Opening::None;
        dropStaleMessages(); // an error here makes the media unplayable
        if (!playable)
            return true;
        gint64 length = 0;
        if (gst_element_query_duration(playbin, GST_FORMAT_TIME, &length) && length > 0)
            duration = toSeconds(length);
        segmentStart = 0.0;
        holdAt = -1.0;
        segmentFresh = true;
        if (!silent) {
            startWarmUp();
            opening = Opening::WarmUp;
        }
        return true;
    }

    // One step of an opening, from the event loop: never waits for the pipeline.
    void stepOpening() {
        if (opening == Opening::Preroll)
            finishPreroll(0);
        else if (opening == Opening::WarmUp && warmUpDone())
            finishOpening();
        if (opening == Opening::None)
            openStep.stop();
    }

    void finishOpening() {
        opening = Opening::None;
        openStep.stop();
        endWarmUp();
    }

    // Completes an opening under way, waiting as long as it takes (bounded): every
    // operation that needs the media ready calls this first, so a play right after
    // setUrl() is exactly as well prepared as one much later.
    void settle() {
        if (opening == Opening::Preroll)
            finishPreroll(kOpenTimeout);
        if (opening == Opening::WarmUp) {
            while (!warmUpDone())
                QThread::msleep(2);
            finishOpening();
        }
    }
};

GstMediaPlayer::GstMediaPlayer(Output output)
    : d_(std::make_unique<Impl>()) {
    d_->watch.setTimerType(Qt::CoarseTimer);
    d_->watch.callOnTimeout([impl = d_.get()] { impl->onWatch(); });
    d_->openStep.setTimerType(Qt::PreciseTimer);
    d_->openStep.callOnTimeout([impl = d_.get()] { impl->stepOpening(); });
    const bool forceSilent =
        output == Output::Silent || qgetenv("LESNOR_AUDIO_SINK").trimmed().toLower() == "fake";
    d_->setup = std::async(std::launch::async, [impl = d_.get(), forceSilent] { impl->build(forceSilent); });
}

GstMediaPlayer::~GstMediaPlayer() = default;

void GstMediaPlayer::setUrl(const QString& path) {
    d_->awaitSetup();
    d_->open(path);
}

QString GstMediaPlayer::url() const {
    return d_->url;
}

void GstMediaPlayer::close() {
    d_->awaitSetup();
    d_->closeMedia();
    d_->url.clear();
}

void GstMediaPlayer::play() {
    d_->awaitSetup();
    Impl& d = *d_;
    d.settle();
    d.pump();
    if (!d.playable || d.state == Playing)
        return;
    const double hold = d.holdFor(d.position);
    if (!d.segmentFresh || d.segmentStart != d.position || d.holdAt != hold)
        d.seekTo(d.position, hold);
    d.state = Playing;
    d.startPlaying();
}

void GstMediaPlayer::stop() {
    d_->awaitSetup();
    Impl& d = *d_;
    d.pump();
    // Still opening: nothing has played, the position is 0 already.
    if (!d.playable || d.opening != Impl::Opening::None) {
        d.position = 0.0;
        return;
    }
    d.finishSegment();
    if (d.state == Playing)
        d.setPipelineState(GST_STATE_PAUSED);
    if (!d.segmentFresh || d.segmentStart != 0.0 || d.holdAt >= 0.0)
        d.seekTo(0.0, -1.0);
    d.state = Stopped;
    d.position = 0.0;
    d.watch.stop();
}

double GstMediaPlayer::currentPosition() const {
    d_->awaitSetup();
    Impl& d = *d_;
    d.pump();
    return d.state == Playing ? d.playingPosition() : d.position;
}

void GstMediaPlayer::setCurrentPosition(double seconds) {
    d_->awaitSetup();
    Impl& d = *d_;
    d.settle();
    d.pump();
    if (!d.playable)
        return;
    const double target = d.clampToMedia(seconds);
    const bool wasPlaying = d.state == Playing;
    if (wasPlaying)
        d.setPipelineState(GST_STATE_PAUSED);
    d.seekTo(target, d.holdFor(target));
    d.position = target;
    if (wasPlaying)
        d.startPlaying();
}

IMediaPlayer::PlayState GstMediaPlayer::playState() const {
    d_->awaitSetup();
    d_->pump();
    return d_->state;
}

void GstMediaPlayer::setStopPosition(double seconds) {
    d_->awaitSetup();
    d_->stopAt = std::isfinite(seconds) && seconds >= 0.0 ? seconds : -1.0;
}

bool GstMediaPlayer::isSilent() const {
    d_->awaitSetup();
    return d_->silent;
}

bool GstMediaPlayer::soundOutputMissing() const {
    d_->awaitSetup();
    return d_->outputMissing;
}

double GstMediaPlayer::duration() const {
    d_->awaitSetup();
    d_->settle();
    return d_->playable ? d_->duration : 0.0;
}

} // namespace lesnor
