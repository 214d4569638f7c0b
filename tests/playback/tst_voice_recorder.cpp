// Voice recording's state table, save-as naming and failures, over the real command
// interpreter with a fake sound input, a fake play-back player and real files.
#include "FakeServices.h"
#include "playback/RecorderCommands.h"
#include "playback/RecorderView.h"
#include "playback/VoiceRecorder.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

namespace {

// The three toolbar cells, as the window starts: idle, nothing to play or save.
struct FakeRecorderView final : IRecorderView {
    QString caption = recorder::idleCaption;
    bool playBack = false;
    bool saveAs = false;
    QString answer; // what the save dialog returns
    int asked = 0;
    QStringList notices;

    QString recordCaption() const override { return caption; }
    void setRecordCaption(const QString& text) override { caption = text; }
    void setPlayBackEnabled(bool on) override { playBack = on; }
    void setSaveAsEnabled(bool on) override { saveAs = on; }
    QString askSaveName() override {
        ++asked;
        return answer;
    }
    void showNotice(const QString& text) override { notices << text; }
};

// Logs every command, then hands it to the real interpreter.
struct LoggingRecorder final : IRecorder {
    explicit LoggingRecorder(IRecorder& inner)
        : inner(inner) {}
    int sendString(const QString& command, QString* answer) override {
        sent << command;
        return inner.sendString(command, answer);
    }
    IRecorder& inner;
    QStringList sent;
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

} // namespace

class TestVoiceRecorder : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    FakeSoundCapture input;
    std::unique_ptr<CommandRecorder> interpreter;
    std::unique_ptr<LoggingRecorder> recorder;
    FakeSoundPlayer player;
    FailingFileOps files;
    FakeRecorderView view;
    std::unique_ptr<VoiceRecorder> voice;
    QString recording;

    void press() { voice->recordButtonReleased(); }
    // Caption, then the two flags: "● 录音 on on".
    QString cells() const {
        return view.caption + (view.playBack ? " on" : " off") + (view.saveAs ? " on" : " off");
    }
    QString idle(bool kept) const { return recorder::idleCaption + (kept ? " on on" : " off off"); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        recording = dir->path() + QStringLiteral("//mcesound.wav");
        input = FakeSoundCapture{};
        interpreter = std::make_unique<CommandRecorder>(input);
        recorder = std::make_unique<LoggingRecorder>(*interpreter);
        player = FakeSoundPlayer{};
        files.failing.clear();
        files.log.clear();
        files.problem = IFileOps::WriteProblem::None;
        view = FakeRecorderView{};
        voice = std::make_unique<VoiceRecorder>(*recorder, player, files, view, recording);
    }

    void twoRecordingsInARow() {
        QCOMPARE(cells(), idle(false));
        press();
        QCOMPARE(cells(), QStringLiteral("停止录音 off off"));
        QCOMPARE(recorder->sent,
                 (QStringList{"close   all", "open   new     type   WAVEAudio   alias   MyWav2",
                              "record   MyWav2"}));
        press();
        QCOMPARE(cells(), idle(true));
        QCOMPARE(recorder->sent.mid(3), (QStringList{"stop   MyWav2   ", "save   MyWav2     " + recording}));
        QCOMPARE(contents(recording), QByteArray("recording 1"));

        // The second start closes the first recorder before opening a new one, and stops
        // the play back; the first file stays until the second is saved over it.
        recorder->sent.clear();
        player.calls.clear();
        voice->playBack();
        press();
        QCOMPARE(cells(), QStringLiteral("停止录音 off off"));
        QCOMPARE(recorder->sent.first(), QStringLiteral("close   all"));
        QCOMPARE(player.calls, (QStringList{"play " + recording, "stop"}));
        QCOMPARE(contents(recording), QByteArray("recording 1"));
        press();
        QCOMPARE(cells(), idle(true));
        QCOMPARE(contents(recording), QByteArray("recording 2"));
        QCOMPARE(view.notices, QStringList());

        // Play back and save as use the newest recording; a second play back restarts.
        voice->playBack();
        voice->playBack();
        QCOMPARE(player.calls.mid(2), (QStringList{"play " + recording, "play " + recording}));
        view.answer = dir->path() + QStringLiteral("/keep");
        voice->saveAs();
        QCOMPARE(contents(dir->path() + QStringLiteral("/keep.wav")), QByteArray("recording 2"));
    }

    void closingWhileRecordingDiscards() {
        press();
        recorder->sendString(recorder::closeAll, nullptr); // what the shutdown sends
        QCOMPARE(input.log.last(), QStringLiteral("discard"));
        QVERIFY(!input.isCapturing());
        QVERIFY(!QFile::exists(recording));
        QCOMPARE(recorder->sendString(recorder::savePrefix + recording, nullptr), int(IRecorder::NoDevice));
    }

