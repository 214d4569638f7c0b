#pragma once

#include "FakeMediaPlayer.h"
#include "platform/FileOps.h"
#include "platform/LocalFileOps.h"
#include "platform/Preferences.h"
#include "platform/Recorder.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "platform/SoundCapture.h"
#include "platform/SoundPlayer.h"
#include "platform/Speech.h"

#include <QFile>
#include <QSet>
#include <QStringList>

namespace lesnor::test {

// Records the commands; answers 0 unless told to fail.
class FakeRecorder final : public IRecorder {
public:
    int sendString(const QString& command, QString* returnText = nullptr) override {
        commands << command;
        if (returnText)
            returnText->clear();
        return failWith;
    }
    InputLevel inputLevel() const override { return level; }
    QStringList commands;
    int failWith = 0;
    InputLevel level; // what inputLevel() answers
};

// A sound input that records nothing: logs each call ("start", "stop", "save <path>",
// "discard") and fails the kinds of call a test names in `failing`. A saved recording
// is a file with the text "recording <n>", n counting the starts.
class FakeSoundCapture final : public ISoundCapture {
public:
    bool start() override {
        log << QStringLiteral("start");
        capturing_ = !failing.contains(QStringLiteral("start"));
        kept_ = false;
        starts_ += capturing_ ? 1 : 0;
        return capturing_;
    }
    bool stop() override {
        log << QStringLiteral("stop");
        kept_ = capturing_ && !failing.contains(QStringLiteral("stop"));
        capturing_ = false;
        return kept_;
    }
    bool saveAs(const QString& path) override {
        log << QStringLiteral("save ") + path;
        if (!kept_ || failing.contains(QStringLiteral("save")))
            return false;
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("recording " + QByteArray::number(starts_)) > 0;
    }
    void discard() override {
        log << QStringLiteral("discard");
        capturing_ = kept_ = false;
    }
    bool isCapturing() const override { return capturing_; }

    QStringList log;
    QSet<QString> failing; // "start", "stop", "save"

private:
    bool capturing_ = false;
    bool kept_ = false;
    int starts_ = 0;
};

// Logs "play <path>" and "stop"; play fails for the paths in `failing`, and plays
// unheard (no output found) while `unheard` is set.
class FakeSoundPlayer final : public ISoundPlayer {
public:
    // Tells the outcome at once: Failed for a path in `lateFailing` (accepted first),
    // else Unheard or Heard as `unheard` says.
    bool play(const QString& path) override {
        calls << QStringLiteral("play ") + path;
        if (failing.contains(path))
            return false;
        if (onOutcome)
            onOutcome(lateFailing.contains(path) ? PlayOutcome::Failed
                      : unheard                  ? PlayOutcome::Unheard
                                                 : PlayOutcome::Heard);
        return true;
    }
    // Logs "samples <count> <rate>"; fails while `failing` holds "samples".
    bool playSamples(const std::vector<qint16>& samples, int rate) override {
        calls << QStringLiteral("samples %1 %2").arg(samples.size()).arg(rate);
        return !samples.empty() && !failing.contains(QStringLiteral("samples"));
    }
    void stop() override { calls << QStringLiteral("stop"); }
    bool playsUnheard() const override { return unheard; }
    void setOutcomeHandler(std::function<void(PlayOutcome)> handler) override {
        onOutcome = std::move(handler);
    }
    QStringList calls;
    QSet<QString> failing, lateFailing;
    std::function<void(PlayOutcome)> onOutcome;
    bool unheard = false;
};

class FakeSpeech final : public ISpeech {
public:
    void Register(const QString& site, const QString& app) override { registered << site << app; }
    void setSpeed(int wordsPerMinute) override { speed_ = wordsPerMinute; }
    int speed() const override { return speed_; }
    void Speak(const QString& text, int flags) override {
        spoken << text;
        lastFlags = flags;
    }
    QStringList registered;
    QStringList spoken;
    int lastFlags = -1;

private:
    int speed_ = 0;
};

class FakeShell final : public IShell {
public:
    bool openUrl(const QString& address) override {
        opened << address;
        return succeed;
    }
    QStringList opened;
    bool succeed = true;
};

// Real file operations, except for the paths a test marks as failing.
class FailingFileOps final : public IFileOps {
public:
    QSet<QString> failing; // paths whose every operation fails
    QStringList log;       // "delete <path>", "removeFolder <path>", "write <path>", ...

    bool isPlainFile(const QString& path) const override { return real_.isPlainFile(path); }
    bool exists(const QString& path) const override { return real_.exists(path); }
    bool makeFolder(const QString& path) override {
        return note("makeFolder", path) && real_.makeFolder(path);
    }
    bool copyFile(const QString& from, const QString& to) override {
        return note("copy", to) && real_.copyFile(from, to);
    }
    bool deleteFile(const QString& path) override { return note("delete", path) && real_.deleteFile(path); }
    bool removeFolder(const QString& path) override {
        return note("removeFolder", path) && real_.removeFolder(path);
    }
    bool writeFileAtomically(const QString& path, const QByteArray& bytes) override {
        return note("write", path) && real_.writeFileAtomically(path, bytes);
    }
    WriteProblem writeProblem(const QString&, qint64) const override { return problem; }
    WriteProblem problem = WriteProblem::None; // what writeProblem() answers

private:
    bool note(const char* what, const QString& path) {
        log << QString::fromLatin1(what) + QLatin1Char(' ') + path;
        return !failing.contains(path);
    }
    LocalFileOps real_;
};

// Preferences in memory.
class FakePreferences final : public IPreferences {
public:
    QVariant value(const QString& key) const override { return values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values[key] = value; }
    QVariantMap values;
};

// A full set of fakes for a window under test.
struct FakeServices {
    FakeMediaPlayer player;
    FakeRecorder recorder;
    FakeSpeech speech;
    FakeShell shell;
    FailingFileOps files;
    FakeSoundPlayer sound;
    FakePreferences preferences;
    Services view{player, recorder, speech, shell, files, sound, preferences};
};

} // namespace lesnor::test
