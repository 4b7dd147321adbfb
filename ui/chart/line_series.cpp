#include "line_series.h"

#include <cmath>

namespace kelmor {

LineSeries::LineSeries(QCPAxis* keyAxis, QCPAxis* valueAxis, const QColor& colour)
    : QCPGraph(keyAxis, valueAxis) {
    setPen(QPen(colour));
    setLineStyle(QCPGraph::lsLine);
    setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    setSelectable(QCP::stNone);
}

void LineSeries::Clear() {
    data()->clear();
}

bool LineSeries::AddXY(DateTime x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    // Appending in time order is the cheap case; the container inserts anything else.
    data()->add(QCPGraphData(x, y));
    return true;
}

}  // namespace kelmor
