#include <QApplication>
#include <QMouseEvent>

#include "kelmor_chart.h"
#include "zoom_rectangle.h"

// Mouse handling of the chart. QCustomPlot's own handling (selection, dragging axes) is
// not used: panning is off and a drag means zoom or undo zoom.

namespace kelmor {

void KelmorChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    pressed_ = true;
    dragging_ = false;
    pressPosition_ = event->position().toPoint();
    event->accept();
}

void KelmorChart::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) {
        event->ignore();
        return;
    }
    const QPoint here = event->position().toPoint();
    if (!dragging_ && IsDrag(pressPosition_, here)) {
        dragging_ = true;
    }
    if (dragging_) {
        zoomRectangle_->Show(QRect(pressPosition_, here).normalized());
    }
    event->accept();
}

void KelmorChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        event->ignore();
        return;
    }
    pressed_ = false;
    const QPoint here = event->position().toPoint();
    const bool drag = dragging_ || IsDrag(pressPosition_, here);
    dragging_ = false;
    zoomRectangle_->Hide();
    event->accept();
    if (drag) {
        FinishDrag(pressPosition_, here);
    } else {
        emit clicked();
    }
}

void KelmorChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // The release that ends a double click is no click of its own: it would at once undo
    // what the double click started (the window's title editing).
    pressed_ = false;
    dragging_ = false;
    zoomRectangle_->Hide();
    event->accept();
    emit doubleClicked();
}

bool KelmorChart::IsDrag(const QPoint& from, const QPoint& to) const {
    return (to - from).manhattanLength() >= QApplication::startDragDistance();
}

void KelmorChart::FinishDrag(const QPoint& from, const QPoint& to) {
    const QPoint move = to - from;
    if (move.x() > 0 && move.y() > 0) {
        ZoomInto(QRect(from, to));
    } else if (move.x() < 0 && move.y() < 0) {
        UndoZoom();
    }
}

void KelmorChart::ZoomInto(const QRect& pixels) {
    // Nothing drawn, nothing to zoom into: the range on show must keep reading 0.
    if (!DataRanges().hasBottom) {
        return;
    }
    const QRect inside = pixels.intersected(axisRect()->rect());
    if (inside.width() < 1 || inside.height() < 1) {
        return;
    }
    const auto span = [](QCPAxis* axis, int from, int to) {
        return QCPRange(axis->pixelToCoord(from), axis->pixelToCoord(to));
    };
    zoom_.bottom = span(xAxis, inside.left(), inside.right() + 1);
    zoom_.left = span(yAxis, inside.bottom() + 1, inside.top());
    zoom_.right = span(yAxis2, inside.bottom() + 1, inside.top());
    zoomed_ = true;
    RepaintNow();
    emit zoomed();
}

}  // namespace kelmor
