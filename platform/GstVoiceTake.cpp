#include "platform/GstVoiceTake.h"

#include "platform/GstCapture.h"
#include "platform/GstSetup.h"

#include <QLoggingCategory>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <mutex>

namespace lesnor {
namespace {

Q_LOGGING_CATEGORY(lcTake, "lesnor.speaking")

constexpr qint64 kDeviceWaitMs = 250;

} // namespace

struct GstVoiceTake::Impl {
    GstElement* pipeline = nullptr;
    GstBus* bus = nullptr;
    bool running = false;
    bool failed = false;
    mutable std::mutex lock;
    std::vector<qint16> samples; // under lock

    ~Impl() { teardown(); }

    static GstFlowReturn onSample(GstAppSink* sink, gpointer data) {
        auto* d = static_cast<Impl*>(data);
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample)
            return GST_FLOW_EOS;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* begin = reinterpret_cast<const qint16*>(map.data);
            std::lock_guard guard(d->lock);
            d->samples.insert(d->samples.end(), begin, begin + map.size / 2);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    void teardown() {
        tearDownPipeline(pipeline, bus);
        running = false;
    }
    bool takeErrors() { return takeBusErrors(bus, lcTake()); }
};

GstVoiceTake::GstVoiceTake()
    : d_(std::make_unique<Impl>()) {}

GstVoiceTake::~GstVoiceTake() = default;

bool GstVoiceTake::start() {
    d_->teardown();
    {
        std::lock_guard guard(d_->lock);
        d_->samples.clear();
    }
    d_->failed = false;
    if (!gstreamerReady())
        return false;
    GError* error = nullptr;
    GstElement* pipeline =
        gst_parse_launch("pulsesrc name=src ! audioconvert ! audioresample ! "
                         "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=1 ! "
                         "appsink name=sink sync=false",
                         &error);
    if (error) {
        qCWarning(lcTake) << "no capture pipeline:" << error->message;
        g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        return false;
    }
    d_->pipeline = GST_ELEMENT(gst_object_ref_sink(pipeline));
    d_->bus = gst_element_get_bus(d_->pipeline);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(d_->pipeline), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &Impl::onSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, d_.get(), nullptr);
    gst_object_unref(sink);
    if (gst_element_set_state(d_->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
        d_->takeErrors() || !capturesFromMicrophone(d_->pipeline, kDeviceWaitMs, lcTake())) {
        d_->teardown();
        return false;
    }
    d_->running = true;
    return true;
}

void GstVoiceTake::stop() {
    if (!d_->running)
        return;
    d_->failed = d_->takeErrors();
    if (!d_->failed) {
        // Everything the source delivered reaches the samples before the pipeline stops.
        gst_element_send_event(d_->pipeline, gst_event_new_eos());
        if (GstMessage* m = gst_bus_timed_pop_filtered(d_->bus, GST_SECOND,
                                                       GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
            d_->failed = GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR;
            gst_message_unref(m);
        }
    }
    d_->teardown();
}

bool GstVoiceTake::isRunning() const {
    return d_->running;
}

bool GstVoiceTake::failed() const {
    return d_->failed;
}

std::vector<qint16> GstVoiceTake::samplesFrom(size_t from) const {
    std::lock_guard guard(d_->lock);
    if (from >= d_->samples.size())
        return {};
    return {d_->samples.begin() + long(from), d_->samples.end()};
}

} // namespace lesnor
