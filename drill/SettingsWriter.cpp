#include "drill/SettingsWriter.h"

#include <chrono>

namespace lesnor {

SettingsWriter::SettingsWriter(QString path, QObject* parent)
    : QObject(parent)
    , path_(std::move(path))
    , thread_([this] { run(); }) {}

SettingsWriter::~SettingsWriter() {
    flush(2000);
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SettingsWriter::keep(const DrillSettings& settings) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        pending_ = settings;
    }
    wake_.notify_all();
}

bool SettingsWriter::flush(int milliseconds) {
    std::unique_lock<std::mutex> guard(lock_);
    return wake_.wait_for(guard, std::chrono::milliseconds(milliseconds),
                          [this] { return !pending_ && !writing_; });
}

void SettingsWriter::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return pending_ || ending_; });
        if (!pending_)
            return;
        const DrillSettings settings = *pending_;
        pending_.reset();
        writing_ = true;
        guard.unlock();
        const bool written = DrillSettings::write(path_, settings);
        if (!written)
            emit failed();
        guard.lock();
        writing_ = false;
        wake_.notify_all();
    }
}

} // namespace lesnor
