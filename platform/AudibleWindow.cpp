#include "platform/AudibleWindow.h"

#include <algorithm>

namespace lesnor {

GstBuffer* silenceOutside(GstBuffer* buffer, const GstAudioInfo& info, gint64 from, gint64 until) {
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
    if (headEnd == 0 && tailStart >= frames)
        return buffer;

    buffer = gst_buffer_make_writable(buffer);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        if (headEnd > 0)
            gst_audio_format_info_fill_silence(info.finfo, map.data, headEnd * guint64(bpf));
        if (tailStart < frames)
            gst_audio_format_info_fill_silence(info.finfo, map.data + tailStart * guint64(bpf),
                                               (frames - tailStart) * guint64(bpf));
        gst_buffer_unmap(buffer, &map);
    }
    return buffer;
}

} // namespace lesnor
