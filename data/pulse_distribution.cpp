#include "pulse_distribution.h"

#include <algorithm>

namespace kelmor {

void DrawPulseDistribution(const MeasurementData& data, int row, const OverlayChoice& overlays,
                           PulseSink& sink) {
    sink.BeginPulses();
    if (row >= 0 && row < kMeasurementRows) {
        const MeasurementEntry& m = data.MeasurementTable[static_cast<std::size_t>(row)];
        const int first = std::max(m.FirstSample, 0);
        const int last = std::min({m.LastSample, data.LastSampleIndex, kSampleSlots - 1});
        for (int k = first; k <= last; ++k) {
            const SampleRecord& s = data.SampleTable[static_cast<std::size_t>(k)];
            if (s.Time == 0) {
                continue;
            }
            if (s.Concentration == 0) {
                sink.AddPulse(s.Time, 0, kZeroConcentrationError);
            } else {
                sink.AddPulse(s.Time, static_cast<double>(s.Concentration),
                              static_cast<double>(s.Error));
            }
            AddOverlays(s, overlays, sink);
        }
    }
    sink.EndPulses();
}

}  // namespace kelmor
