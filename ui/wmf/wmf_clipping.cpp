#include "wmf_clipping.h"

#include <algorithm>
#include <cmath>

namespace kelmor {

namespace {

// Liang-Barsky: narrows [t0, t1] of the segment a + t (b - a) to the part inside the box.
bool ClipSegment(const QPointF& a, const QPointF& b, const QRectF& box, QPointF& clippedA,
                 QPointF& clippedB) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                         box.bottom() - a.y()};
    double t0 = 0.0;
    double t1 = 1.0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    clippedA = t0 > 0.0 ? QPointF(a.x() + t0 * dx, a.y() + t0 * dy) : a;
    clippedB = t1 < 1.0 ? QPointF(a.x() + t1 * dx, a.y() + t1 * dy) : b;
    return true;
}

enum class Edge { kLeft, kRight, kTop, kBottom };

bool Inside(const QPointF& p, Edge edge, const QRectF& box) {
    switch (edge) {
        case Edge::kLeft:
            return p.x() >= box.left();
        case Edge::kRight:
            return p.x() <= box.right();
        case Edge::kTop:
            return p.y() >= box.top();
        case Edge::kBottom:
            return p.y() <= box.bottom();
    }
    return false;
}

QPointF Crossing(const QPointF& a, const QPointF& b, Edge edge, const QRectF& box) {
    if (edge == Edge::kLeft || edge == Edge::kRight) {
        const double x = edge == Edge::kLeft ? box.left() : box.right();
        const double t = (x - a.x()) / (b.x() - a.x());
        return QPointF(x, a.y() + t * (b.y() - a.y()));
    }
    const double y = edge == Edge::kTop ? box.top() : box.bottom();
    const double t = (y - a.y()) / (b.y() - a.y());
    return QPointF(a.x() + t * (b.x() - a.x()), y);
}

// Sutherland-Hodgman against one edge of the box.
QPolygonF ClipToEdge(const QPolygonF& polygon, Edge edge, const QRectF& box) {
    QPolygonF result;
    if (polygon.isEmpty()) {
        return result;
    }
    QPointF previous = polygon.last();
    bool previousInside = Inside(previous, edge, box);
    for (const QPointF& current : polygon) {
        const bool currentInside = Inside(current, edge, box);
        if (currentInside != previousInside) {
            result << Crossing(previous, current, edge, box);
        }
        if (currentInside) {
            result << current;
        }
        previous = current;
        previousInside = currentInside;
    }
    return result;
}

}  // namespace

bool IsFinite(const QPointF& point) {
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

std::vector<QPolygonF> ClipPolyline(const QPolygonF& line, const QRectF& box) {
    std::vector<QPolygonF> pieces;
    QPolygonF piece;
    const auto flush = [&] {
        if (piece.size() >= 2) {
            pieces.push_back(piece);
        }
        piece.clear();
    };
    for (int i = 0; i + 1 < line.size(); ++i) {
        const QPointF& a = line[i];
        const QPointF& b = line[i + 1];
        QPointF clippedA;
        QPointF clippedB;
        if (!IsFinite(a) || !IsFinite(b) || !ClipSegment(a, b, box, clippedA, clippedB)) {
            flush();
            continue;
        }
        if (!piece.isEmpty() && piece.last() != clippedA) {
            flush();
        }
        if (piece.isEmpty()) {
            piece << clippedA;
        }
        piece << clippedB;
        if (clippedB != b) {
            flush();
        }
    }
    flush();
    return pieces;
}

QPolygonF ClipPolygon(const QPolygonF& polygon, const QRectF& box) {
    for (const QPointF& point : polygon) {
        if (!IsFinite(point)) {
            return {};
        }
    }
    QPolygonF result = polygon;
    for (Edge edge : {Edge::kLeft, Edge::kRight, Edge::kTop, Edge::kBottom}) {
        result = ClipToEdge(result, edge, box);
    }
    return result.size() >= 3 ? result : QPolygonF();
}

}  // namespace kelmor
