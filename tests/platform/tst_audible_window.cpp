// Silencing the lead-in and tail of a play: which frames go silent, for any sample format,
// and the fade before the tail.
#include "platform/AudibleWindow.h"

#include <QtTest>
#include <cmath>
#include <type_traits>
#include <vector>

using namespace lesnor;

namespace {

constexpr gint64 ms = GST_MSECOND;

// A buffer of `frames` frames of the given format at 1000 frames/s (one frame per ms),
// every byte 0x11, stamped at `ptsMs`.
GstBuffer* makeBuffer(GstAudioInfo& info, GstAudioFormat format, int channels, int frames, gint64 ptsMs) {
    gst_audio_info_set_format(&info, format, 1000, channels, nullptr);
    const gsize size = gsize(frames) * gsize(GST_AUDIO_INFO_BPF(&info));
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
    gst_buffer_memset(buffer, 0, 0x11, size);
    GST_BUFFER_PTS(buffer) = GstClockTime(ptsMs * ms);
    return buffer;
}

// For each frame: true when it is still the original sound.
std::vector<bool> soundingFrames(GstBuffer* buffer, const GstAudioInfo& info) {
    std::vector<bool> sounding;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return sounding;
    const gsize bpf = gsize(GST_AUDIO_INFO_BPF(&info));
    for (gsize f = 0; f < map.size / bpf; ++f) {
        bool original = true;
        for (gsize b = 0; b < bpf; ++b)
            original = original && map.data[f * bpf + b] == 0x11;
        sounding.push_back(original);
    }
    gst_buffer_unmap(buffer, &map);
    return sounding;
}

QString pattern(const std::vector<bool>& frames) {
    QString text;
    for (bool sounding : frames)
        text += sounding ? QLatin1Char('x') : QLatin1Char('.');
    return text;
}

// Calls visit(samples, zero, half) with the buffer's samples as their type, the
// format's silence and half of its full scale.
template <typename Visit> void withSamples(GstAudioFormat format, guint8* data, const Visit& visit) {
    switch (format) {
    case GST_AUDIO_FORMAT_S16:
        return visit(reinterpret_cast<gint16*>(data), 0.0, double(1 << 14));
    case GST_AUDIO_FORMAT_S32:
        return visit(reinterpret_cast<gint32*>(data), 0.0, double(1 << 30));
    case GST_AUDIO_FORMAT_F32:
        return visit(reinterpret_cast<float*>(data), 0.0, 0.5);
    case GST_AUDIO_FORMAT_F64:
        return visit(reinterpret_cast<double*>(data), 0.0, 0.5);
    default: // U8
        return visit(data, 128.0, 64.0);
    }
}

// A buffer of `frames` frames at 1000 frames/s, every sample at half of full scale.
GstBuffer* makeLevel(GstAudioInfo& info, GstAudioFormat format, int channels, int frames, gint64 ptsMs) {
    GstBuffer* buffer = makeBuffer(info, format, channels, frames, ptsMs);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    withSamples(format, map.data, [&](auto* samples, double zero, double half) {
        for (int i = 0; i < frames * channels; ++i)
            samples[i] = std::remove_pointer_t<decltype(samples)>(zero + half);
    });
    gst_buffer_unmap(buffer, &map);
    return buffer;
}

// Each frame's level relative to makeLevel()'s; NaN where the channels of a frame differ.
std::vector<double> gainsOf(GstBuffer* buffer, const GstAudioInfo& info) {
    std::vector<double> gains;
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    const int channels = GST_AUDIO_INFO_CHANNELS(&info);
    const int frames = int(map.size / gsize(GST_AUDIO_INFO_BPF(&info)));
    withSamples(GST_AUDIO_INFO_FORMAT(&info), map.data, [&](auto* samples, double zero, double half) {
        for (int f = 0; f < frames; ++f) {
            const double gain = (double(samples[f * channels]) - zero) / half;
            bool same = true;
            for (int c = 1; c < channels; ++c)
                same = same && samples[f * channels + c] == samples[f * channels];
            gains.push_back(same ? gain : std::nan(""));
        }
    });
    gst_buffer_unmap(buffer, &map);
    return gains;
}

// The frames at `ptsMs`.. of `format` after silenceOutside(), delivered in one buffer or,
// with `splitAt` > 0, in two with the second starting at frame `splitAt`.
std::vector<double> fadedGains(GstAudioFormat format, int channels, gint64 from, gint64 until, gint64 fade,
                               int splitAt = 0, gint64 fadeIn = 0) {
    constexpr int frames = 10;
    constexpr gint64 ptsMs = 100;
    std::vector<double> gains;
    for (const auto& [first, count] :
         splitAt > 0 ? std::vector<std::pair<int, int>>{{0, splitAt}, {splitAt, frames - splitAt}}
                     : std::vector<std::pair<int, int>>{{0, frames}}) {
        GstAudioInfo info;
        GstBuffer* buffer = makeLevel(info, format, channels, count, ptsMs + first);
        buffer = silenceOutside(buffer, info, from, until, fade, fadeIn);
        const std::vector<double> part = gainsOf(buffer, info);
        gains.insert(gains.end(), part.begin(), part.end());
        gst_buffer_unref(buffer);
    }
    return gains;
}

// '1' untouched, '0' silent, 'f' faded (strictly between).
QString gainPattern(const std::vector<double>& gains) {
    QString text;
    for (double g : gains)
        text += g == 1.0             ? QLatin1Char('1')
                : g == 0.0           ? QLatin1Char('0')
                : g > 0.0 && g < 1.0 ? QLatin1Char('f')
                                     : QLatin1Char('?');
    return text;
}

} // namespace

class TestAudibleWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }

    void silencesOutsideTheWindow_data() {
        QTest::addColumn<gint64>("from");
        QTest::addColumn<gint64>("until");
        QTest::addColumn<QString>("expected"); // frames at 100..109 ms
        QTest::newRow("no bounds") << gint64(-1) << gint64(-1) << "xxxxxxxxxx";
        QTest::newRow("lead-in") << 103 * ms << gint64(-1) << "...xxxxxxx";
        QTest::newRow("lead-in between frames") << 102 * ms + ms / 2 << gint64(-1) << "...xxxxxxx";
        QTest::newRow("tail") << gint64(-1) << 107 * ms << "xxxxxxx...";
        QTest::newRow("tail between frames") << gint64(-1) << 106 * ms + 1 << "xxxxxxx...";
        QTest::newRow("both") << 101 * ms << 104 * ms << ".xxx......";
        QTest::newRow("window before the buffer") << 20 * ms << 90 * ms << "..........";
        QTest::newRow("window after the buffer") << 120 * ms << 130 * ms << "..........";
        QTest::newRow("window covers the buffer") << 50 * ms << 200 * ms << "xxxxxxxxxx";
        QTest::newRow("from exactly at the start") << 100 * ms << 110 * ms << "xxxxxxxxxx";
        QTest::newRow("empty window") << 105 * ms << 103 * ms << "..........";
    }

    void silencesOutsideTheWindow() {
        QFETCH(gint64, from);
        QFETCH(gint64, until);
        QFETCH(QString, expected);
        GstAudioInfo info;
        GstBuffer* buffer = makeBuffer(info, GST_AUDIO_FORMAT_S16LE, 1, 10, 100);
        buffer = silenceOutside(buffer, info, from, until);
        QCOMPARE(pattern(soundingFrames(buffer, info)), expected);
        QCOMPARE(GST_BUFFER_PTS(buffer), GstClockTime(100 * ms));
        gst_buffer_unref(buffer);
    }

    // The fade before `until`: frames before it untouched, then falling steadily to zero
    // at `until`, the same in every format that fades, whichever way the frames are cut
    // into buffers; formats that do not fade keep the plain cut.
    void fadesOutBeforeTheEnd_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("channels");
        QTest::addColumn<gint64>("from");
        QTest::addColumn<gint64>("until");
        QTest::addColumn<gint64>("fade");
        QTest::addColumn<int>("splitAt");
        QTest::addColumn<QString>("expected"); // frames at 100..109 ms
        const auto row = [](const char* name, GstAudioFormat format, int channels, gint64 from, gint64 until,
                            gint64 fade, int splitAt, const char* expected) {
            QTest::newRow(name) << int(format) << channels << from << until << fade << splitAt
                                << QString::fromLatin1(expected);
        };
        row("S16 mono", GST_AUDIO_FORMAT_S16, 1, -1, 108 * ms, 5 * ms, 0, "1111ffff00");
        row("S32 stereo", GST_AUDIO_FORMAT_S32, 2, -1, 108 * ms, 5 * ms, 0, "1111ffff00");
        row("F32 stereo", GST_AUDIO_FORMAT_F32, 2, -1, 108 * ms, 5 * ms, 0, "1111ffff00");
        row("F64 mono", GST_AUDIO_FORMAT_F64, 1, -1, 108 * ms, 5 * ms, 0, "1111ffff00");
        row("end between frames", GST_AUDIO_FORMAT_S16, 1, -1, 107 * ms + ms / 2, 5 * ms, 0, "111fffff00");
        row("split inside the fade", GST_AUDIO_FORMAT_F32, 1, -1, 108 * ms, 5 * ms, 6, "1111ffff00");
        row("split at the end", GST_AUDIO_FORMAT_S16, 2, -1, 108 * ms, 5 * ms, 8, "1111ffff00");
        row("fade begun before the buffer", GST_AUDIO_FORMAT_S16, 1, -1, 102 * ms, 5 * ms, 0, "ff00000000");
        row("lead-in inside the fade", GST_AUDIO_FORMAT_S16, 1, 105 * ms, 108 * ms, 5 * ms, 0, "00000fff00");
        row("no fade asked", GST_AUDIO_FORMAT_F32, 1, -1, 108 * ms, 0, 0, "1111111100");
        row("U8 keeps the cut", GST_AUDIO_FORMAT_U8, 1, -1, 108 * ms, 5 * ms, 0, "1111111100");
    }

    void fadesOutBeforeTheEnd() {
        QFETCH(int, format);
        QFETCH(int, channels);
        QFETCH(gint64, from);
        QFETCH(gint64, until);
        QFETCH(gint64, fade);
        QFETCH(int, splitAt);
        QFETCH(QString, expected);
        const std::vector<double> gains =
            fadedGains(GstAudioFormat(format), channels, from, until, fade, splitAt);
        QCOMPARE(gainPattern(gains), expected);
        const auto sounding = std::find_if(gains.begin(), gains.end(), [](double g) { return g > 0.0; });
        QVERIFY(std::is_sorted(sounding, gains.end(), std::greater<>()));
        const std::vector<double> reference = fadedGains(GST_AUDIO_FORMAT_F64, 1, from, until, fade);
        if (format != GST_AUDIO_FORMAT_U8) {
            for (size_t f = 0; f < gains.size(); ++f)
                QVERIFY2(std::abs(gains[f] - reference[f]) < 1e-4,
                         qPrintable(QStringLiteral("frame %1").arg(f)));
        }
    }

    // The fade-in rises from zero at the start, the same over a split, beside a fade-out.
    void fadesInAfterTheStart_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<gint64>("until");
        QTest::addColumn<gint64>("fadeOut");
        QTest::addColumn<int>("splitAt");
        QTest::addColumn<QString>("expected"); // frames at 100..109 ms, from 102 ms, 3 ms fade-in
        QTest::newRow("S16") << int(GST_AUDIO_FORMAT_S16) << gint64(-1) << gint64(0) << 0 << "000ff11111";
        QTest::newRow("F32 split inside")
            << int(GST_AUDIO_FORMAT_F32) << gint64(-1) << gint64(0) << 4 << "000ff11111";
        QTest::newRow("with a fade-out")
            << int(GST_AUDIO_FORMAT_S16) << 109 * ms << 3 * ms << 0 << "000ff11ff0";
        QTest::newRow("window shorter than the fade")
            << int(GST_AUDIO_FORMAT_F64) << 104 * ms << gint64(0) << 0 << "000f000000";
        QTest::newRow("U8 keeps the cut")
            << int(GST_AUDIO_FORMAT_U8) << gint64(-1) << gint64(0) << 0 << "0011111111";
    }

    void fadesInAfterTheStart() {
        QFETCH(int, format);
        QFETCH(gint64, until);
        QFETCH(gint64, fadeOut);
        QFETCH(int, splitAt);
        QFETCH(QString, expected);
        const auto gains = fadedGains(GstAudioFormat(format), 1, 102 * ms, until, fadeOut, splitAt, 3 * ms);
        QCOMPARE(gainPattern(gains), expected);
        QVERIFY(std::is_sorted(gains.begin(), gains.begin() + 4)); // rising up to 103 ms
        const auto whole = fadedGains(GstAudioFormat(format), 1, 102 * ms, until, fadeOut, 0, 3 * ms);
        for (size_t f = 0; f < gains.size(); ++f)
            QVERIFY2(std::abs(gains[f] - whole[f]) < 1e-4, qPrintable(QStringLiteral("frame %1").arg(f)));
    }

    // Silence is what the format calls silence: zero for signed and float samples, the
    // midpoint for unsigned ones; every channel of a frame goes silent.
    void writesTheFormatsSilence() {
        GstAudioInfo info;
        GstBuffer* buffer = makeBuffer(info, GST_AUDIO_FORMAT_F32LE, 2, 4, 0);
        buffer = silenceOutside(buffer, info, 2 * ms, -1);
        QCOMPARE(pattern(soundingFrames(buffer, info)), QStringLiteral("..xx"));
        GstMapInfo map;
        QVERIFY(gst_buffer_map(buffer, &map, GST_MAP_READ));
        const auto* samples = reinterpret_cast<const float*>(map.data);
        QCOMPARE(samples[0], 0.0f);
        QCOMPARE(samples[3], 0.0f);
        gst_buffer_unmap(buffer, &map);
        gst_buffer_unref(buffer);

        buffer = makeBuffer(info, GST_AUDIO_FORMAT_U8, 1, 4, 0);
        buffer = silenceOutside(buffer, info, -1, 2 * ms);
        QVERIFY(gst_buffer_map(buffer, &map, GST_MAP_READ));
        QCOMPARE(int(map.data[1]), 0x11);
        QCOMPARE(int(map.data[2]), 0x80);
        QCOMPARE(int(map.data[3]), 0x80);
        gst_buffer_unmap(buffer, &map);
        gst_buffer_unref(buffer);
    }

    // A buffer shared with someone else is copied, never changed under them; an
    // unstamped buffer cannot be placed and is left alone.
    void leavesOthersBuffersAlone() {
        GstAudioInfo info;
        GstBuffer* buffer = makeBuffer(info, GST_AUDIO_FORMAT_S16LE, 1, 4, 0);
        GstBuffer* other = gst_buffer_ref(buffer);
        GstBuffer* result = silenceOutside(buffer, info, 2 * ms, -1);
        QVERIFY(result != other);
        QCOMPARE(pattern(soundingFrames(other, info)), QStringLiteral("xxxx"));
        QCOMPARE(pattern(soundingFrames(result, info)), QStringLiteral("..xx"));
        gst_buffer_unref(result);
        gst_buffer_unref(other);

        buffer = makeBuffer(info, GST_AUDIO_FORMAT_S16LE, 1, 4, 0);
        GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_NONE;
        result = silenceOutside(buffer, info, 2 * ms, 3 * ms);
        QCOMPARE(result, buffer);
        QCOMPARE(pattern(soundingFrames(result, info)), QStringLiteral("xxxx"));
        gst_buffer_unref(result);
    }
};

QTEST_GUILESS_MAIN(TestAudibleWindow)
#include "tst_audible_window.moc"
