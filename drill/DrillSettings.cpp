#include "drill/DrillSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace lesnor {
namespace {

bool near(double a, double b) {
    return std::abs(a - b) < 1e-6;
}

template <class T> bool oneOf(const QList<T>& list, T value) {
    for (T v : list) {
        if (near(double(v), double(value)))
            return true;
    }
    return false;
}

template <class T> T stepIn(const QList<T>& steps, T value, int by) {
    if (by < 0) {
        for (int i = int(steps.size()) - 1; i >= 0; --i) {
            if (double(steps.at(i)) < double(value) - 1e-6)
                return steps.at(i);
        }
        return steps.first();
    }
    for (T v : steps) {
        if (double(v) > double(value) + 1e-6)
            return v;
    }
    return steps.last();
}

QString number(double value) {
    return QString::number(value, 'f', 1);
}

// A value as QSettings stores it, or `fallback` when absent or not a number.
double numberAt(const QSettings& s, const char* key, double fallback) {
    bool ok = false;
    const double v = s.value(QLatin1String(key)).toString().toDouble(&ok);
    return ok && std::isfinite(v) ? v : fallback;
}

bool flagAt(const QSettings& s, const char* key, bool fallback) {
    const QString v = s.value(QLatin1String(key)).toString();
    if (v == QLatin1String("true"))
        return true;
    if (v == QLatin1String("false"))
        return false;
    return fallback;
}

} // namespace

const QList<int>& DrillSettings::loopChoices() {
    static const QList<int> v{2, 3, 5, 0};
    return v;
}

const QList<double>& DrillSettings::rates() {
    static const QList<double> v{0.5, 0.6, 0.7, 0.8, 0.9, 1.0};
    return v;
}

const QList<double>& DrillSettings::pauseFactors() {
    static const QList<double> v{1.0, 1.5, 2.0};
    return v;
}

const QList<int>& DrillSettings::textPercents() {
    static const QList<int> v{100, 110, 125, 150, 175, 200};
    return v;
}

double DrillSettings::step(const QList<double>& steps, double value, int by) {
    return stepIn(steps, value, by);
}

int DrillSettings::step(const QList<int>& steps, int value, int by) {
    return stepIn(steps, value, by);
}

DrillSettings DrillSettings::checked() const {
    const DrillSettings plain;
    DrillSettings s = *this;
    if (s.loopTimes != 1 && !oneOf(loopChoices(), s.loopTimes))
        s.loopTimes = plain.loopTimes;
    if (!oneOf(rates(), s.rate))
        s.rate = plain.rate;
    if (!oneOf(pauseFactors(), s.pauseFactor))
        s.pauseFactor = plain.pauseFactor;
    if (!oneOf(textPercents(), s.textPercent))
        s.textPercent = plain.textPercent;
    return s;
}

QString DrillSettings::describe() const {
    QStringList on;
    if (loopTimes == 0)
        on << QStringLiteral("单句循环");
    else if (loopTimes > 1)
        on << QStringLiteral("单句循环 %1 遍").arg(loopTimes);
    if (!near(rate, 1.0))
        on << QStringLiteral("语速 %1×").arg(number(rate));
    if (pauseToRepeat)
        on << QStringLiteral("跟读停顿 %1×").arg(number(pauseFactor));
    if (listenFirst)
        on << QStringLiteral("先听后看");
    return on.join(QStringLiteral(" · "));
}

DrillSettings DrillSettings::read(const QString& path) {
    DrillSettings s;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return s;
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return s;
    file.beginGroup(QStringLiteral("drill"));
    s.loopTimes = int(numberAt(file, "loopTimes", s.loopTimes));
    s.rate = numberAt(file, "rate", s.rate);
    s.pauseToRepeat = flagAt(file, "pauseToRepeat", s.pauseToRepeat);
    s.pauseFactor = numberAt(file, "pauseFactor", s.pauseFactor);
    s.listenFirst = flagAt(file, "listenFirst", s.listenFirst);
    s.textPercent = int(numberAt(file, "textPercent", s.textPercent));
    return s.checked();
}

// Written whole to a fresh file beside it, then renamed over it: a kill leaves the old
// file or the new one, and nothing of a corrupt old file survives.
bool DrillSettings::write(const QString& path, const DrillSettings& settings) {
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    const QString fresh = path + QStringLiteral(".new");
    QFile::remove(fresh);
    {
        QSettings file(fresh, QSettings::IniFormat);
        file.beginGroup(QStringLiteral("drill"));
        file.setValue(QStringLiteral("loopTimes"), settings.loopTimes);
        file.setValue(QStringLiteral("rate"), number(settings.rate));
        file.setValue(QStringLiteral("pauseToRepeat"), settings.pauseToRepeat);
        file.setValue(QStringLiteral("pauseFactor"), number(settings.pauseFactor));
        file.setValue(QStringLiteral("listenFirst"), settings.listenFirst);
        file.setValue(QStringLiteral("textPercent"), settings.textPercent);
        file.endGroup();
        file.sync();
        if (file.status() != QSettings::NoError)
            return false;
    }
    return std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0;
}

QString DrillSettings::standardPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/lesnor/drill.conf");
}

} // namespace lesnor
