#pragma once

#include "date_time.h"
#include "measurement_data.h"
#include "overlay.h"

namespace kelmor {

// Where a drawing of the pulse distribution puts its points: the chart in the window, a
// list in tests and the command-line tool.
class PulseSink : public OverlaySink {
  public:
    // Before every drawing: the pulses and the overlays are emptied.
    virtual void BeginPulses() = 0;
    virtual void AddPulse(DateTime time, double concentration, double error) = 0;
    // After every drawing, also one that found nothing to draw.
    virtual void EndPulses() {}
};

// A concentration of exactly 0 is drawn with this error, so that its hour shows as a bar.
constexpr double kZeroConcentrationError = 0.1;

// Every sample of measurement row `row` with its error and the chosen overlays, in table
// order; samples without a time (never written) are left out. A row outside the table
// draws nothing.
void DrawPulseDistribution(const MeasurementData& data, int row, const OverlayChoice& overlays,
                           PulseSink& sink);

}  // namespace kelmor
