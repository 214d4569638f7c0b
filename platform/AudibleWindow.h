#pragma once

#include <gst/audio/audio.h>

namespace lesnor {

// Replaces with silence the frames of a raw interleaved audio buffer whose media time
// (the buffer's timestamp plus the frame's offset at the stream's rate) lies before
// `from` or at or after `until`, both in nanoseconds; a negative bound is no bound.
// Takes `buffer` and returns the buffer to use instead: the same one when nothing is
// silenced, else a writable one. Buffers without a timestamp are left as they are.
GstBuffer* silenceOutside(GstBuffer* buffer, const GstAudioInfo& info, gint64 from, gint64 until);

} // namespace lesnor
