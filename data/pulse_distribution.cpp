#include "pulse_distribution.h"

#include "row_samples.h"

namespace kelmor {

void DrawPulseDistribution(const MeasurementData& data, int row, const OverlayChoice& overlays,
                           PulseSink& sink) {
    sink.BeginPulses();
    const SampleSpan span = RowSamples(data, row);
    for (int k = span.first; k <= span.last; ++k) {
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
    sink.EndPulses();
}

}  // namespace kelmor
