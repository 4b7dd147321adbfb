#include "axis_band.h"

#include <algorithm>

namespace kelmor {

QCPRange WidenEmptyRange(const QCPRange& dataRange, double emptyHalfWidth) {
    if (dataRange.upper > dataRange.lower) {
        return dataRange;
    }
    return QCPRange(dataRange.lower - emptyHalfWidth, dataRange.lower + emptyHalfWidth);
}

QCPRange PadRangeToBand(const QCPRange& dataRange, const AxisBand& band, double lengthPixels,
                        double emptyHalfWidth) {
    const QCPRange data = WidenEmptyRange(dataRange, emptyHalfWidth);
    double start = band.startFraction;
    double end = band.endFraction;
    if (lengthPixels > 0) {
        start += band.startOffsetPixels / lengthPixels;
        end -= band.endOffsetPixels / lengthPixels;
    }
    // A plot too small for its offsets falls back to the band without them.
    if (end - start < 0.1) {
        start = band.startFraction;
        end = band.endFraction;
    }
    const double span = data.size() / std::max(end - start, 1e-6);
    const double lower = data.lower - start * span;
    return QCPRange(lower, lower + span);
}

}  // namespace kelmor
