// Silencing the lead-in and tail of a play: which frames go silent, for any sample format.
#include "platform/AudibleWindow.h"

#include <QtTest>
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
