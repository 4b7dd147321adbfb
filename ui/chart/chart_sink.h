#pragma once

#include <vector>

#include "data/pulse_distribution.h"
#include "data/running_mean.h"
#include "error_bar_series.h"
#include "line_series.h"

namespace kelmor {

class KelmorChart;

// Draws the pulse distribution and the running mean into the chart's series. A drawing's
// points are gathered and each series gets them in one piece when the drawing ends: one
// sort instead of an insertion per point out of time order keeps a whole memory drawn
// across overlapping measurements fast. Keep one sink for the chart's life, so its
// gathering storage is reused.
class ChartSink : public MeanSink, public PulseSink {
  public:
    explicit ChartSink(KelmorChart& chart);

    // The mean and its errors, and the overlays.
    void BeginMean() override;
    void AddMean(DateTime time, double mean) override;
    void AddMeanError(DateTime time, double mean, double error) override;
    void EndMean() override;

    // The pulse distribution, and the overlays.
    void BeginPulses() override;
    void AddPulse(DateTime time, double concentration, double error) override;
    void EndPulses() override;

    void AddOverlay(Overlay overlay, DateTime time, double value) override;

  private:
    void BeginDrawing();
    void HandOverOverlays();

    KelmorChart& chart_;
    std::vector<LineSeries::Point> mean_;
    std::vector<ErrorBarSeries::Point> meanErrors_;
    std::vector<ErrorBarSeries::Point> pulses_;
    std::vector<LineSeries::Point> temperature_;
    std::vector<LineSeries::Point> humidity_;
    std::vector<LineSeries::Point> pressure_;
};

}  // namespace kelmor
