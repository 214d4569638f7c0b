#pragma once

typedef struct _GstElement GstElement;

namespace lesnor {

// Sets GStreamer up once for the whole process (thread-safe; later calls only return
// the first result) and keeps the MP3 decoder's harmless "allocate_output_buffer"
// critical out of the program's output. False when GStreamer cannot be used: every
// sound class then stays silent instead of failing.
bool gstreamerReady();

// Gives an audio sink its own connection to the sound server (a client name of its
// own, `who` and a number). The sinks of one client name share one connection, and a
// connection that died with its server stays in use while any sink of the process
// still holds it: a sink of its own connects to a server that came back. Sinks
// without that property are left as they are.
void useOwnServerConnection(GstElement* sink, const char* who);

} // namespace lesnor
