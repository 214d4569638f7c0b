#include "platform/AudibleWindow.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace lesnor {
namespace {

// Scales frames [first, last) of interleaved samples by the gain of each frame.
template <typename Sample, typename Gain>
void scaleFrames(guint8* data, gint channels, guint64 first, guint64 last, const Gain& gainOf) {
    auto* samples = reinterpret_cast<Sample*>(data);
    for (guint64 f = first; f < last; ++f) {
        const double gain = gainOf(f);
        for (guint64 s = f * guint64(channels); s < (f + 1) * guint64(channels); ++s) {
            if constexpr (std::is_floating_point_v<Sample>)
                samples[s] = Sample(samples[s] * gain);
            else
                samples[s] = Sample(std::lround(double(samples[s]) * gain));
        }
    }
}

bool canFade(GstAudioFormat format) {
    return format == GST_AUDIO_FORMAT_S16 || format == GST_AUDIO_FORMAT_S32 ||
           format == GST_AUDIO_FORMAT_F32 || format == GST_AUDIO_FORMAT_F64;
}

// Fades frames [first, last) of a format canFade() accepts: a frame at media time t has
// the gain (1 - cos(pi d / length)) / 2, d being its distance from `edge` (t - edge on a
// rising fade, edge - t on a falling one).
void fadeFrames(const GstAudioInfo& info, guint8* data, guint64 first, guint64 last, gint64 pts, gint64 edge,
                gint64 length, bool rising) {
    const double rate = GST_AUDIO_INFO_RATE(&info);
    const auto gainOf = [&](guint64 frame) {
        const double before = double(edge - pts) - double(frame) * double(GST_SECOND) / rate;
        const double distance = rising ? -before : before;
        return 0.5 * (1.0 - std::cos(M_PI * std::clamp(distance / double(length), 0.0, 1.0)));
    };
    const gint channels = GST_AUDIO_INFO_CHANNELS(&info);
    switch (GST_AUDIO_INFO_FORMAT(&info)) {
    case GST_AUDIO_FORMAT_S16:
        scaleFrames<gint16>(data, channels, first, last, gainOf);
        break;
    case GST_AUDIO_FORMAT_S32:
        scaleFrames<gint32>(data, channels, first, last, gainOf);
        break;
    case GST_AUDIO_FORMAT_F32:
        scaleFrames<float>(data, channels, first, last, gainOf);
        break;
    case GST_AUDIO_FORMAT_F64:
        scaleFrames<double>(data, channels, first, last, gainOf);
        break;
    default:
        break;
    }
}

} // namespace

GstBuffer* silenceOutside(GstBuffer* buffer, const GstAudioInfo& info, gint64 from, gint64 until,
                          gint64 fadeOut, gint64 fadeIn) {
    const gint bpf = GST_AUDIO_INFO_BPF(&info);
    const gint rate = GST_AUDIO_INFO_RATE(&info);
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer) || (from < 0 && until < 0) || bpf <= 0 || rate <= 0)
        return buffer;
    const guint64 frames = gst_buffer_get_size(buffer) / guint64(bpf);
    const gint64 pts = gint64(GST_BUFFER_PTS(buffer));
    // Index of the first frame at or after a media time, within [0, frames].
    const auto firstFrameFrom = [&](gint64 time) {
        if (time <= pts)
            return guint64(0);
        return std::min(frames, gst_util_uint64_scale_ceil(guint64(time - pts), guint64(rate), GST_SECOND));
    };
    const guint64 headEnd = from >= 0 ? firstFrameFrom(from) : 0;
    const guint64 tailStart = until >= 0 ? std::max(headEnd, firstFrameFrom(until)) : frames;
    const bool fades = until >= 0 && fadeOut > 0 && canFade(GST_AUDIO_INFO_FORMAT(&info));
    const guint64 fadeStart = fades ? std::max(headEnd, firstFrameFrom(until - fadeOut)) : tailStart;
    const bool fadesIn = from >= 0 && fadeIn > 0 && canFade(GST_AUDIO_INFO_FORMAT(&info));
    const guint64 fadeInEnd = fadesIn ? std::min(tailStart, firstFrameFrom(from + fadeIn)) : headEnd;
    if (headEnd == 0 && fadeStart >= frames && fadeInEnd == 0)
        return buffer;

    buffer = gst_buffer_make_writable(buffer);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        if (headEnd > 0)
            gst_audio_format_info_fill_silence(info.finfo, map.data, headEnd * guint64(bpf));
        if (headEnd < fadeInEnd)
            fadeFrames(info, map.data, headEnd, fadeInEnd, pts, from, fadeIn, true);
        if (fadeStart < tailStart)
            fadeFrames(info, map.data, fadeStart, tailStart, pts, until, fadeOut, false);
        if (tailStart < frames)
            gst_audio_format_info_fill_silence(info.finfo, map.data + tailStart * guint64(bpf),
                                               (frames - tailStart) * guint64(bpf));
        gst_buffer_unmap(buffer, &map);
    }
    return buffer;
}

} // namespace lesnor
