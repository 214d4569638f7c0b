#pragma once

#include "speaking/TimeWarp.h"

#include <QtGlobal>
#include <vector>

namespace lesnor {

// Mono sound as floats in [-1, 1] at `rate` frames per second.
struct Sound {
    int rate = 0;
    std::vector<float> samples;
    double seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
};
Sound soundFromPcm16(const qint16* data, size_t count, int rate);

// A pitch in semitones (the MIDI scale: 69 is 440 Hz).
double semitonesOf(double hz);

// A level in dB of full scale from a mean square; -120 for silence.
double levelDb(double meanSquare);

// What a sound holds, frame by frame (a frame is `hop` samples, about 12 ms).
//
// Loud frames are above -50 dBFS; speech frames are loud frames also 12 dB above the
// sound's noise floor (the tenth percentile of the frame levels). The speech runs from
// the first speech frame to the last; pauses are runs of non-speech frames inside it
// longer than 0.3 s. The verdict:
//   Silence   no loud frame at all (no microphone signal, a muted input)
//   NoSpeech  loud but nothing rises above the floor for 0.15 s, or a steady tone: the
//             pitch of its voiced speech frames stays within half a semitone
//   Speech    otherwise
// Clipping: at least 0.05 % of the samples at full scale; the analysis still holds.
struct VoiceAnalysis {
    enum class Verdict { Silence, NoSpeech, Speech };
    struct Pause {
        double begin = 0; // seconds from the sound's start
        double end = 0;
    };

    int rate = 0; // the rate analysed at: the sound's, or a whole fraction of it
    int hop = 0;
    std::vector<float> pitchHz; // per frame; 0 where unvoiced or not speech
    std::vector<float> level;   // per frame, dBFS
    std::vector<bool> speech;   // per frame
    FeatureRows features;       // per frame: MFCC 1..12, less their mean over the speech
    int speechBegin = 0;        // frames [speechBegin, speechEnd); empty without speech
    int speechEnd = 0;
    std::vector<Pause> pauses;
    double noiseFloorDb = -120;
    bool clipped = false;
    Verdict verdict = Verdict::Silence;

    int frames() const { return int(level.size()); }
    double frameSeconds() const { return rate > 0 ? double(hop) / rate : 0.0; }
    double speechSeconds() const { return (speechEnd - speechBegin) * frameSeconds(); }
    // Semitones between the 5th and 95th percentile of the voiced speech frames' pitch.
    double pitchRangeSemitones() const;
    double medianPitchHz() const; // of the voiced speech frames; 0 without any
};

VoiceAnalysis analyseVoice(const Sound& sound);

} // namespace lesnor
