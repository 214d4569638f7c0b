// The end-to-end suite's eyes inside the running program. Loaded into `lesnor` with
// LD_PRELOAD, it starts with the application object and answers, on the local socket
// named by LESNOR_E2E_PROBE, where the named controls are on the screen and what they
// show, so the suite can aim its X pointer at them and check what a learner sees. It
// never calls into the program: it only reads widgets. One request a line, one answer
// a line:
//
//   widget <window>/<name>        x y w h visible enabled   (global pixels), or "none"
//   text <window>/<name>          the control's text, newlines as "\n"
//   item <window>/<tree> <path>   x y w h expanded of a tree node ("Book/Lesson 1")
//   find <window>/<box> <text>    x y w h of the first occurrence in a text box
//   action <name>                 x y w h of a menu entry in an open menu or menu bar
//   windows                       visible top-level windows: name|title|x y w h
//   events                        press/release/show/hide of named widgets since the
//                                 last call: "<µs> <what> <name>;..." (CLOCK_MONOTONIC)
//   loop start                    starts the event-loop probe: a 1 ms timer on the
//                                 user-interface thread, each firing's lateness kept
//   loop stop                     stops it: "<firings> <p50> <p99> <p99.9> <max>" (µs
//                                 late) then ";<µs> <late µs> <running µs> <waiting µs>"
//                                 for the five latest, each at the time the late firing
//                                 came, with how long of it the thread ran and waited
//                                 for a processor (the rest it was blocked)
//
// With LESNOR_E2E_STALL_STACKS=<file>, while the loop probe runs, a watcher thread
// writes the user-interface thread's call stack to <file> each time a firing is 20 ms
// overdue, and every 40 ms after while it stays overdue (frames as "binary(+offset)":
// resolve them with addr2line -f -C -e <binary> <offset>).
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <execinfo.h>
#include <fcntl.h>
#include <pthread.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 monotonicMicros() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

QString rectText(const QRect& r) {
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect globalRect(const QWidget* w, const QRect& local) {
    return QRect(w->mapToGlobal(local.topLeft()), local.size());
}

// "Form1/r1": the control r1 inside the top-level window named Form1. A name without a
// window is looked for in every visible top-level window.
QWidget* findWidget(const QString& path) {
    const int slash = path.indexOf(QLatin1Char('/'));
    const QString window = slash < 0 ? QString() : path.left(slash);
    const QString name = slash < 0 ? path : path.mid(slash + 1);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!window.isEmpty() && top->objectName() != window)
            continue;
        if (window.isEmpty() && !top->isVisible())
            continue;
        if (top->objectName() == name)
            return top;
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (w->objectName() == name)
                return w;
        }
    }
    return nullptr;
}

QString textOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        return p->toPlainText();
    if (auto* t = qobject_cast<QTextEdit*>(w))
        return t->toPlainText();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    return w->windowTitle();
}

