// The window "发音对比": attempts analysed off the UI thread and kept five deep, problems
// said in words, the keys, and the chosen attempt saved as WAV.
#include "platform/VoiceSynthesizer.h"
#include "platform/WavFile.h"
#include "speaking_window/ComparisonChart.h"
#include "speaking_window/SpeakingWindow.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace lesnor;

namespace {

Sound spoken(const QString& text) {
    auto voice = VoiceSynthesizer::open();
    if (!voice)
        return {};
    const SpeechAudio a = voice->speak(text);
    Sound s = soundFromPcm16(a.samples.data(), a.samples.size(), a.rate);
    s.samples.resize(s.samples.size() + size_t(a.rate / 2), 0.0f);
    return s;
}

QString labelText(const SpeakingWindow& w, const char* name) {
    return w.findChild<QLabel*>(QLatin1String(name))->text();
}

} // namespace

class TestSpeakingWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("lesnor-test"));
        QStandardPaths::setTestModeEnabled(true);
    }

    void attemptsFiguresProblemsAndSaving() {
        const Sound model = spoken(QStringLiteral("Where is the station, please?"));
        QVERIFY(!model.samples.empty());
        SpeakingWindow w;
        w.setSentence(QStringLiteral("Where is the station, please?"), model);
        w.show();
        QSignalSpy shown(&w, &SpeakingWindow::attemptShown);

        // A silent attempt and a tone are said plainly; the sentence gets its figures.
        Sound silent{model.rate, std::vector<float>(size_t(model.rate), 0.0f)};
        w.addAttempt(silent);
        QVERIFY(shown.wait(10000));
        QVERIFY(labelText(w, "Notice").contains(QStringLiteral("没有录到声音")));
        QVERIFY(labelText(w, "Figures").isEmpty());
        for (int i = 0; i < 5; ++i) {
            w.addAttempt(model);
            QVERIFY(shown.wait(10000));
        }
        QCOMPARE(w.attemptCount(), SpeakingWindow::kAttemptsKept);
        QVERIFY(w.shownComparison()->comparable());
        QVERIFY(labelText(w, "Figures").contains(QStringLiteral("长度比（我的 ÷ 原声）：1.00")));
        QVERIFY(labelText(w, "Notice").isEmpty());

        // Keys: each asks for what it names.
        const std::pair<QKeySequence, const char*> keys[] = {
            {QKeySequence(Qt::Key_1), SIGNAL(playModelRequested())},
            {QKeySequence(Qt::Key_2), SIGNAL(playAttemptRequested())},
            {QKeySequence(Qt::Key_3), SIGNAL(playBothRequested())},
            {QKeySequence(Qt::Key_S), SIGNAL(tryAgainRequested())},
        };
        for (const auto& [key, signal] : keys) {
            QSignalSpy spy(&w, signal);
            QTest::keySequence(&w, key);
            QCOMPARE(spy.count(), 1);
        }

        // Saved as 16-bit WAV of the attempt's length, replacing a file there.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mine.wav"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QVERIFY(w.saveShownAttempt(path));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        WavInfo info;
        QVERIFY(readWavInfo(saved.readAll(), info));
        QCOMPARE(info.format.rate, model.rate);
        QCOMPARE(info.dataBytes, qint64(model.samples.size() * 2));
        QVERIFY(!w.saveShownAttempt(dir.filePath(QStringLiteral("no/such/folder.wav"))));

        // A new sentence forgets the attempts; Esc closes.
        w.setSentence(QStringLiteral("Thank you."), model);
        QCOMPARE(w.attemptCount(), 0);
        QVERIFY(!w.saveShownAttempt(path));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // Each problem of an attempt is said in words and the waveforms still show.
    void problemsSaid_data() {
        QTest::addColumn<QString>("attempt");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("figures");
        QTest::newRow("silence only") << "silence" << problemText(Comparison::Problem::Silence) << false;
        QTest::newRow("a steady tone") << "tone" << problemText(Comparison::Problem::NoSpeech) << false;
        QTest::newRow("clipped speech") << "clipped" << clippingText() << true;
    }
    void problemsSaid() {
        QFETCH(QString, attempt);
        QFETCH(QString, said);
        QFETCH(bool, figures);
        const Sound model = spoken(QStringLiteral("Where is the station, please?"));
        QVERIFY(!model.samples.empty());
        Sound a = model;
        for (size_t i = 0; i < a.samples.size(); ++i) {
            if (attempt == "silence")
                a.samples[i] = 0;
            else if (attempt == "tone")
                a.samples[i] = float(0.3 * std::sin(2 * M_PI * 440 * double(i) / a.rate));
            else
                a.samples[i] = std::clamp(a.samples[i] * 8, -1.0f, 1.0f);
        }
        SpeakingWindow w;
        w.setSentence(QStringLiteral("Where is the station, please?"), model);
        w.resize(600, 400);
        w.show();
        QSignalSpy shown(&w, &SpeakingWindow::attemptShown);
        w.addAttempt(a);
        QVERIFY(shown.wait(10000));
        QVERIFY2(labelText(w, "Notice").contains(said), qPrintable(labelText(w, "Notice")));
        QCOMPARE(!labelText(w, "Figures").isEmpty(), figures);
        const QImage chart = w.findChild<ComparisonChart*>()->grab().toImage();
        int model_pixels = 0;
        for (int y = 0; y < chart.height(); ++y)
            for (int x = 0; x < chart.width(); ++x)
                model_pixels += chart.pixelColor(x, y) == ComparisonChart::modelColour();
        QVERIFY(model_pixels > 100);
    }
};

QTEST_MAIN(TestSpeakingWindow)
#include "tst_speaking_window.moc"
