#pragma once

#include "speaking/VoiceAnalysis.h"

#include <QString>
#include <vector>

namespace lesnor {

// The learner's attempt against the model sentence: both analysed, the attempt's speech
// aligned to the model's by dynamic time warping over their spectral features, and the
// plain figures.
struct Comparison {
    enum class Problem {
        None,
        ModelMissing, // the model has no speech (nothing to compare with)
        Silence,      // the attempt holds nothing above the noise floor
        NoSpeech,     // the attempt is sound but not speech (a steady tone, a hum)
    };

    VoiceAnalysis model;
    VoiceAnalysis attempt;
    Problem problem = Problem::None;
    // Per model frame: the attempt's pitch in semitones at the aligned moment (the median
    // of its voiced frames aligned to that frame); NaN where either is not voiced speech.
    std::vector<float> alignedPitch;
    double lengthRatio = 0;         // attempt's speech length / model's
    double pitchOffsetMedian = 0;   // median of (attempt - model) semitones, aligned
    double pitchDistanceMedian = 0; // median of |attempt - model| semitones, aligned

    bool comparable() const { return problem == Problem::None; }
};

Comparison compareAttempt(const Sound& model, const Sound& attempt);

// What the learner reads about a problem (and about clipping); "" when there is none.
QString problemText(Comparison::Problem problem);
QString clippingText();

} // namespace lesnor
