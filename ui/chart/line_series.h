#pragma once

#include <qcustomplot.h>
#include <QColor>
#include <vector>

#include "data/date_time.h"

namespace kelmor {

// A line series of the chart: straight lines between its points, no point marks. Setting the
// points never repaints; the window repaints once a drawing is complete.
class LineSeries : public QCPGraph {
  public:
    LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis, const QColor& colour);

    struct Point {
        DateTime x;
        double y;
    };

    void Clear();
    // Replaces every point with `points`, which may come in any order: they are sorted by
    // time once, stably. A point with a coordinate that is not a finite number is left out.
    // Sorts `points` in place and returns how many were kept.
    int SetPoints(std::vector<Point>& points);
    int Count() const { return dataCount(); }
};

}  // namespace kelmor
