#pragma once

#include <qcustomplot.h>

namespace kelmor {

// The part of an axis over which the data is laid out. The instrument's chart keeps strips
// free along the plot edges (the left axis leaves the bottom 3 %, the right axis 5 % at each
// end, the time axis 1 % plus 4 pixels at each end) so that bars at zero or at the extremes
// stand clear of the frame. QCustomPlot axes always span the whole axis rect, so the band
// is emulated by widening the axis range: the data range then maps exactly onto the band.
// Fractions are measured from the low end of the axis (bottom, or left for the time axis).
struct AxisBand {
    double startFraction = 0;
    double endFraction = 1;
    double startOffsetPixels = 0;
    double endOffsetPixels = 0;
};

// The range to give an axis of `lengthPixels` so that `dataRange` falls on `band`. A data
// range without extent is first widened by `emptyHalfWidth` on each side, so a single point
// still gets a usable scale.
QCPRange PadRangeToBand(const QCPRange& dataRange, const AxisBand& band, double lengthPixels,
                        double emptyHalfWidth);

// `dataRange`, widened by `emptyHalfWidth` on each side when it has no extent.
QCPRange WidenEmptyRange(const QCPRange& dataRange, double emptyHalfWidth);

}  // namespace kelmor
