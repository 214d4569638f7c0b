// The recorder's command language, its interpreter over a fake sound input, and the
// WAV header the recordings are saved with.
#include "FakeServices.h"
#include "platform/WavFile.h"
#include "playback/RecorderCommands.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

Q_DECLARE_METATYPE(RecorderCommand::Verb)

class TestRecorder : public QObject {
    Q_OBJECT

private slots:
    void parsesCommands_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addColumn<RecorderCommand::Verb>("verb");
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("path");
        using V = RecorderCommand::Verb;
        const auto ok = [](const char* name, const QString& text, V verb, const char* alias,
                           const QString& path = {}) {
            QTest::newRow(name) << text << int(IRecorder::Ok) << verb << QString::fromUtf8(alias) << path;
        };
        const auto bad = [](const char* name, const QString& text, IRecorder::Error error) {
            QTest::newRow(name) << text << int(error) << V::Close << QString() << QString();
        };
        // The window's own strings, blanks as it writes them.
        ok("open", "open   new     type   WAVEAudio   alias   MyWav2", V::Open, "MyWav2");
        ok("record", "record   MyWav2", V::Record, "MyWav2");
        ok("stop, trailing blanks", "stop   MyWav2   ", V::Stop, "MyWav2");
        ok("save", "save   MyWav2     /tmp/lesnor-0//mcesound.wav", V::Save, "MyWav2",
           "/tmp/lesnor-0//mcesound.wav");
        ok("close all", "close   all", V::Close, "");
        // Blank runs of any length, tabs, case, the pairs of open in either order.
        ok("single blanks", "open new type waveaudio alias a", V::Open, "a");
        ok("pairs swapped", " OPEN\tnew alias MyWav2 TYPE waveAudio ", V::Open, "MyWav2");
        ok("close alias", "Close MyWav2", V::Close, "MyWav2");
        // The path is the rest of the text: inner and trailing blanks kept.
        ok("path with blanks", "save MyWav2   /home/li lei/my voice .wav", V::Save, "MyWav2",
           "/home/li lei/my voice .wav");
        ok("path trailing blank", "save MyWav2 a.wav ", V::Save, "MyWav2", "a.wav ");
        ok("path Chinese", "save MyWav2 /家/录音 一.wav", V::Save, "MyWav2",
           QStringLiteral("/家/录音 一.wav"));

