#pragma once

#include <qcustomplot.h>

namespace kelmor {

// The grey rectangle shown while the user drags out a zoom. It lives on QCustomPlot's
// buffered overlay layer, so following the mouse repaints only that layer, never the
// thousands of bars underneath.
class ZoomRectangle : public QCPSelectionRect {
  public:
    explicit ZoomRectangle(QCustomPlot* plot);

    void Show(const QRect& rect);
    void Hide();
};

}  // namespace kelmor
