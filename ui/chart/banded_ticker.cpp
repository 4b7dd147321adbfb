#include "banded_ticker.h"

#include <algorithm>

namespace kelmor {

void BandedTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar,
                            int precision, QVector<double>& ticks, QVector<double>* subTicks,
                            QVector<QString>* tickLabels) {
    const QCPRange shown(std::max(range.lower, band_.lower), std::min(range.upper, band_.upper));
    // The base ticker divides by the range size: a band outside the range, or one without
    // extent, gets no ticks at all.
    if (!hasBand_ || !(shown.upper > shown.lower) || !QCPRange::validRange(shown)) {
        ticks.clear();
        if (subTicks) {
            subTicks->clear();
        }
        if (tickLabels) {
            tickLabels->clear();
        }
        return;
    }
    QCPAxisTicker::generate(shown, locale, formatChar, precision, ticks, subTicks, tickLabels);
}

}  // namespace kelmor
