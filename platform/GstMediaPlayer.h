#pragma once

#include "platform/MediaPlayer.h"

#include <memory>

namespace lesnor {

// The lesson player: a GStreamer `playbin` (audio only) driven from the user-interface
// thread. Keeps every invariant of IMediaPlayer; in particular:
//
// - Seeks are complete on return. setCurrentPosition() waits (bounded, 2 s) until the
//   pipeline has prerolled at the new position, so the next currentPosition() returns
//   it and the following play() starts the sound there without clipping the onset. A
//   seek while playing pauses, seeks, prerolls and plays on.
// - setUrl() opens and prerolls the file, paused at 0 (state Stopped); it never starts
//   it. "" leaves the player without media (state Undefined). A file that cannot be
//   played (or is no regular file: a pipe, a folder) leaves the player Stopped at 0;
//   play() then does nothing. With an event loop setUrl() returns at once and the
//   preroll and warm-up (below) go on from it; play(), setCurrentPosition() and
//   duration() first complete them (bounded wait), so a play right after setUrl() is as
//   well prepared as any; stop(), playState() and currentPosition() meanwhile answer
//   Stopped at 0.
// - stop() is pause + seek to 0 (Stopped, position 0).
// - End of media: Stopped, position 0, pipeline prerolled at 0 again.
// - setStopPosition(s): the next play() (and any seek) ends the sound exactly at s,
//   faded out over the last 5 ms before s (no click inside continuous sound). stop()
//   and a seek cut the sound where they find it.
//   Reaching it reports Paused with position exactly s until stop(), a seek or play()
//   (which then plays on to the end of the media). A stop position at or before the
//   start of the play, or at or past the end of the media, is ignored for that play. A
//   negative value clears it; setUrl() clears it too.
// - currentPosition() while playing is a cheap pipeline query, never below the start of
//   the play, never decreasing and never past the stop position; it stays at the start
//   until the silenced lead-in (below) has played. Otherwise it is the position kept by
//   the last operation.
// - State and position never depend on an event loop: every call first takes the
//   pending bus messages (end of stream, errors) and acts on them; an end of stream
//   left over from an earlier segment is recognised by its seek number and ignored. A
//   coarse QTimer, when an event loop exists, does the same while playing so an
//   unwatched end of media is also noticed. No Qt object is touched from GStreamer's
//   threads.
// - Output: a reachable PulseAudio-compatible sound server, else the default ALSA
//   device directly, else (each refuses within milliseconds) a silent sink paced by the
//   system clock: positions, end of media and stop positions behave the same, unheard,
//   and soundOutputMissing() says so. LESNOR_AUDIO_SINK=fake in the environment, or
//   Output::Silent, chooses the silent sink without looking.
// - How the sound server is kept honest (each measured, see bench/bench_sync.cpp):
//   every play starts 80 ms before its position with that lead-in silenced (the server
//   drops the first milliseconds of a starting stream; a play from less than 80 ms into
//   the media gets the missing part of its lead-in as silence, by delaying the sink's
//   input that much); a play with a stop position runs
//   50 ms past it in silence, and stop() right before the stop position waits for that
//   tail (the server keeps up to one processing cycle of sound when stopped, and plays
//   it at the next start);
//   setUrl() plays the first milliseconds silenced (the server stalls the first play of
//   a stream for as long as the stream has existed); the clock is not read in the first
//   milliseconds of a play (a wild reading freezes it); and a position frozen for 0.5 s
//   while playing rebuilds the stream and plays on.
// - close() releases the file (pipeline to NULL); the player is then without media.
// - GStreamer is set up (registry, output choice) on a thread of its own started by the
//   constructor, at once or once a held set-up is released (SetUpGate.h); every call
//   first releases and waits for it, so a program start does not.
// - Without a usable GStreamer (no playbin) the player keeps the address, stays at 0 and
//   never plays.
class GstMediaPlayer final : public IMediaPlayer {
public:
    enum class Output {
        Automatic, // the sound server, else ALSA, else the silent sink
        Silent,    // always the silent sink
    };

    explicit GstMediaPlayer(Output output = Output::Automatic);
    ~GstMediaPlayer() override;
    GstMediaPlayer(const GstMediaPlayer&) = delete;
    GstMediaPlayer& operator=(const GstMediaPlayer&) = delete;

    void setUrl(const QString& path) override;
    QString url() const override;
    void close() override;
    void play() override;
    void stop() override;
    double currentPosition() const override;
    void setCurrentPosition(double seconds) override;
    PlayState playState() const override;
    void setStopPosition(double seconds) override;

    // True when the sound goes to the silent sink instead of a sound server.
    bool isSilent() const;
    bool soundOutputMissing() const override;
    // Length of the open media in seconds; 0 without playable media.
    double duration() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
