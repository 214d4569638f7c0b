#pragma once

#include "drill/DrillSettings.h"

#include <QObject>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace lesnor {

// Keeps the drill's settings in their file from a thread of its own, so a change made
// while the lesson plays never waits for the disk: keep() only hands the settings over,
// and changes that come faster than the file takes them fold into the latest. Each
// write replaces the file whole (DrillSettings::write), so a kill leaves the old
// settings or the new ones. A write that fails raises failed() on the thread that made
// the writer. The destructor waits for the last write, as flush() does.
class SettingsWriter : public QObject {
    Q_OBJECT
public:
    explicit SettingsWriter(QString path, QObject* parent = nullptr);
    ~SettingsWriter() override;

    void keep(const DrillSettings& settings);
    // Waits at most `milliseconds` for every change handed over so far to be written;
    // false when some is still waiting.
    bool flush(int milliseconds);

signals:
    void failed();

private:
    void run();

    const QString path_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::optional<DrillSettings> pending_;
    bool writing_ = false;
    bool ending_ = false;
    std::thread thread_;
};

} // namespace lesnor
