#pragma once

#include "platform/SoundCapture.h"

#include <QString>

namespace lesnor {

// The voice recorder, driven by text commands ("open   new     type   WAVEAudio   alias
// MyWav2", "record   MyWav2", "stop   MyWav2   ", "save   MyWav2     <path>",
// "close   all"). A command returns 0 on success and one of the error numbers below
// otherwise; `returnText` receives any answer (none of the commands has one).
class IRecorder {
public:
    enum Error {
        Ok = 0,
        MissingParameter = 257,    // a verb without its alias or path
        UnrecognizedCommand = 261, // an unknown verb, or words the verb does not take
        NoDevice = 263,            // the alias names no open recorder, or no input exists
        CannotRecord = 264,        // the input failed while capturing
        CannotSave = 265,          // nothing captured to save, or the file cannot be written
        AliasInUse = 289,          // "open" with an alias that is already open
    };

    virtual ~IRecorder() = default;
    virtual int sendString(const QString& command, QString* returnText = nullptr) = 0;
    // While a recording runs: its level and length so far, for the learner to see.
    virtual InputLevel inputLevel() const { return {}; }
};

} // namespace lesnor
