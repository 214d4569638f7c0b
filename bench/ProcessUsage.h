#pragma once
// What another process costs over a stretch of time, read from /proc: its CPU time
// (user + system of every thread, ended ones included) and its wake-ups (the context
// switches, voluntary and not, of its threads).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QList>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

// CPU seconds of a process: utime + stime of /proc/<pid>/stat; of this process, to the
// microsecond from getrusage.
inline double cpuSecondsOf(qint64 pid) {
    if (pid == qint64(getpid())) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0.0;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// Context switches of each thread of a process (by thread id): each one is a wake-up.
inline QHash<QString, double> switchesOf(qint64 pid) {
    QHash<QString, double> out;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches") || line.startsWith("nonvoluntary_ctxt_switches"))
                out[task] += line.mid(line.indexOf(':') + 1).trimmed().toDouble();
        }
    }
    return out;
}

// Context switches of every living thread of a process.
inline double wakeUpsOf(qint64 pid) {
    double total = 0;
    const QHash<QString, double> switches = switchesOf(pid);
    for (double n : switches)
        total += n;
    return total;
}

// CPU share (% of one core) and wake-ups per second of a process over a stretch. The
// kernel keeps no switch count of an ended thread: those of threads that ended inside
// the stretch are missing from `wakeUpsPerSecond`, and `threadsEnded` says how many.
struct Usage {
    double cpuPct = 0.0;
    double wakeUpsPerSecond = 0.0;
    int threadsEnded = 0;
};

class UsageMeter {
public:
    explicit UsageMeter(qint64 pid)
        : pid_(pid) {}
    void start() {
        cpu_ = cpuSecondsOf(pid_);
        switches_ = switchesOf(pid_);
        wall_.start();
    }
    Usage stop() const {
        const double seconds = double(wall_.nsecsElapsed()) / 1e9;
        const QHash<QString, double> now = switchesOf(pid_);
        Usage u;
        u.cpuPct = 100.0 * (cpuSecondsOf(pid_) - cpu_) / seconds;
        double wakeUps = 0;
        for (auto it = now.begin(); it != now.end(); ++it)
            wakeUps += it.value() - switches_.value(it.key(), 0.0);
        u.wakeUpsPerSecond = wakeUps / seconds;
        for (auto it = switches_.begin(); it != switches_.end(); ++it)
            u.threadsEnded += now.contains(it.key()) ? 0 : 1;
        return u;
    }

private:
    qint64 pid_;
    double cpu_ = 0.0;
    QHash<QString, double> switches_;
    QElapsedTimer wall_;
};

// The machine's load average over the last minute, for the detail of a figure.
inline double loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : 0.0;
}

} // namespace bench
