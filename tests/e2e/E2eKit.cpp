#include "E2eKit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <time.h>
#include <unistd.h>

namespace lesnor::e2e {

qint64 monotonicMicros() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

void figure(const char* name, double value, const char* unit, const QString& detail) {
    QString line =
        QStringLiteral("%1: %2 %3").arg(QLatin1String(name)).arg(value, 0, 'f', 1).arg(QLatin1String(unit));
    if (!detail.isEmpty())
        line += QStringLiteral(" (%1)").arg(detail);
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
    // Also beside the screenshots, since CTest shows a passing test's output only when asked.
    QFile file(qEnvironmentVariable("LESNOR_E2E_OUT") + QStringLiteral("/figures.txt"));
    if (file.open(QIODevice::Append))
        file.write(line.toUtf8() + '\n');
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QRect rectFrom(const QString& answer) {
    const QStringList parts = answer.split(QLatin1Char(' '));
    if (parts.size() < 4)
        return {};
    return QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
}

QList<Sentence> packSentences(const QString& table, int book, int lesson) {
    QList<Sentence> out;
    QFile f(table);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QString bookText = QString::number(book);
    const QString caption = QStringLiteral("Lesson %1").arg(lesson);
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList c = line.split(QLatin1Char('\t'));
        if (c.size() >= 6 && c[0] == bookText && c[1] == caption)
            out.append({c[2], c[3], c[4].toDouble(), c[5].isEmpty() ? -1 : c[5].toDouble()});
    }
    return out;
}

Program::Program(const QString& executable, const QString& probeLibrary, const QString& tmp)
    : executable_(executable)
    , probeLibrary_(probeLibrary)
    , tmp_(tmp)
    , socketPath_(tmp + QStringLiteral("/probe")) {
    QDir().mkpath(tmp);
}

Program::~Program() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool Program::start() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString preload = env.value(QStringLiteral("LD_PRELOAD"));
    env.insert(QStringLiteral("LD_PRELOAD"),
               preload.isEmpty() ? probeLibrary_ : preload + QLatin1Char(':') + probeLibrary_);
    env.insert(QStringLiteral("LESNOR_E2E_PROBE"), socketPath_);
    env.insert(QStringLiteral("TMPDIR"), tmp_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(executable_, {});
    if (!process_.waitForStarted(10000))
        return false;
    const bool connected = waitFor(
        [this] {
            if (process_.state() == QProcess::NotRunning)
                return true;
            socket_.connectToServer(socketPath_);
            return socket_.waitForConnected(100);
        },
        30000);
    return connected && socket_.state() == QLocalSocket::ConnectedState;
}

QString Program::ask(const QString& request) {
    if (socket_.state() != QLocalSocket::ConnectedState)
        return QStringLiteral("none");
    socket_.write(request.toUtf8() + '\n');
    socket_.flush();
    QElapsedTimer clock;
    clock.start();
    while (!socket_.canReadLine() && clock.elapsed() < 10000) {
        if (!socket_.waitForReadyRead(100) && socket_.state() != QLocalSocket::ConnectedState)
            return QStringLiteral("none");
    }
    QString answer = QString::fromUtf8(socket_.readLine());
    answer.chop(1);
    return answer.replace(QStringLiteral("\\n"), QStringLiteral("\n"))
        .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
}

QRect Program::widget(const QString& name) {
    return rectFrom(ask(QStringLiteral("widget ") + name));
}

bool Program::visible(const QString& name) {
    return ask(QStringLiteral("widget ") + name).section(QLatin1Char(' '), 4, 4) == QLatin1String("1");
}

bool Program::enabled(const QString& name) {
    return ask(QStringLiteral("widget ") + name).section(QLatin1Char(' '), 5, 5) == QLatin1String("1");
}

QString Program::text(const QString& name) {
    return ask(QStringLiteral("text ") + name);
}

bool Program::click(const QString& name) {
    const QRect r = widget(name);
    if (!r.isValid())
        return false;
    x::click(r.center());
    return true;
}

bool Program::waitForText(const QString& name, const QString& text, int timeoutMs) {
    return waitFor([&] { return this->text(name) == text; }, timeoutMs);
}

void Program::settle(const QString& window) {
    QRect last;
    waitFor(
        [&] {
            const QRect now = widget(window);
            const bool still = now == last;
            last = now;
            QTest::qWait(100);
            return still;
        },
        3000);
}

bool Program::openLesson(const QString& window, const QString& book, int lesson) {
    const QString tree = window + QStringLiteral("/T1");
    const QString bookNode = ask(QStringLiteral("item %1 %2").arg(tree, book));
    if (!rectFrom(bookNode).isValid())
        return false;
    if (bookNode.section(QLatin1Char(' '), 4, 4) != QLatin1String("1")) {
        x::click(rectFrom(bookNode).center());
        if (!waitFor(
                [&] {
                    return ask(QStringLiteral("item %1 %2").arg(tree, book)).endsWith(QLatin1String(" 1"));
                },
                5000))
            return false;
    }
    const QRect node = rectFrom(ask(QStringLiteral("item %1 %2/Lesson %3").arg(tree, book).arg(lesson)));
    if (!node.isValid())
        return false;
    x::click(node.center());
    return true;
}

bool Program::waitForExit(int timeoutMs) {
    return waitFor([this] { return process_.state() == QProcess::NotRunning; }, timeoutMs);
}

QString Program::dataFolder() const {
    return tmp_ + QStringLiteral("/lesnor-%1/").arg(getuid());
}

QList<qint64> eventTimes(const QString& events, const QString& what, const QString& widget) {
    QList<qint64> times;
    for (const QString& e : events.split(QLatin1Char(';'))) {
        const QStringList f = e.split(QLatin1Char(' '));
        if (f.size() == 3 && f[1] == what && f[2] == widget)
            times << f[0].toLongLong();
    }
    return times;
}

namespace x {

bool run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

void press(QPoint at, int button) {
    run({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
         QStringLiteral("sleep"), QStringLiteral("0.05"), QStringLiteral("mousedown"),
         QString::number(button)});
}

void release(int button) {
    run({QStringLiteral("mouseup"), QString::number(button)});
}

void click(QPoint at, int button) {
    press(at, button);
    QTest::qWait(40);
    release(button);
}

void key(const QString& keys) {
    run({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

void type(const QString& text) {
    run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

QString windowOf(qint64 pid, const QString& title) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"), QString::number(pid)});
    p.waitForFinished(10000);
    for (const QString& id :
         QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (property(id, QStringLiteral("_NET_WM_NAME")).contains(title))
            return id;
    }
    return {};
}

QString property(const QString& window, const QString& name) {
    QProcess p;
    p.start(QStringLiteral("xprop"), {QStringLiteral("-id"), window, name});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QImage screenshot() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

} // namespace x

bool Capture::start() {
    QObject::connect(&parec_, &QProcess::readyReadStandardOutput, &parec_, [this] { take(); });
    parec_.start(QStringLiteral("parec"),
                 {QStringLiteral("--device=nullsink.monitor"), QStringLiteral("--format=s16le"),
                  QStringLiteral("--rate=%1").arg(rate), QStringLiteral("--channels=1"),
                  QStringLiteral("--latency-msec=20")});
    if (!parec_.waitForStarted(5000))
        return false;
    // The stream is open once the first samples arrive.
    return waitFor([this] { return !raw_.isEmpty() || parec_.state() != QProcess::Running; }, 5000) &&
           parec_.state() == QProcess::Running;
}

void Capture::take() {
    raw_ += parec_.readAllStandardOutput();
    const qint64 at = monotonicMicros() - qint64(raw_.size() / 2) * 1000000 / rate;
    firstSampleAt_ = firstSampleAt_ == 0 ? at : std::min(firstSampleAt_, at);
}

QVector<qint16> Capture::stop() {
    QTest::qWait(100);
    take();
    parec_.terminate();
    parec_.waitForFinished(5000);
    raw_ += parec_.readAllStandardOutput();
    QVector<qint16> samples(raw_.size() / 2);
    for (int i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(raw_.constData() + 2 * i);
    return samples;
}

QVector<Burst> bursts(const QVector<qint16>& s, int threshold, int gapMs, QVector<Burst>* clicks) {
    const int rate = Capture::rate;
    // First the stretches without a break of even a few milliseconds, then those joined
    // across short silences; a click stays alone.
    QVector<Burst> tight;
    for (int i = 0; i < s.size(); ++i) {
        if (std::abs(int(s[i])) < threshold)
            continue;
        if (!tight.isEmpty() && i - tight.last().last <= rate / 200)
            tight.last().last = i;
        else
            tight.append({i, i});
    }
    QVector<Burst> out;
    for (const Burst& b : tight) {
        if (b.last - b.first < rate / 100) {
            if (clicks)
                clicks->append(b);
            continue;
        }
        if (!out.isEmpty() && b.first - out.last().last <= rate * gapMs / 1000)
            out.last().last = b.last;
        else
            out.append(b);
    }
    return out;
}

QStringList clicksBeforeSound(const QVector<Burst>& clicks, const QVector<Burst>& sound) {
    QStringList before;
    for (const Burst& c : clicks) {
        const bool inside = std::any_of(sound.begin(), sound.end(), [&c](const Burst& b) {
            return c.first >= b.first && c.last <= b.last;
        });
        const bool followed =
            std::any_of(sound.begin(), sound.end(), [&c](const Burst& b) { return b.first > c.last; });
        if (!inside && followed)
            before << QStringLiteral("at %1 ms, %2 ms long")
                          .arg(c.first * 1000.0 / Capture::rate, 0, 'f', 1)
                          .arg((c.last - c.first + 1) * 1000.0 / Capture::rate, 0, 'f', 1);
    }
    return before;
}

int locate(const QVector<qint16>& capture, int from, int length, const QVector<qint16>& reference,
           int expected, int radius) {
    if (from < 0 || from + length > capture.size())
        return -1;
    double energy = 0;
    for (int k = 0; k < length; ++k)
        energy += double(capture[from + k]) * capture[from + k];
    int best = -1;
    double bestScore = 0;
    for (int at = qMax(0, expected - radius); at <= expected + radius && at + length <= reference.size();
         ++at) {
        double dot = 0, refEnergy = 0;
        for (int k = 0; k < length; ++k) {
            dot += double(capture[from + k]) * reference[at + k];
            refEnergy += double(reference[at + k]) * reference[at + k];
        }
        const double score = dot / std::sqrt(energy * refEnergy + 1);
        if (score > bestScore) {
            bestScore = score;
            best = at;
        }
    }
    return bestScore > 0.6 ? best : -1;
}

Placed place(const QVector<qint16>& capture, const Burst& b, const QVector<qint16>& reference,
             double expectedStart) {
    const int rate = Capture::rate;
    const int window = rate / 50; // 20 ms
    const int margin = rate / 100;
    Placed p;
    if (b.last - b.first < 2 * (window + margin))
        return p;
    const int head =
        locate(capture, b.first + margin, window, reference, int(expectedStart * rate) + margin, rate / 2);
    if (head < 0)
        return p;
    p.start = double(head - margin) / rate;
    const int tailFrom = b.last - margin - window;
    const int expectedTail = head - margin + (tailFrom - b.first);
    const int tail = locate(capture, tailFrom, window, reference, expectedTail, rate / 20);
    if (tail >= 0)
        p.end = double(tail + (b.last - tailFrom)) / rate;
    return p;
}

QVector<qint16> markerNoise(int samples, quint32 seed) {
    QVector<qint16> out(samples);
    quint32 state = seed;
    double previous = 0;
    for (int i = 0; i < samples; ++i) {
        state = state * 1664525u + 1013904223u;
        const double white = double(state >> 8) / double(1 << 24) * 2 - 1;
        // A gentle low-pass keeps the noise well inside what resampling preserves.
        previous = 0.5 * previous + 0.5 * white;
        out[i] = qint16(previous * 12000);
    }
    return out;
}

QByteArray wavFile(const QVector<qint16>& samples, int rate) {
    QByteArray out;
    auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    const quint32 bytes = quint32(samples.size()) * 2;
    out.append("RIFF");
    u32(36 + bytes);
    out.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.append("data");
    u32(bytes);
    for (qint16 s : samples)
        u16(quint16(s));
    return out;
}

int countPixels(const QImage& image, const QRect& r, const std::function<bool(QRgb)>& match) {
    int n = 0;
    const QRect clipped = r.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            n += match(image.pixel(x, y)) ? 1 : 0;
    }
    return n;
}

} // namespace lesnor::e2e
