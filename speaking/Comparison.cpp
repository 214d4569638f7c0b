#include "speaking/Comparison.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lesnor {
namespace {

FeatureRows speechRows(const VoiceAnalysis& a) {
    FeatureRows rows;
    rows.dim = a.features.dim;
    rows.values.assign(a.features.values.begin() + long(a.speechBegin) * a.features.dim,
                       a.features.values.begin() + long(a.speechEnd) * a.features.dim);
    return rows;
}

float median(std::vector<float> v) {
    if (v.empty())
        return std::numeric_limits<float>::quiet_NaN();
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

Comparison compareAttempt(const Sound& model, const Sound& attempt) {
    Comparison c;
    c.model = analyseVoice(model);
    c.attempt = analyseVoice(attempt);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    c.alignedPitch.assign(size_t(c.model.frames()), nan);
    if (c.model.verdict != VoiceAnalysis::Verdict::Speech)
        c.problem = Comparison::Problem::ModelMissing;
    else if (c.attempt.verdict == VoiceAnalysis::Verdict::Silence)
        c.problem = Comparison::Problem::Silence;
    else if (c.attempt.verdict == VoiceAnalysis::Verdict::NoSpeech)
        c.problem = Comparison::Problem::NoSpeech;
    if (!c.comparable())
        return c;

    c.lengthRatio = c.attempt.speechSeconds() / c.model.speechSeconds();
    const WarpPath path = warpAlign(speechRows(c.model), speechRows(c.attempt));
    std::vector<std::vector<float>> atModelFrame(size_t(c.model.speechEnd - c.model.speechBegin));
    for (const auto& [m, t] : path.pairs) {
        const float hz = c.attempt.pitchHz[size_t(c.attempt.speechBegin + t)];
        if (hz > 0)
            atModelFrame[size_t(m)].push_back(float(semitonesOf(hz)));
    }
    std::vector<float> offsets;
    std::vector<float> distances;
    for (size_t m = 0; m < atModelFrame.size(); ++m) {
        const size_t frame = size_t(c.model.speechBegin) + m;
        if (atModelFrame[m].empty())
            continue;
        const float st = median(atModelFrame[m]);
        c.alignedPitch[frame] = st;
        if (c.model.pitchHz[frame] > 0) {
            const float offset = st - float(semitonesOf(c.model.pitchHz[frame]));
            offsets.push_back(offset);
            distances.push_back(std::fabs(offset));
        }
    }
    if (!offsets.empty()) {
        c.pitchOffsetMedian = median(offsets);
        c.pitchDistanceMedian = median(distances);
    }
    return c;
}

QString problemText(Comparison::Problem problem) {
    switch (problem) {
    case Comparison::Problem::None:
        return {};
    case Comparison::Problem::ModelMissing:
        return QStringLiteral("这一句的录音里没有语音，无法对比。");
    case Comparison::Problem::Silence:
        return QStringLiteral("没有录到声音：请检查麦克风是否接好、是否静音。");
    case Comparison::Problem::NoSpeech:
        return QStringLiteral("录到的声音不像说话（只有持续的噪声或单音），请靠近麦克风再读一遍。");
    }
    return {};
}

QString clippingText() {
    return QStringLiteral("录音音量过大，声音已削波失真：请把麦克风音量调低或离远一些。");
}

} // namespace lesnor
