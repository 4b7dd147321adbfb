#pragma once

#include "data/pulse_distribution.h"

namespace kelmor::cli {

// The pulse distribution as the chart draws it, printed through Out(): every hour of the
// measurement with the error bar drawn at it, "YYYY-MM-DDTHH:MM:SS;Bq/m3;error".
class PulseLines : public PulseSink {
  public:
    void BeginPulses() override {}
    void AddPulse(DateTime time, double concentration, double error) override;
    void AddOverlay(Overlay, DateTime, double) override {}
};

}  // namespace kelmor::cli
