// The lesson window's recording cells: releases on Label5(3), (4), (5) reach voice
// recording, its state shows on the cells, failures on the notice line, and the save
// dialog is asked over the window.
#include "FakeServices.h"
#include "Form1Harness.h"
#include "lesson_window/RecorderButtons.h"
#include "widgets/Controls.h"
#include "widgets/NoticeLine.h"

#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

class TestRecorderWindow : public QObject, protected Form1Harness {
    Q_OBJECT

    void click(int index) {
        const QPoint p = at(form_->Label5(index));
        press(p);
        release(p);
    }
    QString recording() const { return fx_->dataFolder() + QStringLiteral("/mcesound.wav"); }

private slots:
    void cleanup() { closeWindow(); }

    void cellsDriveTheRecorder() {
        openWindow();
        click(4); // disabled: nothing happens
        click(3);
        QCOMPARE(form_->Label5(3)->text(), QStringLiteral("停止录音"));
        QVERIFY(!form_->Label5(4)->isEnabled() && !form_->Label5(5)->isEnabled());
        click(3);
        QCOMPARE(form_->Label5(3)->text(), QStringLiteral("● 录音"));
        QVERIFY(form_->Label5(4)->isEnabled() && form_->Label5(5)->isEnabled());
        QCOMPARE(services_->recorder.commands.last(), QStringLiteral("save   MyWav2     ") + recording());

        click(4);
        QCOMPARE(services_->sound.calls.last(), QStringLiteral("play ") + recording());

        QWidget* asker = nullptr;
        form_->recorderButtons().setSaveDialog([&](QWidget* parent) {
            asker = parent;
            return fx_->dataFolder() + QStringLiteral("/copy");
        });
        click(5);
        QCOMPARE(asker, form_.get());
        QCOMPARE(services_->files.log.last(),
                 QStringLiteral("copy ") + fx_->dataFolder() + QStringLiteral("/copy.wav"));
    }

    void levelShownWhileRecording() {
        openWindow([](FakeServices& s) { s.recorder.level = {true, -30, 2.46}; });
        click(3);
        QTRY_COMPARE(form_->noticeLine()->text(), QStringLiteral("● 录音中  ████░░░░  2.5 秒"));
        click(3);
        services_->recorder.level.seconds = 9;
        QTest::qWait(300);
        QVERIFY(!form_->noticeLine()->text().contains(QStringLiteral("9.0 秒")));
    }

    void failedStartIsTold() {
        openWindow([](FakeServices& s) { s.recorder.failWith = IRecorder::NoDevice; });
        click(3);
        QCOMPARE(form_->Label5(3)->text(), QStringLiteral("● 录音"));
        QVERIFY(!form_->Label5(4)->isEnabled() && !form_->Label5(5)->isEnabled());
        QVERIFY(form_->noticeLine()->isVisible());
        QVERIFY(!form_->noticeLine()->text().isEmpty());
    }
};

QTEST_MAIN(TestRecorderWindow)
#include "tst_recorder_window.moc"
