#include "speaking/VoiceAnalysis.h"

#include <algorithm>
#include <aubio/aubio.h>
#include <cmath>
#include <memory>

namespace lesnor {
namespace {

constexpr double kLoudDb = -50;      // below this a frame is silence whatever the floor
constexpr double kAboveFloorDb = 12; // speech rises this far above the noise floor
constexpr double kMinSpeechSeconds = 0.15;
constexpr double kPauseSeconds = 0.3;
constexpr double kSteadyToneSemitones = 0.5;
constexpr double kClippedShare = 0.0005;
constexpr float kFullScale = 0.999f;
constexpr int kCoefficients = 13; // MFCC 0..12; 0 (the loudness) is left out
constexpr int kFilters = 40;

// Sound above 16 kHz is analysed at a whole fraction of its rate, at most 16 kHz: speech
// pitch and the spectrum that tells sounds apart lie well below 7 kHz, and it makes the
// analysis three times cheaper at 44.1 kHz. A windowed-sinc low-pass (Hann, 8 taps a
// side per step) keeps what is above the new half rate from folding down.
Sound decimated(const Sound& in) {
    const int factor = (in.rate + 15999) / 16000;
    if (factor <= 1)
        return in;
    const int side = 8 * factor;
    std::vector<float> taps(size_t(2 * side + 1));
    const double cutoff = 0.9 / (2.0 * factor); // of the input's rate
    double sum = 0;
    for (int k = -side; k <= side; ++k) {
        const double x = 2 * M_PI * cutoff * k;
        const double sinc = k == 0 ? 1.0 : std::sin(x) / x;
        const double hann = 0.5 + 0.5 * std::cos(M_PI * k / (side + 1));
        taps[size_t(k + side)] = float(sinc * hann);
        sum += sinc * hann;
    }
    for (float& t : taps)
        t = float(t / sum);
    Sound out;
    out.rate = in.rate / factor;
    const long n = long(in.samples.size());
    out.samples.resize(size_t(n / factor));
    for (long i = 0; i < long(out.samples.size()); ++i) {
        const long centre = i * factor;
        float acc = 0;
        for (long k = std::max(-long(side), -centre); k <= side && centre + k < n; ++k)
            acc += taps[size_t(k + side)] * in.samples[size_t(centre + k)];
        out.samples[size_t(i)] = acc;
    }
    return out;
}

// About 12 ms per frame: the largest power of two at most rate / 80.
int hopFor(int rate) {
    int hop = 32;
    while (hop * 2 <= rate / 80)
        hop *= 2;
    return hop;
}

double percentile(std::vector<float> v, double p) {
    if (v.empty())
        return 0;
    const size_t k = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
}

struct FvecDeleter {
    void operator()(fvec_t* v) const { del_fvec(v); }
};
struct CvecDeleter {
    void operator()(cvec_t* v) const { del_cvec(v); }
};
struct PitchDeleter {
    void operator()(aubio_pitch_t* p) const { del_aubio_pitch(p); }
};
struct PvocDeleter {
    void operator()(aubio_pvoc_t* p) const { del_aubio_pvoc(p); }
};
struct MfccDeleter {
    void operator()(aubio_mfcc_t* p) const { del_aubio_mfcc(p); }
};

// Pitch (YIN in the frequency domain) and MFCC for each frame. The tracker gives 0 Hz
// where no period stands out (its own threshold); it reports no confidence figure. aubio's objects slide a
// window of `window` samples by `hop`: the frame they describe ends at the newest
// sample, so their output lags the frame by (window - hop) / 2, which is taken back.
void trackPitchAndFeatures(const Sound& sound, VoiceAnalysis& a) {
    const int hop = a.hop;
    const int pitchWindow = 4 * hop;
    const int featureWindow = 2 * hop;
    const int frames = a.frames();
    const int pitchLag = (pitchWindow - hop) / 2 / hop + 1;
    const int featureLag = (featureWindow - hop) / 2 / hop + 1;

    std::unique_ptr<aubio_pitch_t, PitchDeleter> pitch(
        new_aubio_pitch("yinfft", uint_t(pitchWindow), uint_t(hop), uint_t(sound.rate)));
    std::unique_ptr<aubio_pvoc_t, PvocDeleter> pvoc(new_aubio_pvoc(uint_t(featureWindow), uint_t(hop)));
    std::unique_ptr<aubio_mfcc_t, MfccDeleter> mfcc(
        new_aubio_mfcc(uint_t(featureWindow), kFilters, kCoefficients, uint_t(sound.rate)));
    std::unique_ptr<fvec_t, FvecDeleter> in(new_fvec(uint_t(hop)));
    std::unique_ptr<fvec_t, FvecDeleter> pitchOut(new_fvec(1));
    std::unique_ptr<cvec_t, CvecDeleter> spectrum(new_cvec(uint_t(featureWindow)));
    std::unique_ptr<fvec_t, FvecDeleter> coefficients(new_fvec(kCoefficients));
    if (!pitch || !pvoc || !mfcc)
        return;
    aubio_pitch_set_unit(pitch.get(), "Hz");
    aubio_pitch_set_silence(pitch.get(), float(kLoudDb));

    a.pitchHz.assign(size_t(frames), 0.0f);
    a.features.dim = kCoefficients - 1;
    a.features.values.assign(size_t(frames) * size_t(a.features.dim), 0.0f);
    const int steps = frames + std::max(pitchLag, featureLag);
    for (int k = 0; k < steps; ++k) {
        for (int s = 0; s < hop; ++s) {
            const size_t at = size_t(k) * size_t(hop) + size_t(s);
            in->data[s] = at < sound.samples.size() ? sound.samples[at] : 0.0f;
        }
        aubio_pitch_do(pitch.get(), in.get(), pitchOut.get());
        const int pf = k - pitchLag;
        if (pf >= 0 && pf < frames && a.speech[size_t(pf)]) {
            const float hz = pitchOut->data[0];
            if (hz >= 50.0f && hz <= 1000.0f)
                a.pitchHz[size_t(pf)] = hz;
        }
        aubio_pvoc_do(pvoc.get(), in.get(), spectrum.get());
        aubio_mfcc_do(mfcc.get(), spectrum.get(), coefficients.get());
        const int ff = k - featureLag;
        if (ff >= 0 && ff < frames)
            std::copy(coefficients->data + 1, coefficients->data + kCoefficients,
                      a.features.values.begin() + long(ff) * a.features.dim);
    }
}

// Each feature less its mean over the speech: a different microphone or voice colour
// moves every frame alike, and that should not count as a difference.
void normaliseFeatures(VoiceAnalysis& a) {
    const int dim = a.features.dim;
    const int n = a.speechEnd - a.speechBegin;
    if (n <= 0 || dim == 0)
        return;
    for (int k = 0; k < dim; ++k) {
        double sum = 0;
        for (int i = a.speechBegin; i < a.speechEnd; ++i)
            sum += a.features.values[size_t(i) * size_t(dim) + size_t(k)];
        const float mean = float(sum / n);
        for (int i = 0; i < a.frames(); ++i)
            a.features.values[size_t(i) * size_t(dim) + size_t(k)] -= mean;
    }
}

std::vector<float> voicedSemitones(const VoiceAnalysis& a) {
    std::vector<float> st;
    for (int i = a.speechBegin; i < a.speechEnd; ++i)
        if (a.pitchHz[size_t(i)] > 0)
            st.push_back(float(semitonesOf(a.pitchHz[size_t(i)])));
    return st;
}

} // namespace

Sound soundFromPcm16(const qint16* data, size_t count, int rate) {
    Sound sound;
    sound.rate = rate;
    sound.samples.resize(count);
    for (size_t i = 0; i < count; ++i)
        sound.samples[i] = float(data[i]) / 32768.0f;
    return sound;
}

double semitonesOf(double hz) {
    return 69.0 + 12.0 * std::log2(hz / 440.0);
}

double levelDb(double meanSquare) {
    return meanSquare > 1e-12 ? 10.0 * std::log10(meanSquare) : -120.0;
}

double VoiceAnalysis::pitchRangeSemitones() const {
    const std::vector<float> st = voicedSemitones(*this);
    return st.empty() ? 0.0 : percentile(st, 0.95) - percentile(st, 0.05);
}

double VoiceAnalysis::medianPitchHz() const {
    std::vector<float> hz;
    for (int i = speechBegin; i < speechEnd; ++i)
        if (pitchHz[size_t(i)] > 0)
            hz.push_back(pitchHz[size_t(i)]);
    return hz.empty() ? 0.0 : percentile(hz, 0.5);
}

VoiceAnalysis analyseVoice(const Sound& input) {
    VoiceAnalysis a;
    if (input.rate <= 0 || input.samples.empty())
        return a;
    size_t atFullScale = 0;
    for (const float x : input.samples)
        atFullScale += std::fabs(x) >= kFullScale;
    a.clipped = double(atFullScale) >= kClippedShare * double(input.samples.size());

    const Sound sound = decimated(input);
    a.rate = sound.rate;
    a.hop = hopFor(sound.rate);
    const int frames = int((sound.samples.size() + size_t(a.hop) - 1) / size_t(a.hop));

    a.level.resize(size_t(frames));
    for (int i = 0; i < frames; ++i) {
        const size_t begin = size_t(i) * size_t(a.hop);
        const size_t end = std::min(sound.samples.size(), begin + size_t(a.hop));
        double sum = 0;
        for (size_t s = begin; s < end; ++s) {
            const float x = sound.samples[s];
            sum += double(x) * x;
        }
        a.level[size_t(i)] = float(levelDb(sum / double(end - begin)));
    }
    a.noiseFloorDb = percentile(a.level, 0.1);

    const double threshold = std::max(kLoudDb, a.noiseFloorDb + kAboveFloorDb);
    const bool anyLoud = std::any_of(a.level.begin(), a.level.end(), [](float l) { return l > kLoudDb; });
    a.speech.resize(size_t(frames));
    int speechFrames = 0;
    for (int i = 0; i < frames; ++i) {
        a.speech[size_t(i)] = a.level[size_t(i)] > threshold;
        speechFrames += a.speech[size_t(i)];
    }
    const auto first = std::find(a.speech.begin(), a.speech.end(), true);
    if (first != a.speech.end()) {
        a.speechBegin = int(first - a.speech.begin());
        a.speechEnd = frames - int(std::find(a.speech.rbegin(), a.speech.rend(), true) - a.speech.rbegin());
    }

    trackPitchAndFeatures(sound, a);
    normaliseFeatures(a);

    const double frame = a.frameSeconds();
    for (int i = a.speechBegin; i < a.speechEnd;) {
        if (a.speech[size_t(i)]) {
            ++i;
            continue;
        }
        const int from = i;
        while (i < a.speechEnd && !a.speech[size_t(i)])
            ++i;
        if ((i - from) * frame > kPauseSeconds)
            a.pauses.push_back({from * frame, i * frame});
    }

    if (!anyLoud) {
        a.verdict = VoiceAnalysis::Verdict::Silence;
    } else {
        const std::vector<float> st = voicedSemitones(a);
        const bool steadyTone = !st.empty() && double(st.size()) >= 0.8 * speechFrames &&
                                percentile(st, 0.95) - percentile(st, 0.05) < kSteadyToneSemitones;
        a.verdict = speechFrames * frame < kMinSpeechSeconds || steadyTone ? VoiceAnalysis::Verdict::NoSpeech
                                                                           : VoiceAnalysis::Verdict::Speech;
    }
    return a;
}

} // namespace lesnor
