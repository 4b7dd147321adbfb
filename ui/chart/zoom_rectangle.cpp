#include "zoom_rectangle.h"

namespace kelmor {

ZoomRectangle::ZoomRectangle(QCustomPlot* plot) : QCPSelectionRect(plot) {
    setPen(QPen(QColor(128, 128, 128)));
    setBrush(Qt::NoBrush);
}

void ZoomRectangle::Show(const QRect& rect) {
    mRect = rect;
    mActive = true;
    layer()->replot();
}

void ZoomRectangle::Hide() {
    if (!mActive) {
        return;
    }
    mActive = false;
    layer()->replot();
}

}  // namespace kelmor
