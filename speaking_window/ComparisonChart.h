#pragma once

#include "speaking/Comparison.h"

#include <QWidget>
#include <memory>

namespace lesnor {

// The model's and the attempt's waveforms stacked, and below them both pitch contours in
// semitones overlaid on the model's time line (the attempt's aligned to it), drawn with
// QPainter. Empty until a comparison is shown; a comparison with a problem shows the
// waveforms alone.
class ComparisonChart : public QWidget {
    Q_OBJECT
public:
    explicit ComparisonChart(QWidget* parent = nullptr);

    void show(std::shared_ptr<const Comparison> comparison, std::shared_ptr<const Sound> model,
              std::shared_ptr<const Sound> attempt);

    static QColor modelColour() { return QColor(30, 90, 200); }
    static QColor attemptColour() { return QColor(220, 110, 20); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const Comparison> comparison_;
    std::shared_ptr<const Sound> model_;
    std::shared_ptr<const Sound> attempt_;
};

} // namespace lesnor
