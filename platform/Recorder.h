#pragma once

#include <QString>

namespace lesnor {

// The voice recorder, driven by text commands ("open new type waveaudio alias MyWav2",
// "record MyWav2", "save MyWav2 <path>", "close   all", ...). A command returns 0 on
// success and a non-zero error number otherwise; `returnText` receives any answer.
class IRecorder {
public:
    virtual ~IRecorder() = default;
    virtual int sendString(const QString& command, QString* returnText = nullptr) = 0;
};

} // namespace lesnor
