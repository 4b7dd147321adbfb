#pragma once

#include "date_time.h"

namespace kelmor {

struct SampleRecord;

// The climate values that can be laid over the radon on the chart's right axis; which of
// them a model records is the decoder's business, which are shown is the user's.
enum class Overlay { Temperature, Humidity, Pressure };

struct OverlayChoice {
    bool temperature = false;
    bool humidity = false;
    bool pressure = false;
};

// What every drawing that lays the climate over the radon writes into.
class OverlaySink {
  public:
    virtual ~OverlaySink() = default;
    virtual void AddOverlay(Overlay overlay, DateTime time, double value) = 0;
};

// The chosen overlays of one sample, at its time.
void AddOverlays(const SampleRecord& sample, const OverlayChoice& overlays, OverlaySink& sink);

}  // namespace kelmor
