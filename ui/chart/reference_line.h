#pragma once

#include <qcustomplot.h>
#include <optional>

namespace kelmor {

// A reference level on the chart: a dashed horizontal line across the plot at a
// concentration of the left axis, labelled with its value at the right end. Items of the
// plot, so the screen, pictures and paper all draw it with the series.
class ReferenceLine {
  public:
    ReferenceLine(QCustomPlot* plot, QCPAxis* keyAxis, QCPAxis* valueAxis);

    // None hides the line.
    void Set(std::optional<double> bqm3);
    // Once the axes have their ranges: the label above the line, or below it where the
    // line runs too near the top of the plot for the label to show there.
    void Place();
    std::optional<double> Level() const { return level_; }

    static QColor Colour();

  private:
    QCPItemStraightLine* line_ = nullptr;
    QCPItemText* label_ = nullptr;
    std::optional<double> level_;
};

}  // namespace kelmor
