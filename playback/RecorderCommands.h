#pragma once

#include "platform/Recorder.h"

#include <QString>

namespace lesnor {

// One command of the recorder's small command language.
struct RecorderCommand {
    enum class Verb { Open, Record, Stop, Save, Close };
    Verb verb = Verb::Close;
    QString alias; // the alias the command names; empty for "close all"
    QString path;  // "save" only
};

// Reads one command text. Runs of blanks (spaces, tabs) separate words; verbs, keywords
// and aliases are compared without regard to case. After "save" and its alias the rest
// of the text, from its first non-blank character to its very end, is the path, so a
// path may hold blanks and is never quoted. The forms:
//   open new type waveaudio alias <alias>      (the two pairs in either order)
//   record <alias> | stop <alias> | close <alias> | close all | save <alias> <path>
// Returns IRecorder::Ok and fills `out`, or the error number for text that is no command.
int parseRecorderCommand(const QString& text, RecorderCommand& out);

// The recorder the program uses: interprets the commands and drives one sound capture.
// One recorder is open at a time, under the alias "open" gave it. "record" begins a new
// recording (an earlier one is dropped); "stop" ends the capture and keeps it; "save"
// (stopping first when needed) writes the kept recording as a WAV file; "close" ends any
// capture without saving and forgets the alias. Errors: an unknown verb or form
// (UnrecognizedCommand), a missing alias or path (MissingParameter), an alias that is not
// open (NoDevice), a second "open" (AliasInUse), no input to record from (NoDevice), a
// capture that failed (CannotRecord) or a save that could not be written (CannotSave).
class CommandRecorder final : public IRecorder {
public:
    explicit CommandRecorder(ISoundCapture& capture)
        : capture_(capture) {}

    int sendString(const QString& command, QString* returnText = nullptr) override;
    InputLevel inputLevel() const override { return capture_.inputLevel(); }

    // The alias of the open recorder; empty when none is open.
    const QString& openAlias() const { return alias_; }

private:
    int run(const RecorderCommand& command);

    ISoundCapture& capture_;
    QString alias_;
};

} // namespace lesnor
