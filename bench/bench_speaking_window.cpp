// Speak and compare as the learner waits for it, in the real window (offscreen):
//   speaking_window_draw_ms   the window drawn whole once an analysis is on it (median,
//                             p95 of 21; QWidget::grab, so every widget paints every pixel)
//   speaking_end_to_shown_ms  the end of speech to the comparison drawn, with the session's
//                             own poll, the window's analysis thread and paint: the take is a
//                             virtual microphone fed in real time, 10 ms at a time (the
//                             lesson's model sentence said back, then room noise); reported
//                             whole and beyond the 0.8 s silence wait (median of 7)
// Times are wall times less the UI thread's waits for a processor (ThreadClock).
#include "FakeClipDecoder.h"
#include "FakeMediaPlayer.h"
#include "FakeServices.h"
#include "ThreadClock.h"
#include "platform/VoiceSynthesizer.h"
#include "platform/VoiceTake.h"
#include "speaking/SpeakingSession.h"
#include "speaking_window/SpeakingWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <mutex>
#include <random>

using namespace lesnor;

namespace {

// A microphone fed by a timer on the UI thread: what it says, then quiet noise.
class TimedTake final : public IVoiceTake {
public:
    explicit TimedTake(std::vector<qint16> speech)
        : speech_(std::move(speech)) {}
    bool start() override {
        samples_.clear();
        running_ = true;
        clock_.start();
        return true;
    }
    void stop() override { running_ = false; }
    bool isRunning() const override { return running_; }
    bool failed() const override { return false; }
    int rate() const override { return 16000; }
    std::vector<qint16> samplesFrom(size_t from) const override {
        // Whatever the clock says has been spoken by now.
        const size_t due = size_t(clock_.nsecsElapsed() / 1000000 * rate() / 1000);
        std::mt19937 random(unsigned(samples_.size()));
        std::normal_distribution<float> hiss(0, 20);
        while (samples_.size() < due)
            samples_.push_back(samples_.size() < speech_.size() ? speech_[samples_.size()]
                                                                : qint16(hiss(random)));
        return from < samples_.size() ? std::vector<qint16>(samples_.begin() + long(from), samples_.end())
                                      : std::vector<qint16>();
    }
    // When the speech ended, in ms of the take's clock: the end of its last 10 ms block
    // above -50 dBFS (what AutoStop counts as speech; the voice's own trailing quiet is not).
    double speechEndMs() const {
        const size_t block = size_t(rate() / 100);
        size_t end = 0;
        for (size_t at = 0; at + block <= speech_.size(); at += block) {
            double sum = 0;
            for (size_t i = at; i < at + block; ++i)
                sum += double(speech_[i]) * speech_[i];
            if (levelDb(sum / double(block) / (32768.0 * 32768.0)) > -50)
                end = at + block;
        }
        return 1000.0 * double(end) / rate();
    }
    qint64 elapsedMs() const { return clock_.elapsed(); }

private:
    std::vector<qint16> speech_;
    mutable std::vector<qint16> samples_;
    bool running_ = false;
    QElapsedTimer clock_;
};

std::vector<qint16> at16k(const SpeechAudio& audio) {
    std::vector<qint16> out;
    for (double at = 0; size_t(at) < audio.samples.size(); at += double(audio.rate) / 16000)
        out.push_back(audio.samples[size_t(at)]);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("lesnor-bench"));
    auto voice = VoiceSynthesizer::open();
    if (!voice) {
        std::printf("speaking_window_draw_ms: skipped (no voice synthesiser)\n");
        return 1;
    }
    const std::vector<qint16> said =
        at16k(voice->speak(QStringLiteral("Would you like a cup of tea this afternoon?")));

    test::FakeMediaPlayer player;
    player.setDuration(QStringLiteral("/lesson.mp3"), 60);
    player.setUrl(QStringLiteral("/lesson.mp3"));
    test::FakeClipDecoder decoder;
    decoder.clip.samples = said;
    test::FakeSoundPlayer sound;
    TimedTake take(said);
    SpeakingWindow window;
    window.resize(900, 600);
    SpeakingSession session(player, take, decoder, sound, window);

    std::vector<double> endToShown, draw;
    for (int run = 0; run < 7; ++run) {
        session.start({QStringLiteral("Would you like a cup of tea this afternoon?"), 0, 3}, {});
        player.advance(5); // the model has played
        session.poll();
        QEventLoop loop;
        double shownAt = 0;
        bench::ThreadClock clock;
        const auto conn = QObject::connect(&window, &SpeakingWindow::attemptShown, [&] {
            clock.start();
            (void)window.grab();
            draw.push_back(clock.unloadedMs());
            shownAt = double(take.elapsedMs());
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(conn);
        endToShown.push_back(shownAt - take.speechEndMs());
    }
    for (int run = 0; run < 14; ++run) {
        bench::ThreadClock clock;
        clock.start();
        (void)window.grab();
        draw.push_back(clock.unloadedMs());
    }
    const Comparison* c = window.shownComparison();
    std::printf("speaking_window_draw_ms: %.1f ms (median of %zu; p95 %.1f ms; 900 x 600, offscreen, grab)\n",
                bench::median(draw), draw.size(), bench::percentile(draw, 0.95));
    const double total = bench::median(endToShown);
    std::printf("speaking_end_to_shown_ms: %.0f ms (median of 7; %.0f ms beyond the %.0f ms silence wait; "
                "%.1f s sentence, session poll %d ms, analysis on its own thread, length ratio %.2f)\n",
                total, total - AutoStop::kSilenceSeconds * 1000, AutoStop::kSilenceSeconds * 1000,
                double(said.size()) / 16000, SpeakingSession::kPollMs, c ? c->lengthRatio : 0.0);
    return c && c->comparable() ? 0 : 1;
}
