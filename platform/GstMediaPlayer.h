#pragma once

#include "platform/MediaPlayer.h"

#include <memory>

namespace lesnor {

// The lesson player: a GStreamer `playbin` (audio only) driven from a thread of its own,
// so no call ever waits for GStreamer or the sound server (docs/ARCHITECTURE.md
// describes the threads and states). Keeps every invariant of IMediaPlayer; in
// particular:
//
// - Calls answer at once from what was asked: after setCurrentPosition() the next
//   currentPosition() reads the new position, after play() the state is Playing, after
//   stop() Stopped at 0. The player's thread carries the requests out in order (requests
//   made meanwhile fold into the latest), and a following play() starts the sound at the
//   seek's position without clipping the onset. A seek while playing plays on from there.
// - setUrl() opens and prerolls the file on the player's thread, paused at 0 (state
//   Stopped); it never starts it. "" leaves the player without media (state Undefined).
//   A file that cannot be played (or is no regular file: a pipe, a folder) leaves the
//   player Stopped at 0; play() then does nothing. A play() or seek right after setUrl()
//   first waits (1 s at most) for the opening's outcome; duration() waits for it
//   (5 s at most). setUrl() and close() never wait: the player's thread releases the
//   previous file next (a file replaced or removed meanwhile is no concern on Linux).
// - stop() is pause + seek to 0 (Stopped, position 0).
// - End of media: Stopped, position 0, pipeline prerolled at 0 again.
// - setStopPosition(s): the next play() (and any seek) ends the sound exactly at s,
//   faded out over the last 5 ms before s (no click inside continuous sound). stop()
//   and a seek cut the sound where they find it; a stop() inside the sound also drops
//   what the server holds of it (the player's thread flushes the running stream and
//   lets it play 50 ms of silence before it pauses), so none of it sounds at the next
//   start.
//   Reaching it reports Paused with position exactly s until stop(), a seek or play()
//   (which then plays on to the end of the media). A stop position at or before the
//   start of the play, or at or past the end of the media, is ignored for that play. A
//   negative value clears it; setUrl() clears it too.
// - setRate(r), 0.5 to 1.0: the following plays run at r with the voice's pitch kept
//   (stretcherName(): SoundTouch's `pitch`, else `scaletempo`); positions, seeks and
//   the stop position stay in media seconds. At 1.0 the sound is not stretched at all.
//   Below 1.0 the sound fades in over its first 5 ms and out over its last 15 ms. A
//   new speed during a play applies at once: the play goes on from where it is (as
//   after a seek: its lead-in is silence).
// - currentPosition() while playing is the player thread's last sample (every 40 ms)
//   run on with the clock for at most 60 ms; never below the start of the play, never
//   decreasing and never past the stop position; it stays at the start until the
//   silenced lead-in (below) has played. Otherwise it is the position kept by the last
//   operation.
// - State and position never depend on the caller's event loop: the player's thread
//   reports an end of play as it happens and the next call takes it. An end of stream
//   left over from an earlier segment is recognised by its seek number and ignored. No
//   Qt object is touched from GStreamer's threads.
// - Output: a reachable PulseAudio-compatible sound server, else the default ALSA
//   device directly, else (each refuses within milliseconds) a silent sink paced by the
//   system clock: positions, end of media and stop positions behave the same, unheard,
//   and soundOutputMissing() says so. LESNOR_AUDIO_SINK=fake in the environment, or
//   Output::Silent, chooses the silent sink without looking.
// - Output trouble: a step of the player's thread that waits for the output longer than
//   1.5 s is Trouble::Stalled; an error of the output (the server went away) is
//   Trouble::Gone, and the next play connects again (the server, else ALSA, else the
//   silent sink until the next play) and reopens the media. The handler is told on the
//   caller's thread (watched every 500 ms while playing, while requests are pending and
//   while in trouble).
// - How the sound server is kept honest (each measured, see bench/bench_sync.cpp):
//   every play starts 80 ms before its position with that lead-in silenced (startLatency()) (the server
//   drops the first milliseconds of a starting stream; a play from less than 80 ms into
//   the media gets the missing part of its lead-in as silence, by delaying the sink's
//   input that much); a play with a stop position runs
//   50 ms past it in silence, and stop() right before the stop position lets the player's
//   thread wait for that tail (the server keeps up to one processing cycle of sound when
//   stopped, and plays it at the next start);
//   an opening plays the first milliseconds silenced (the server stalls the first play of
//   a stream for as long as the stream has existed); the clock is not read in the first
//   milliseconds of a play (a wild reading freezes it); and a position frozen for 0.5 s
//   while playing rebuilds the stream and plays on.
// - close() releases the file (pipeline to NULL); the player is then without media.
// - GStreamer is set up (registry, output choice) first thing on the player's thread, at
//   once or once a held set-up is released (SetUpGate.h); isSilent() and
//   soundOutputMissing() wait for it.
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
    void setRate(double rate) override;
    double rate() const override;
    double startLatency() const override;
    Trouble outputTrouble() const override;
    void setTroubleHandler(std::function<void()> handler) override;

    // True when the sound goes to the silent sink instead of a sound server.
    bool isSilent() const;
    bool soundOutputMissing() const override;
    // Length of the open media in seconds; 0 without playable media.
    double duration() const;
    // The GStreamer element that stretches the sound below speed 1: "pitch" (SoundTouch)
    // where it is installed, else "scaletempo"; LESNOR_STRETCH in the environment names
    // another (the benchmarks compare them). Expects GStreamer set up.
    static QString stretcherName();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace lesnor
