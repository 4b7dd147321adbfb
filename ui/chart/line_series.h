#pragma once

#include <qcustomplot.h>
#include <QColor>

#include "data/date_time.h"

namespace kelmor {

// A line series of the chart: straight lines between its points, no point marks. Adding a
// point never repaints; the window repaints once a drawing is complete.
class LineSeries : public QCPGraph {
  public:
    LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis, const QColor& colour);

    void Clear();
    // Points may come in any order; they are kept sorted by time. A point with a value that
    // is not a finite number is refused (false).
    bool AddXY(DateTime x, double y);
    int Count() const { return dataCount(); }
};

}  // namespace kelmor
