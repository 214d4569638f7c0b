// Renders the window "发音对比" comparing a synthesised sentence with a slower, lower
// copy of it (an attempt as a learner might make it) and saves it as a PNG:
// screenshot_speaking [output.png]
#include "platform/VoiceSynthesizer.h"
#include "speaking_window/SpeakingWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <cstdio>

using namespace lesnor;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString output = app.arguments().value(1, QStringLiteral("screenshot-speaking.png"));
    const QString text = QStringLiteral("Would you like a cup of tea this afternoon?");
    auto voice = VoiceSynthesizer::open();
    if (!voice) {
        std::fprintf(stderr, "no voice synthesiser\n");
        return 1;
    }
    const SpeechAudio audio = voice->speak(text);
    Sound model = soundFromPcm16(audio.samples.data(), audio.samples.size(), audio.rate);
    // Read 1.15 times slower by the nearest sample: slower, and lower by 2.4 semitones.
    Sound attempt;
    attempt.rate = model.rate;
    attempt.samples.resize(size_t(double(model.samples.size()) * 1.15));
    for (size_t i = 0; i < attempt.samples.size(); ++i)
        attempt.samples[i] =
            0.8f * model.samples[std::min(model.samples.size() - 1, size_t(double(i) / 1.15))];

    SpeakingWindow window;
    window.setSentence(text, model);
    window.resize(820, 560);
    window.show();
    QEventLoop wait;
    QObject::connect(&window, &SpeakingWindow::attemptShown, &wait, &QEventLoop::quit);
    window.addAttempt(attempt);
    wait.exec();
    window.showRecording(-14, 3.1);
    app.processEvents();
    if (!window.grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
