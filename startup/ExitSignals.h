#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace lesnor {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the thread that made this object (the
// user-interface thread): the signal handler only writes the signal's number into a
// pipe, and a QSocketNotifier reads it in the event loop and calls `onSignal` there,
// where the normal way out can run. One instance at a time; the destructor puts the
// default handlers back.
class ExitSignals : public QObject {
public:
    explicit ExitSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~ExitSignals() override;
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // False when the pipe or a handler could not be set up.
    bool isActive() const { return active_; }

private:
    void readSignals();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool active_ = false;
};

} // namespace lesnor
