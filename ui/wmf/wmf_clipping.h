#pragma once

#include <QPolygonF>
#include <QRectF>
#include <vector>

namespace kelmor {

// Metafile coordinates are 16-bit, so whatever lies beyond them is cut off geometrically
// (a clamped coordinate would bend the line towards the edge instead).

// The parts of a polyline inside `box`, each a polyline of its own. A point that is not a
// finite number breaks the line there.
std::vector<QPolygonF> ClipPolyline(const QPolygonF& line, const QRectF& box);

// A polygon cut to `box`: still one polygon, which may run along the box's edges. Empty when
// nothing remains or a point is not a finite number.
QPolygonF ClipPolygon(const QPolygonF& polygon, const QRectF& box);

bool IsFinite(const QPointF& point);

}  // namespace kelmor
