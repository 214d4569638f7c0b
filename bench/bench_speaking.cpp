// Speak and compare's analysis: pitch, spectral features and their alignment of a 5 s
// attempt against a 5 s model, both synthesised speech at the capture's 44.1 kHz (the
// attempt a second voice-like copy: the model slowed by a tenth, with room noise),
// on this thread alone.
//   speaking_analysis_ms   median and 95th percentile of 21 runs, the time waiting for
//                          a processor taken out (ThreadClock)
#include "ThreadClock.h"
#include "platform/VoiceSynthesizer.h"
#include "speaking/Comparison.h"

#include <QCoreApplication>
#include <cstdio>
#include <random>

using namespace lesnor;

namespace {

Sound fiveSeconds(const SpeechAudio& audio, double slower, float noise) {
    // At the capture's rate, read from the voice's by the nearest sample.
    Sound s;
    s.rate = 44100;
    s.samples.resize(size_t(5 * s.rate));
    const double step = double(audio.rate) / s.rate / slower;
    std::mt19937 random(3);
    std::normal_distribution<float> hiss(0.0f, noise);
    for (size_t i = 0; i < s.samples.size(); ++i) {
        const size_t from = size_t(double(i) * step);
        const float x = from < audio.samples.size() ? float(audio.samples[from]) / 32768.0f : 0.0f;
        s.samples[i] = x + hiss(random);
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto voice = VoiceSynthesizer::open();
    if (!voice) {
        std::printf("speaking_analysis_ms: skipped (no voice synthesiser)\n");
        return 1;
    }
    const SpeechAudio audio = voice->speak(QStringLiteral(
        "Last summer we took the train to the sea, and we walked along the beach every morning."));
    const Sound model = fiveSeconds(audio, 1.0, 0.0f);
    const Sound attempt = fiveSeconds(audio, 1.1, 0.002f);
    std::vector<double> ms;
    Comparison c;
    for (int run = 0; run < 21; ++run) {
        bench::ThreadClock clock;
        clock.start();
        c = compareAttempt(model, attempt);
        ms.push_back(clock.unloadedMs());
    }
    std::printf(
        "speaking_analysis_ms: %.1f ms (median of 21; p95 %.1f ms; 5 s vs 5 s at %d Hz, %d + %d frames, "
        "speech %.2f s vs %.2f s)\n",
        bench::median(ms), bench::percentile(ms, 0.95), model.rate, c.model.frames(), c.attempt.frames(),
        c.model.speechSeconds(), c.attempt.speechSeconds());
    return c.comparable() ? 0 : 1;
}
