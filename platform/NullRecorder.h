#pragma once

#include "platform/Recorder.h"

namespace lesnor {

// A recorder without a device: "close   all" succeeds (there is nothing to close),
// every other command fails with a device error, so no recording is ever pretended.
class NullRecorder final : public IRecorder {
public:
    static constexpr int kNoDevice = NoDevice;
    int sendString(const QString& command, QString* returnText = nullptr) override;
};

} // namespace lesnor
