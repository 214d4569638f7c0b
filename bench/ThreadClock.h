#pragma once
// Time of the calling thread that does not depend on how busy the machine is: wall time
// minus the time the thread was ready but waiting for a processor (the kernel's
// schedstat). What is left is the thread's own running plus the time it chose to wait
// (a sleep, a wait on another thread): what the user waits for on an idle machine.
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <algorithm>
#include <vector>

namespace bench {

inline double runqueueWaitMs() {
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
    return fields.size() >= 2 ? fields.at(1).toDouble() / 1e6 : 0.0;
}

class ThreadClock {
public:
    void start() {
        waitAtStart_ = runqueueWaitMs();
        wall_.start();
    }
    double wallMs() const { return double(wall_.nsecsElapsed()) / 1e6; }
    // Wall time minus the time spent waiting for a processor since start().
    double unloadedMs() const {
        const double wall = wallMs();
        return std::max(0.0, wall - (runqueueWaitMs() - waitAtStart_));
    }

private:
    QElapsedTimer wall_;
    double waitAtStart_ = 0.0;
};

inline double median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace bench
