#pragma once
// A GStreamer pipeline that listens to the sound server's monitor of "nullsink": its
// description ends in an appsink named "sink" whose every sample goes to `onSample`.
// Stopped and released with the object.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

namespace bench {

class MonitorPipeline {
public:
    using OnSample = GstFlowReturn (*)(GstAppSink*, gpointer);

    bool start(const char* description, OnSample onSample, void* data) {
        GError* error = nullptr;
        pipeline_ = gst_parse_launch(description, &error);
        if (error) {
            g_error_free(error);
            return false;
        }
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = onSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, data, nullptr);
        gst_object_unref(sink);
        return gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }
    ~MonitorPipeline() {
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_NULL);
            gst_object_unref(pipeline_);
        }
    }

private:
    GstElement* pipeline_ = nullptr;
};

} // namespace bench