        bad("empty", "", IRecorder::UnrecognizedCommand);
        bad("blanks", "   ", IRecorder::UnrecognizedCommand);
        bad("unknown verb", "play MyWav2", IRecorder::UnrecognizedCommand);
        bad("extra word", "record MyWav2 now", IRecorder::UnrecognizedCommand);
        bad("other type", "open new type cdaudio alias x", IRecorder::UnrecognizedCommand);
        bad("open without new", "open x type waveaudio alias y", IRecorder::UnrecognizedCommand);
        bad("open without alias", "open new type waveaudio", IRecorder::MissingParameter);
        bad("open alias without name", "open new type waveaudio alias", IRecorder::MissingParameter);
        bad("record without alias", "record", IRecorder::MissingParameter);
        bad("save without path", "save   MyWav2     ", IRecorder::MissingParameter);
    }
    void parsesCommands() {
        QFETCH(QString, text);
        QFETCH(int, error);
        RecorderCommand command;
        QCOMPARE(parseRecorderCommand(text, command), error);
        if (error != IRecorder::Ok)
            return;
        QTEST(command.verb, "verb");
        QTEST(command.alias, "alias");
        QTEST(command.path, "path");
    }

    // What each command does to the sound input, and the errors the caller sees.
    void interpretsCommands_data() {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("failing"); // calls of the fake input that fail
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<QStringList>("inputLog");
        const QString open = QStringLiteral("open   new     type   WAVEAudio   alias   MyWav2");
        const QString save = QStringLiteral("save   MyWav2     /x/a b.wav");
        const int ok = IRecorder::Ok;
        QTest::newRow("record, stop, save")
            << QStringList{open, "record   MyWav2", "stop   MyWav2   ", save} << QStringList{}
            << QList<int>{ok, ok, ok, ok} << QStringList{"discard", "start", "stop", "save /x/a b.wav"};
        QTest::newRow("save stops a running capture")
            << QStringList{open, "record MyWav2", save} << QStringList{} << QList<int>{ok, ok, ok}
            << QStringList{"discard", "start", "stop", "save /x/a b.wav"};
        QTest::newRow("alias in any case")
            << QStringList{open, "record mywav2", "close MYWAV2"} << QStringList{} << QList<int>{ok, ok, ok}
            << QStringList{"discard", "start", "discard"};
        QTest::newRow("close all discards the capture, the alias is gone")
            << QStringList{open, "record MyWav2", "close   all", save, "record MyWav2"} << QStringList{}
            << QList<int>{ok, ok, ok, IRecorder::NoDevice, IRecorder::NoDevice}
            << QStringList{"discard", "start", "discard"};
        QTest::newRow("close all with nothing open")
            << QStringList{"close   all"} << QStringList{} << QList<int>{ok} << QStringList{"discard"};
        QTest::newRow("unknown alias")
            << QStringList{open, "record MyWav3", "stop other", "save other /x"} << QStringList{}
            << QList<int>{ok, IRecorder::NoDevice, IRecorder::NoDevice, IRecorder::NoDevice}
            << QStringList{"discard"};
        QTest::newRow("nothing open") << QStringList{"record MyWav2"} << QStringList{}
                                      << QList<int>{IRecorder::NoDevice} << QStringList{};
        QTest::newRow("second open") << QStringList{open, open} << QStringList{}
                                     << QList<int>{ok, IRecorder::AliasInUse} << QStringList{"discard"};
        QTest::newRow("no input") << QStringList{open, "record MyWav2", save} << QStringList{"start"}
                                  << QList<int>{ok, IRecorder::NoDevice, IRecorder::CannotSave}
                                  << QStringList{"discard", "start", "save /x/a b.wav"};
        QTest::newRow("capture failed on the way")
            << QStringList{open, "record MyWav2", "stop MyWav2", save} << QStringList{"stop"}
            << QList<int>{ok, ok, IRecorder::CannotRecord, IRecorder::CannotSave}
            << QStringList{"discard", "start", "stop", "save /x/a b.wav"};
        QTest::newRow("unwritable file")
            << QStringList{open, "record MyWav2", "stop MyWav2", save} << QStringList{"save"}
            << QList<int>{ok, ok, ok, IRecorder::CannotSave}
            << QStringList{"discard", "start", "stop", "save /x/a b.wav"};
        QTest::newRow("not a command") << QStringList{"delete MyWav2"} << QStringList{}
                                       << QList<int>{IRecorder::UnrecognizedCommand} << QStringList{};
    }
    void interpretsCommands() {
        QFETCH(QStringList, commands);
        QFETCH(QStringList, failing);
        // "/x/" stands for a folder that exists.
        QTemporaryDir dir;
        const auto here = [&](QStringList list) { return list.replaceInStrings("/x/", dir.path() + "/"); };
        commands = here(commands);
        FakeSoundCapture input;
        input.failing = QSet<QString>(failing.begin(), failing.end());
        CommandRecorder recorder(input);
        QList<int> results;
        for (const QString& command : commands) {
            QString answer = QStringLiteral("stale");
            results << recorder.sendString(command, &answer);
            QCOMPARE(answer, QString());
        }
        QTEST(results, "results");
        QFETCH(QStringList, inputLog);
        QCOMPARE(input.log, here(inputLog));
    }

    void wavHeaderSizes() {
        const WavFormat format{44100, 1, 16};
        const QByteArray header = wavHeader(format, 88200);
        QCOMPARE(header.size(), int(kWavHeaderBytes));
        WavInfo info;
        QVERIFY(readWavInfo(header + QByteArray(88200, '\0'), info));
        QCOMPARE(info.riffSize, 88200 + 36);
        QCOMPARE(info.dataOffset, kWavHeaderBytes);
        QCOMPARE(info.dataBytes, 88200);
        QCOMPARE(info.format.rate, 44100);
        QCOMPARE(info.format.channels, 1);
        QCOMPARE(info.format.bitsPerSample, 16);
        QCOMPARE(info.seconds(), 1.0);
        QCOMPARE(header.mid(28, 4), QByteArray("\x88\x58\x01\x00", 4)); // bytes per second
        QVERIFY(!readWavInfo(header.left(20), info));
        QVERIFY(!readWavInfo(QByteArray("RIFF\0\0\0\0WAVE", 12), info));
    }
};

QTEST_APPLESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
