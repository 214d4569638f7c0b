#include "platform/VoiceSynthesizer.h"

#include <algorithm>
#include <cstdlib>
#include <espeak-ng/speak_lib.h>

extern "C" {
#include <flite/flite.h>
cst_voice* register_cmu_us_slt(const char* voxdir);
}

namespace lesnor {
namespace {

// The engines begin every text with a pause (flite: about 0.2 s); a looked-up word
// should sound at once. Samples below this level count as silence, and this much of it
// is kept before the first sound.
constexpr int kSilenceLevel = 200;
constexpr int kKeptBeforeSoundMs = 10;

void trimLeadingSilence(SpeechAudio& audio) {
    const auto first = std::find_if(audio.samples.begin(), audio.samples.end(),
                                    [](qint16 s) { return std::abs(int(s)) > kSilenceLevel; });
    const auto keep =
        std::min<std::ptrdiff_t>(first - audio.samples.begin(), audio.rate * kKeptBeforeSoundMs / 1000);
    audio.samples.erase(audio.samples.begin(), first - keep);
}

class FliteSynthesizer final : public VoiceSynthesizer {
public:
    static std::unique_ptr<VoiceSynthesizer> open() {
        // flite keeps its voice for the life of the process; set it up once.
        static cst_voice* const voice = [] {
            flite_init();
            return register_cmu_us_slt(nullptr);
        }();
        if (!voice)
            return nullptr;
        return std::unique_ptr<VoiceSynthesizer>(new FliteSynthesizer(voice));
    }

    QString name() const override { return QStringLiteral("flite slt"); }

    SpeechAudio synthesize(const QString& text) override {
        SpeechAudio audio;
        const QByteArray utf8 = text.trimmed().toUtf8();
        if (utf8.isEmpty())
            return audio;
        cst_wave* wave = flite_text_to_wave(utf8.constData(), voice_);
        if (!wave)
            return audio;
        if (cst_wave_num_channels(wave) == 1 && cst_wave_num_samples(wave) > 0) {
            const qint16* samples = cst_wave_samples(wave);
            audio.samples.assign(samples, samples + cst_wave_num_samples(wave));
            audio.rate = cst_wave_sample_rate(wave);
        }
        delete_wave(wave);
        return audio;
    }

private:
    explicit FliteSynthesizer(cst_voice* voice)
        : voice_(voice) {}
    cst_voice* voice_;
};

class EspeakSynthesizer final : public VoiceSynthesizer {
public:
    static std::unique_ptr<VoiceSynthesizer> open() {
        static const int rate = [] {
            const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
            if (r > 0) {
                espeak_SetSynthCallback(&EspeakSynthesizer::collect);
                if (espeak_SetVoiceByName("en-us") != EE_OK)
                    return 0;
            }
            return r;
        }();
        if (rate <= 0)
            return nullptr;
        return std::unique_ptr<VoiceSynthesizer>(new EspeakSynthesizer(rate));
    }

    QString name() const override { return QStringLiteral("espeak-ng en-us"); }

    SpeechAudio synthesize(const QString& text) override {
        SpeechAudio audio;
        const QByteArray utf8 = text.trimmed().toUtf8();
        if (utf8.isEmpty())
            return audio;
        audio.rate = rate_;
        if (espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                         nullptr, &audio.samples) != EE_OK)
            audio.samples.clear();
        return audio;
    }

private:
    explicit EspeakSynthesizer(int rate)
        : rate_(rate) {}

    static int collect(short* samples, int count, espeak_EVENT* events) {
        if (samples && count > 0 && events && events->user_data) {
            auto* out = static_cast<std::vector<qint16>*>(events->user_data);
            out->insert(out->end(), samples, samples + count);
        }
        return 0;
    }

    int rate_;
};

} // namespace

SpeechAudio VoiceSynthesizer::speak(const QString& text) {
    SpeechAudio audio = synthesize(text);
    trimLeadingSilence(audio);
    return audio;
}

std::unique_ptr<VoiceSynthesizer> VoiceSynthesizer::open() {
    if (qEnvironmentVariable("LESNOR_SPEECH_ENGINE") != QLatin1String("espeak-ng")) {
        if (std::unique_ptr<VoiceSynthesizer> flite = FliteSynthesizer::open())
            return flite;
    }
    return EspeakSynthesizer::open();
}

} // namespace lesnor
