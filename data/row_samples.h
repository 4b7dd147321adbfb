#pragma once

#include <algorithm>

#include "measurement_data.h"

namespace kelmor {

// The slots of SampleTable that measurement row `row` covers, kept inside the samples the
// decoder wrote: a row outside MeasurementTable, or one without samples, gives an empty
// span (last < first).
struct SampleSpan {
    int first = 0;
    int last = -1;
};

inline SampleSpan RowSamples(const MeasurementData& data, int row) {
    if (row < 0 || row >= kMeasurementRows) {
        return {};
    }
    const MeasurementEntry& m = data.MeasurementTable[static_cast<std::size_t>(row)];
    return {std::max(m.FirstSample, 0),
            std::min({m.LastSample, data.LastSampleIndex, kSampleSlots - 1})};
}

}  // namespace kelmor