    // A start or a save that fails is told, and the cells show the last good recording.
    void failuresKeepTheLastGoodRecording_data() {
        QTest::addColumn<bool>("earlierRecording");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("problem"); // what the folder shows (IFileOps::WriteProblem)
        QTest::addColumn<QString>("notice");
        using P = IFileOps::WriteProblem;
        const QString noInput = QStringLiteral("无法录音：没有找到可用的麦克风");
        const QString notSaved = QStringLiteral("这次录音没有成功，请再录一次");
        QTest::newRow("no input, none before") << false << "start" << int(P::None) << noInput;
        QTest::newRow("no input, one before") << true << "start" << int(P::None) << noInput;
        QTest::newRow("read-only folder")
            << false << "start" << int(P::NotWritable) << "无法录音：临时文件夹无法写入";
        QTest::newRow("capture failed, none before") << false << "stop" << int(P::None) << notSaved;
        QTest::newRow("capture failed, one before") << true << "stop" << int(P::None) << notSaved;
        QTest::newRow("disk filled while recording")
            << true << "stop" << int(P::NoSpace) << "录音没有保存：临时文件夹的磁盘空间不足";
        QTest::newRow("save failed, one before") << true << "save" << int(P::None) << notSaved;
    }
    void failuresKeepTheLastGoodRecording() {
        QFETCH(bool, earlierRecording);
        QFETCH(QString, failing);
        QFETCH(int, problem);
        QFETCH(QString, notice);
        if (earlierRecording) {
            press();
            press();
        }
        const QByteArray before = contents(recording);
        input.failing = {failing};
        files.problem = IFileOps::WriteProblem(problem);
        press();
        if (failing == QLatin1String("start")) {
            QCOMPARE(cells(), idle(earlierRecording));
            QCOMPARE(recorder->sent.last(), QStringLiteral("close   all"));
        } else {
            QCOMPARE(cells(), QStringLiteral("停止录音 off off"));
            press();
        }
        QCOMPARE(cells(), idle(earlierRecording));
        QCOMPARE(view.notices, QStringList{notice});
        QCOMPARE(contents(recording), before);

        // The next good recording is kept again.
        input.failing.clear();
        press();
        press();
        QCOMPARE(cells(), idle(true));
        QCOMPARE(view.notices.size(), 1);
    }

    void saveAsNames_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("target");
        QTest::newRow("typed name") << "/d/myvoice"
                                    << "/d/myvoice.wav";
        QTest::newRow("picked from the list") << "/d/myvoice.wav"
                                              << "/d/myvoice.wav";
        QTest::newRow("upper case") << "/d/MY.WAV"
                                    << "/d/MY.WAV";
        QTest::newRow("other extension") << "/d/a.wav.bak"
                                         << "/d/a.wav.bak.wav";
        QTest::newRow("near miss") << "/d/a.wave"
                                   << "/d/a.wave.wav";
        QTest::newRow("blanks in the name") << "/d/my voice "
                                            << "/d/my voice .wav";
        QTest::newRow("leading blanks go") << "  /d/v"
                                           << "/d/v.wav";
        QTest::newRow("cancelled") << ""
                                   << "";
        QTest::newRow("blanks only") << "   "
                                     << "";
    }
    void saveAsNames() {
        QFETCH(QString, chosen);
        QTEST(saveAsTarget(chosen), "target");
    }

    void saveAsCopiesOrTells() {
        press();
        press();
        // Cancelled: nothing copied.
        voice->saveAs();
        QCOMPARE(view.asked, 1);
        QCOMPARE(files.log, QStringList());
        // A failed copy is told; the recording stays where it was.
        const QString target = dir->path() + QStringLiteral("/ro/voice.wav");
        files.failing.insert(target);
        view.answer = dir->path() + QStringLiteral("/ro/voice");
        voice->saveAs();
        QCOMPARE(files.log, QStringList{"copy " + target});
        QCOMPARE(view.notices.size(), 1);
        QVERIFY(view.notices.first().contains(target));
        QCOMPARE(contents(recording), QByteArray("recording 1"));
        QCOMPARE(cells(), idle(true));
        // A folder that does not exist fails the same way, through the real copy.
        view.answer = dir->path() + QStringLiteral("/missing/voice.wav");
        voice->saveAs();
        QCOMPARE(view.notices.size(), 2);
    }

    // A play that fails (refused at once or once started), and one that goes on without
    // any sound output, are told.
    void playBackFailureIsTold() {
        press();
        press();
        voice->playBack();
        QVERIFY(view.notices.isEmpty());
        player.unheard = true;
        voice->playBack();
        QCOMPARE(view.notices, QStringList{QStringLiteral("未找到声音设备，回放将无声")});
        player.lateFailing.insert(recording);
        voice->playBack();
        QCOMPARE(view.notices.last(), QStringLiteral("无法回放录音"));
        player.failing.insert(recording);
        voice->playBack();
        QCOMPARE(view.notices.size(), 3);
    }
};

QTEST_APPLESS_MAIN(TestVoiceRecorder)
#include "tst_voice_recorder.moc"