QTreeWidgetItem* findItem(QTreeWidget* tree, const QStringList& path) {
    QTreeWidgetItem* node = nullptr;
    for (const QString& caption : path) {
        const int count = node ? node->childCount() : tree->topLevelItemCount();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* child = node ? node->child(i) : tree->topLevelItem(i);
            if (child->text(0) == caption)
                next = child;
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

// The rectangle of `length` characters from `from` in a text box (one line assumed),
// scrolled into view first when it is not (only the view moves, not the caret), so a
// click aimed at it lands on it.
template <class Box> QRect textRect(Box* box, int from, int length) {
    QTextCursor c(box->document());
    c.setPosition(from);
    const QRect view = box->viewport()->rect();
    if (const QRect at = box->cursorRect(c); !view.contains(at)) {
        QScrollBar* bar = box->verticalScrollBar();
        bar->setValue(bar->value() + at.center().y() - view.height() / 2);
    }
    const QRect start = box->cursorRect(c);
    c.setPosition(from + length);
    const QRect end = box->cursorRect(c);
    const QRect local(start.left(), start.top(), qMax(1, end.left() - start.left()), start.height());
    return globalRect(box->viewport(), local);
}

// Where the user-interface thread stands when it is overdue (see the top of the file).
class StallStacks {
public:
    static void start(pthread_t ui) {
        static const QByteArray path = qgetenv("LESNOR_E2E_STALL_STACKS");
        if (path.isEmpty() || running_.exchange(true))
            return;
        fd_ = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        struct sigaction a = {};
        a.sa_handler = [](int) {
            void* frames[48];
            const int n = backtrace(frames, 48);
            char head[64];
            const int len = std::snprintf(head, sizeof head, "stack at %lld us\n", (long long)monotonicMicros());
            (void)!::write(fd_, head, size_t(len));
            backtrace_symbols_fd(frames, n, fd_);
        };
        sigaction(SIGURG, &a, nullptr);
        beat();
        std::thread([ui] {
            qint64 nextSample = 0;
            while (running_) {
                usleep(2000);
                const qint64 overdue = monotonicMicros() - lastBeat_;
                if (overdue < 20000) {
                    nextSample = 20000;
                } else if (overdue >= nextSample) {
                    pthread_kill(ui, SIGURG);
                    nextSample = overdue + 40000;
                }
            }
        }).detach();
    }
    static void stop() { running_ = false; }
    static void beat() { lastBeat_ = monotonicMicros(); }

private:
    static inline std::atomic<bool> running_{false};
    static inline std::atomic<qint64> lastBeat_{0};
    static inline int fd_ = -1;
};

// How late a 1 ms timer on the user-interface thread fires: every firing's delay past
// the millisecond, so any stretch the event loop spends elsewhere shows as one late
// firing as long as that stretch.
class LoopProbe {
    // The user-interface thread's time on a processor and waiting for one (ns), from
    // the kernel's scheduler statistics.
    struct Sched {
        qint64 running = 0;
        qint64 waiting = 0;
    };
    static Sched sched() {
        Sched s;
        if (FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
            long long run = 0, wait = 0;
            if (std::fscanf(f, "%lld %lld", &run, &wait) == 2)
                s = {run, wait};
            std::fclose(f);
        }
        return s;
    }

public:
    LoopProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fired(); });
    }
    void start() {
        late_.clear();
        worst_.clear();
        last_ = monotonicMicros();
        lastSched_ = sched();
        timer_.start();
        StallStacks::start(pthread_self());
    }
    QString stop() {
        timer_.stop();
        StallStacks::stop();
        if (late_.empty())
            return QStringLiteral("0 0 0 0 0");
        std::vector<qint64> sorted = late_;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&sorted](double q) {
            return sorted[std::min(sorted.size() - 1, size_t(q * sorted.size()))];
        };
        QString out = QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(sorted.size())
                          .arg(at(0.5))
                          .arg(at(0.99))
                          .arg(at(0.999))
                          .arg(sorted.back());
        std::sort(worst_.begin(), worst_.end(), [](const Late& a, const Late& b) { return a.late > b.late; });
        for (size_t i = 0; i < std::min<size_t>(5, worst_.size()); ++i)
            out += QStringLiteral(";%1 %2 %3 %4")
                       .arg(worst_[i].at)
                       .arg(worst_[i].late)
                       .arg(worst_[i].running)
                       .arg(worst_[i].waiting);
        return out;
    }

private:
    void fired() {
        const qint64 now = monotonicMicros();
        const qint64 late = std::max<qint64>(0, now - last_ - 1000);
        last_ = now;
        StallStacks::beat();
        late_.push_back(late);
        const Sched s = sched();
        // The latest firings, kept few: the list is trimmed to the largest ones.
        if (late > 2000) {
            worst_.push_back({now, late, (s.running - lastSched_.running) / 1000,
                              (s.waiting - lastSched_.waiting) / 1000});
            if (worst_.size() > 200) {
                std::sort(worst_.begin(), worst_.end(),
                          [](const Late& a, const Late& b) { return a.late > b.late; });
                worst_.resize(5);
            }
        }
        lastSched_ = s;
    }

    struct Late {
        qint64 at, late, running, waiting; // µs
    };
    QTimer timer_;
    qint64 last_ = 0;
    Sched lastSched_;
    std::vector<qint64> late_;
    std::vector<Late> worst_;
};

