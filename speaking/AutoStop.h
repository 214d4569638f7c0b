#pragma once

namespace lesnor {

// When a follow-the-model recording ends by itself, fed the level of each block of
// captured sound as it arrives (times in seconds since the recording started, from
// whatever clock the caller keeps):
// - 0.8 s of silence after speech was heard;
// - at 3 x the sentence's length + 2 s, whatever was heard.
// A block is speech when it is above -50 dBFS and 12 dB above the quietest block so far
// (the room's noise floor, as far as it is known); speech is heard once its blocks add
// up to 0.15 s, so a click or a breath alone does not start the silence wait.
class AutoStop {
public:
    enum class Decision { Continue, SilenceAfterSpeech, TimeLimit };

    explicit AutoStop(double sentenceSeconds);

    Decision feed(double blockEndSeconds, double blockSeconds, double levelDb);

    double limitSeconds() const { return limit_; }
    bool speechHeard() const { return speechSeconds_ >= kSpeechSeconds; }

    static constexpr double kSilenceSeconds = 0.8;
    static constexpr double kSpeechSeconds = 0.15;

private:
    double limit_;
    double floorDb_ = 0;
    bool floorKnown_ = false;
    double speechSeconds_ = 0;
    double lastSpeechEnd_ = 0;
};

} // namespace lesnor
