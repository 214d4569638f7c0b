#include "platform/GstSetup.h"

#include <QByteArray>
#include <atomic>
#include <cstring>
#include <gst/gst.h>

namespace lesnor {
namespace {

// The MP3 decoder logs a critical "allocate_output_buffer: assertion 'size > 0'" when
// an exact seek leaves a frame with nothing to output. It is harmless; keep it out of
// the program's output and pass every other message on.
void filterDecoderNoise(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
    if (message && std::strstr(message, "allocate_output_buffer") && std::strstr(message, "size > 0"))
        return;
    g_log_default_handler(domain, level, message, nullptr);
}

} // namespace

bool gstreamerReady() {
    static const bool ready = [] {
        GError* error = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
        if (ok)
            g_log_set_handler("GStreamer-Audio", G_LOG_LEVEL_CRITICAL, filterDecoderNoise, nullptr);
        return ok;
    }();
    return ready;
}

void useOwnServerConnection(GstElement* sink, const char* who) {
    if (!sink || !g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "client-name"))
        return;
    static std::atomic<int> made{0};
    const QByteArray name = QByteArray("Lesnor ") + who + ' ' + QByteArray::number(++made);
    g_object_set(sink, "client-name", name.constData(), nullptr);
}

} // namespace lesnor