class Probe : public QObject {
public:
    explicit Probe(const QString& socketPath) {
        QLocalServer::removeServer(socketPath);
        server_.listen(socketPath);
        connect(&server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = server_.nextPendingConnection()) {
                connect(s, &QLocalSocket::readyRead, this, [this, s] { serve(s); });
                connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const char* what = nullptr;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            what = "press";
            break;
        case QEvent::MouseButtonRelease:
            what = "release";
            break;
        case QEvent::Show:
            what = "show";
            break;
        case QEvent::Hide:
            what = "hide";
            break;
        default:
            return false;
        }
        if (watched->isWidgetType() && !watched->objectName().isEmpty() && events_.size() < 10000)
            events_ << QStringLiteral("%1 %2 %3")
                           .arg(monotonicMicros())
                           .arg(QLatin1String(what), watched->objectName());
        return false;
    }

private:
    void serve(QLocalSocket* socket) {
        while (socket->canReadLine()) {
            const QString request = QString::fromUtf8(socket->readLine()).trimmed();
            QString answer = answerTo(request);
            answer.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
            socket->write(answer.toUtf8() + '\n');
            socket->flush();
        }
    }

    QString answerTo(const QString& request) {
        const QString verb = request.section(QLatin1Char(' '), 0, 0);
        const QString target = request.section(QLatin1Char(' '), 1, 1);
        const QString rest = request.section(QLatin1Char(' '), 2);
        if (verb == QLatin1String("windows")) {
            QStringList list;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->isVisible())
                    list << top->objectName() + QLatin1Char('|') + top->windowTitle() + QLatin1Char('|') +
                                rectText(top->geometry());
            }
            return list.join(QLatin1Char(';'));
        }
        if (verb == QLatin1String("events")) {
            const QString all = events_.join(QLatin1Char(';'));
            events_.clear();
            return all;
        }
        if (verb == QLatin1String("loop")) {
            if (target == QLatin1String("start")) {
                loop_.start();
                return QStringLiteral("ok");
            }
            return loop_.stop();
        }
        if (verb == QLatin1String("action"))
            return actionRect(request.section(QLatin1Char(' '), 1));
        QWidget* w = findWidget(target);
        if (!w)
            return QStringLiteral("none");
        if (verb == QLatin1String("widget")) {
            return rectText(globalRect(w, w->rect())) +
                   QStringLiteral(" %1 %2").arg(int(w->isVisible())).arg(int(w->isEnabled()));
        }
        if (verb == QLatin1String("text"))
            return textOf(w);
        if (verb == QLatin1String("item")) {
            auto* tree = qobject_cast<QTreeWidget*>(w);
            QTreeWidgetItem* node = tree ? findItem(tree, rest.split(QLatin1Char('/'))) : nullptr;
            if (!node)
                return QStringLiteral("none");
            tree->scrollToItem(node);
            return rectText(globalRect(tree->viewport(), tree->visualItemRect(node))) +
                   QStringLiteral(" %1").arg(int(node->isExpanded()));
        }
        if (verb == QLatin1String("find")) {
            const int at = textOf(w).indexOf(rest);
            if (at < 0)
                return QStringLiteral("none");
            if (auto* t = qobject_cast<QTextEdit*>(w))
                return rectText(textRect(t, at, rest.size()));
            if (auto* p = qobject_cast<QPlainTextEdit*>(w))
                return rectText(textRect(p, at, rest.size()));
            return QStringLiteral("none");
        }
        return QStringLiteral("unknown request");
    }

    static QString actionRect(const QString& name) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            QList<QWidget*> holders = top->findChildren<QMenuBar*>().isEmpty()
                                          ? QList<QWidget*>{}
                                          : QList<QWidget*>{top->findChild<QMenuBar*>()};
            if (auto* menu = qobject_cast<QMenu*>(top))
                holders << menu;
            for (QWidget* holder : holders) {
                for (QAction* a : holder->actions()) {
                    const bool named = a->objectName() == name || a->text() == name ||
                                       (a->menu() && a->menu()->objectName() == name);
                    if (!named)
                        continue;
                    const QRect r = qobject_cast<QMenuBar*>(holder)
                                        ? static_cast<QMenuBar*>(holder)->actionGeometry(a)
                                        : static_cast<QMenu*>(holder)->actionGeometry(a);
                    return rectText(globalRect(holder, r));
                }
            }
        }
        return QStringLiteral("none");
    }

    QLocalServer server_;
    QStringList events_;
    LoopProbe loop_;
};

void startProbe() {
    const QString path = qEnvironmentVariable("LESNOR_E2E_PROBE");
    if (path.isEmpty())
        return;
    // Built by the event loop, once the application object is complete.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [path] {
            if (qobject_cast<QApplication*>(QCoreApplication::instance()))
                new Probe(path);
        },
        Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startProbe)
