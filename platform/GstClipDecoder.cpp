#include "platform/GstClipDecoder.h"

#include "platform/GstSetup.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

namespace lesnor {
namespace {

Q_LOGGING_CATEGORY(lcClip, "lesnor.speaking")

constexpr GstClockTime kWait = 5 * GST_SECOND;

struct Pipeline {
    GstElement* element = nullptr;
    ~Pipeline() {
        if (element) {
            gst_element_set_state(element, GST_STATE_NULL);
            gst_object_unref(element);
        }
    }
};

} // namespace

DecodedClip GstClipDecoder::decode(const QString& path, double begin, double end) {
    DecodedClip clip;
    if (!gstreamerReady() || !QFileInfo(path).isFile() || (end >= 0 && end <= begin))
        return clip;
    GError* error = nullptr;
    Pipeline p;
    p.element = gst_parse_launch("filesrc name=src ! decodebin ! audioconvert ! audioresample ! "
                                 "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=1 ! "
                                 "appsink name=sink sync=false",
                                 &error);
    if (error) {
        qCWarning(lcClip) << "no decoding pipeline:" << error->message;
        g_error_free(error);
        return clip;
    }
    p.element = GST_ELEMENT(gst_object_ref_sink(p.element));
    GstElement* src = gst_bin_get_by_name(GST_BIN(p.element), "src");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(src);
    GstElement* sinkElement = gst_bin_get_by_name(GST_BIN(p.element), "sink");
    GstAppSink* sink = GST_APP_SINK(sinkElement);

    const auto ns = [](double s) { return gint64(std::max(0.0, s) * 1e9); };
    bool ok = gst_element_set_state(p.element, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
              gst_element_get_state(p.element, nullptr, nullptr, kWait) == GST_STATE_CHANGE_SUCCESS;
    if (ok && begin > 0)
        ok = gst_element_seek(p.element, 1.0, GST_FORMAT_TIME,
                              GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
                              ns(begin), end >= 0 ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
                              end >= 0 ? ns(end) : GST_CLOCK_TIME_NONE);
    ok = ok && gst_element_set_state(p.element, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    const gint64 first = ns(begin);
    const gint64 last = end >= 0 ? ns(end) : G_MAXINT64;
    while (ok) {
        GstSample* sample = gst_app_sink_try_pull_sample(sink, kWait);
        if (!sample) {
            if (!gst_app_sink_is_eos(sink))
                qCWarning(lcClip) << "decoding" << path << "stopped delivering";
            break;
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* data = reinterpret_cast<const qint16*>(map.data);
            const gint64 count = gint64(map.size / 2);
            // Samples outside [begin, end) are cut by their time; a buffer without one
            // follows on from the last.
            gint64 from = 0, to = count;
            if (GST_BUFFER_PTS_IS_VALID(buffer)) {
                const gint64 t = gint64(GST_BUFFER_PTS(buffer));
                from = std::clamp<gint64>((first - t) * kRate / GST_SECOND, 0, count);
                to = last == G_MAXINT64 ? count
                                        : std::clamp<gint64>((last - t) * kRate / GST_SECOND, 0, count);
            }
            if (to > from)
                clip.samples.insert(clip.samples.end(), data + from, data + to);
            gst_buffer_unmap(buffer, &map);
            const bool past = GST_BUFFER_PTS_IS_VALID(buffer) && gint64(GST_BUFFER_PTS(buffer)) >= last;
            gst_sample_unref(sample);
            if (past)
                break;
        } else {
            gst_sample_unref(sample);
        }
    }
    gst_object_unref(sinkElement);
    if (GstBus* bus = gst_element_get_bus(p.element)) {
        if (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            GError* e = nullptr;
            gst_message_parse_error(m, &e, nullptr);
            qCWarning(lcClip) << "cannot decode" << path << ":" << (e ? e->message : "unknown error");
            if (e)
                g_error_free(e);
            gst_message_unref(m);
            clip.samples.clear();
        }
        gst_object_unref(bus);
    }
    if (!clip.samples.empty())
        clip.rate = kRate;
    return clip;
}

} // namespace lesnor
