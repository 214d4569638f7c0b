#include "platform/GstCapture.h"

#include <QElapsedTimer>
#include <QThread>
#include <gst/gst.h>
#include <thread>
#include <utility>

namespace lesnor {
namespace {

QByteArray deviceOf(GstElement* pipeline) {
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    if (!source)
        return {};
    gchar* name = nullptr;
    g_object_get(source, "current-device", &name, nullptr);
    gst_object_unref(source);
    const QByteArray result(name ? name : "");
    g_free(name);
    return result;
}

} // namespace

bool capturesFromMicrophone(GstElement* pipeline, qint64 waitMs, const QLoggingCategory& log) {
    QElapsedTimer waited;
    waited.start();
    QByteArray name = deviceOf(pipeline);
    while (name.isEmpty() && waited.elapsed() < waitMs) {
        QThread::msleep(2);
        name = deviceOf(pipeline);
    }
    if (name.endsWith(".monitor")) {
        qCWarning(log) << "no microphone: the default input is" << name;
        return false;
    }
    return true;
}

bool takeBusErrors(GstBus* bus, const QLoggingCategory& log) {
    bool error = false;
    while (GstMessage* message = bus ? gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR) : nullptr) {
        GError* e = nullptr;
        gst_message_parse_error(message, &e, nullptr);
        qCWarning(log) << "capture failed:" << (e ? e->message : "unknown error");
        if (e)
            g_error_free(e);
        gst_message_unref(message);
        error = true;
    }
    return error;
}

void tearDownPipeline(GstElement*& pipeline, GstBus*& bus) {
    if (pipeline) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }
    if (bus) {
        gst_object_unref(bus);
        bus = nullptr;
    }
}

void tearDownPipelineLater(GstElement*& pipeline, GstBus*& bus) {
    if (!pipeline && !bus)
        return;
    std::thread([p = std::exchange(pipeline, nullptr), b = std::exchange(bus, nullptr)]() mutable {
        tearDownPipeline(p, b);
    }).detach();
}

} // namespace lesnor
