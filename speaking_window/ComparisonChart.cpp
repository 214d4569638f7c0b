#include "speaking_window/ComparisonChart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace lesnor {
namespace {

// One column of min/max per pixel over `seconds` of the sound.
void drawWave(QPainter& p, const QRectF& box, const Sound& sound, double seconds, const QColor& colour) {
    p.setPen(QColor(200, 200, 200));
    p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
    if (sound.samples.empty() || seconds <= 0)
        return;
    p.setPen(colour);
    const double perPixel = seconds * sound.rate / box.width();
    const double half = box.height() / 2;
    for (int x = 0; x < int(box.width()); ++x) {
        const size_t from = size_t(x * perPixel);
        const size_t to = std::min(sound.samples.size(), size_t((x + 1) * perPixel) + 1);
        if (from >= to)
            break;
        const auto [lo, hi] =
            std::minmax_element(sound.samples.begin() + long(from), sound.samples.begin() + long(to));
        p.drawLine(QPointF(box.left() + x, box.center().y() - double(*hi) * half),
                   QPointF(box.left() + x, box.center().y() - double(*lo) * half));
    }
}

} // namespace

ComparisonChart::ComparisonChart(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("ComparisonChart"));
    setMinimumSize(480, 300);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void ComparisonChart::show(std::shared_ptr<const Comparison> comparison, std::shared_ptr<const Sound> model,
                           std::shared_ptr<const Sound> attempt) {
    comparison_ = std::move(comparison);
    model_ = std::move(model);
    attempt_ = std::move(attempt);
    update();
}

void ComparisonChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (!comparison_ || !model_ || !attempt_)
        return;
    const QRectF area = QRectF(rect()).adjusted(44, 8, -8, -22);
    const double waveHeight = area.height() * 0.2;
    const QRectF modelBox(area.left(), area.top(), area.width(), waveHeight);
    const QRectF attemptBox(area.left(), modelBox.bottom() + 4, area.width(), waveHeight);
    const QRectF pitchBox(area.left(), attemptBox.bottom() + 10, area.width(),
                          area.bottom() - attemptBox.bottom() - 10);
    const double seconds = std::max(model_->seconds(), attempt_->seconds());

    p.setPen(Qt::darkGray);
    p.drawText(QRectF(0, modelBox.top(), 40, waveHeight), Qt::AlignCenter, QStringLiteral("原声"));
    p.drawText(QRectF(0, attemptBox.top(), 40, waveHeight), Qt::AlignCenter, QStringLiteral("我的"));
    drawWave(p, modelBox, *model_, seconds, modelColour());
    drawWave(p, attemptBox, *attempt_, seconds, attemptColour());

    // The time axis: a tick and its seconds every second.
    p.setPen(Qt::darkGray);
    for (int s = 0; s <= int(seconds); ++s) {
        const double x = area.left() + s / seconds * area.width();
        p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        p.drawText(QRectF(x - 20, area.bottom() + 4, 40, 16), Qt::AlignCenter,
                   QStringLiteral("%1 秒").arg(s));
    }
    p.drawRect(pitchBox);
    if (!comparison_->comparable())
        return;

    // Semitones: the range of both contours, a line every two.
    const VoiceAnalysis& model = comparison_->model;
    std::vector<float> all;
    for (int i = 0; i < model.frames(); ++i) {
        if (model.pitchHz[size_t(i)] > 0)
            all.push_back(float(semitonesOf(model.pitchHz[size_t(i)])));
        if (!std::isnan(comparison_->alignedPitch[size_t(i)]))
            all.push_back(comparison_->alignedPitch[size_t(i)]);
    }
    if (all.empty())
        return;
    // The range of all but the outermost 2 % at either end: a tracker's octave slip at a
    // voice's edge does not squeeze the contours flat; points outside are left out.
    std::sort(all.begin(), all.end());
    const double bottom = std::floor(all[all.size() / 50]) - 1;
    const double top = std::ceil(all[all.size() - 1 - all.size() / 50]) + 1;
    const auto y = [&](double st) {
        return pitchBox.bottom() - (st - bottom) / (top - bottom) * pitchBox.height();
    };
    for (int st = int(bottom); st <= int(top); ++st) {
        if (st % 2)
            continue;
        p.setPen(QColor(230, 230, 230));
        p.drawLine(QPointF(pitchBox.left(), y(st)), QPointF(pitchBox.right(), y(st)));
        p.setPen(Qt::darkGray);
        p.drawText(QRectF(0, y(st) - 8, 40, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(st));
    }
    p.drawText(QRectF(0, pitchBox.top() - 14, 44, 14), Qt::AlignCenter, QStringLiteral("半音"));

    p.setRenderHint(QPainter::Antialiasing, true);
    const double frame = model.frameSeconds();
    const auto contour = [&](auto value, const QColor& colour) {
        QPainterPath path;
        bool open = false;
        for (int i = 0; i < model.frames(); ++i) {
            const double st = value(i);
            if (std::isnan(st) || st < bottom || st > top) {
                open = false;
                continue;
            }
            const QPointF at(area.left() + (i + 0.5) * frame / seconds * area.width(), y(st));
            open ? path.lineTo(at) : path.moveTo(at);
            open = true;
        }
        p.setPen(QPen(colour, 2.5));
        p.drawPath(path);
    };
    contour(
        [&](int i) {
            const float hz = model.pitchHz[size_t(i)];
            return hz > 0 ? semitonesOf(hz) : std::nan("");
        },
        modelColour());
    contour([&](int i) { return double(comparison_->alignedPitch[size_t(i)]); }, attemptColour());
}

} // namespace lesnor
