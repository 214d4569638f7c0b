#pragma once

#include <gst/audio/audio.h>

namespace lesnor {

// Replaces with silence the frames of a raw interleaved audio buffer whose media time
// (the buffer's timestamp plus the frame's offset at the stream's rate) lies before
// `from` or at or after `until`, both in nanoseconds; a negative bound is no bound.
// With `fadeOut` > 0 the frames in [until - fadeOut, until) are faded out along a
// raised cosine that reaches zero at `until`, so the end sounds without a click and
// stays where it is; with `fadeIn` > 0 the frames in [from, from + fadeIn) rise along
// the same curve from zero at `from`. The gain of a frame depends only on its media
// time: a fade split over several buffers gives the same samples as in one. Only native-endian S16, S32,
// F32 and F64 samples are faded; other formats end with the cut at `until`.
// Takes `buffer` and returns the buffer to use instead: the same one when nothing is
// changed, else a writable one. Buffers without a timestamp are left as they are.
GstBuffer* silenceOutside(GstBuffer* buffer, const GstAudioInfo& info, gint64 from, gint64 until,
                          gint64 fadeOut = 0, gint64 fadeIn = 0);

} // namespace lesnor
