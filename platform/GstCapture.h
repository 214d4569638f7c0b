#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;

namespace lesnor {

// What the two captures from the sound server (GstSoundCapture to a file, GstVoiceTake
// to memory) share.

// Without a microphone the server records from the monitor of an output instead (named
// "<output>.monitor"): that would record the lesson, not the learner. True when the
// capture's element "src" runs from a real input, or when the server has not named its
// source within `waitMs` (it does a few tens of milliseconds after the start).
bool capturesFromMicrophone(GstElement* pipeline, qint64 waitMs, const QLoggingCategory& log);

// Takes the pending error messages of `bus` (may be null), logging each; true when there
// was one.
bool takeBusErrors(GstBus* bus, const QLoggingCategory& log);

// Stops and releases a pipeline and its bus; both become null.
void tearDownPipeline(GstElement*& pipeline, GstBus*& bus);
// The same on a thread of its own, for a pipeline whose stream has ended: the caller
// does not wait for the sound server to let the stream go. Both become null at once.
void tearDownPipelineLater(GstElement*& pipeline, GstBus*& bus);

} // namespace lesnor
