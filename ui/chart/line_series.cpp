#include "line_series.h"

#include <algorithm>
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

int LineSeries::SetPoints(std::vector<Point>& points) {
    points.erase(
        std::remove_if(points.begin(), points.end(),
                       [](const Point& p) { return !std::isfinite(p.x) || !std::isfinite(p.y); }),
        points.end());
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.x < b.x; });
    QVector<QCPGraphData> values;
    values.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& p : points) {
        values.append(QCPGraphData(p.x, p.y));
    }
    data()->set(values, true);
    return static_cast<int>(points.size());
}

}  // namespace kelmor
