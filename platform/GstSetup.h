#pragma once

namespace lesnor {

// Sets GStreamer up once for the whole process (thread-safe; later calls only return
// the first result) and keeps the MP3 decoder's harmless "allocate_output_buffer"
// critical out of the program's output. False when GStreamer cannot be used: every
// sound class then stays silent instead of failing.
bool gstreamerReady();

} // namespace lesnor
