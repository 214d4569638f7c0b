#include "platform/VoiceSynthesizer.h"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <espeak-ng/speak_lib.h>
#include <optional>

extern "C" {
#include <flite/flite.h>
cst_voice* register_cmu_us_slt(const char* voxdir);
}

namespace lesnor {
namespace {

// The engines are loaded when a voice is first opened (on the voice's own thread), not
// with the program: with what they bring along they are some twenty libraries that the
// window does not need to appear.
template <class F> bool bind(void* library, const char* name, F** function) {
    *function = library ? reinterpret_cast<F*>(dlsym(library, name)) : nullptr;
    return *function != nullptr;
}

struct FliteCalls {
    decltype(&::flite_init) init = nullptr;
    decltype(&::register_cmu_us_slt) registerSlt = nullptr;
    decltype(&::flite_text_to_wave) textToWave = nullptr;
    decltype(&::delete_wave) deleteWave = nullptr;

    // Null when flite or its voice cannot be loaded. Loaded once, kept for the process.
    static const FliteCalls* load() {
        static const std::optional<FliteCalls> calls = []() -> std::optional<FliteCalls> {
            FliteCalls c;
            void* flite = dlopen("libflite.so.1", RTLD_NOW);
            void* slt = dlopen("libflite_cmu_us_slt.so.1", RTLD_NOW);
            if (bind(flite, "flite_init", &c.init) && bind(slt, "register_cmu_us_slt", &c.registerSlt) &&
                bind(flite, "flite_text_to_wave", &c.textToWave) && bind(flite, "delete_wave", &c.deleteWave))
                return c;
            return std::nullopt;
        }();
        return calls ? &*calls : nullptr;
    }
};

struct EspeakCalls {
    decltype(&::espeak_Initialize) initialize = nullptr;
    decltype(&::espeak_SetSynthCallback) setSynthCallback = nullptr;
    decltype(&::espeak_SetVoiceByName) setVoiceByName = nullptr;
    decltype(&::espeak_Synth) synth = nullptr;

    static const EspeakCalls* load() {
        static const std::optional<EspeakCalls> calls = []() -> std::optional<EspeakCalls> {
            EspeakCalls c;
            void* espeak = dlopen("libespeak-ng.so.1", RTLD_NOW);
            if (bind(espeak, "espeak_Initialize", &c.initialize) &&
                bind(espeak, "espeak_SetSynthCallback", &c.setSynthCallback) &&
                bind(espeak, "espeak_SetVoiceByName", &c.setVoiceByName) &&
                bind(espeak, "espeak_Synth", &c.synth))
                return c;
            return std::nullopt;
        }();
        return calls ? &*calls : nullptr;
    }
};

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
        const FliteCalls* flite = FliteCalls::load();
        if (!flite)
            return nullptr;
        static cst_voice* const voice = [flite] {
            flite->init();
            return flite->registerSlt(nullptr);
        }();
        if (!voice)
            return nullptr;
        return std::unique_ptr<VoiceSynthesizer>(new FliteSynthesizer(*flite, voice));
    }

    QString name() const override { return QStringLiteral("flite slt"); }

    SpeechAudio synthesize(const QString& text) override {
        SpeechAudio audio;
        const QByteArray utf8 = text.trimmed().toUtf8();
        if (utf8.isEmpty())
            return audio;
        cst_wave* wave = flite_.textToWave(utf8.constData(), voice_);
        if (!wave)
            return audio;
        if (cst_wave_num_channels(wave) == 1 && cst_wave_num_samples(wave) > 0) {
            const qint16* samples = cst_wave_samples(wave);
            audio.samples.assign(samples, samples + cst_wave_num_samples(wave));
            audio.rate = cst_wave_sample_rate(wave);
        }
        flite_.deleteWave(wave);
        return audio;
    }

private:
    FliteSynthesizer(const FliteCalls& flite, cst_voice* voice)
        : flite_(flite)
        , voice_(voice) {}
    const FliteCalls& flite_;
    cst_voice* voice_;
};

class EspeakSynthesizer final : public VoiceSynthesizer {
public:
    static std::unique_ptr<VoiceSynthesizer> open() {
        const EspeakCalls* espeak = EspeakCalls::load();
        if (!espeak)
            return nullptr;
        static const int rate = [espeak] {
            const int r =
                espeak->initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
            if (r > 0) {
                espeak->setSynthCallback(&EspeakSynthesizer::collect);
                if (espeak->setVoiceByName("en-us") != EE_OK)
                    return 0;
            }
            return r;
        }();
        if (rate <= 0)
            return nullptr;
        return std::unique_ptr<VoiceSynthesizer>(new EspeakSynthesizer(*espeak, rate));
    }

    QString name() const override { return QStringLiteral("espeak-ng en-us"); }

    SpeechAudio synthesize(const QString& text) override {
        SpeechAudio audio;
        const QByteArray utf8 = text.trimmed().toUtf8();
        if (utf8.isEmpty())
            return audio;
        audio.rate = rate_;
        if (espeak_.synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                          nullptr, &audio.samples) != EE_OK)
            audio.samples.clear();
        return audio;
    }

private:
    EspeakSynthesizer(const EspeakCalls& espeak, int rate)
        : espeak_(espeak)
        , rate_(rate) {}

    static int collect(short* samples, int count, espeak_EVENT* events) {
        if (samples && count > 0 && events && events->user_data) {
            auto* out = static_cast<std::vector<qint16>*>(events->user_data);
            out->insert(out->end(), samples, samples + count);
        }
        return 0;
    }

    const EspeakCalls& espeak_;
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
