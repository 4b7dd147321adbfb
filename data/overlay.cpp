#include "overlay.h"

#include "measurement_data.h"

namespace kelmor {

void AddOverlays(const SampleRecord& sample, const OverlayChoice& overlays, OverlaySink& sink) {
    if (overlays.temperature) {
        sink.AddOverlay(Overlay::Temperature, sample.Time, static_cast<double>(sample.Temperature));
    }
    if (overlays.humidity) {
        sink.AddOverlay(Overlay::Humidity, sample.Time, static_cast<double>(sample.Humidity));
    }
    if (overlays.pressure) {
        sink.AddOverlay(Overlay::Pressure, sample.Time, static_cast<double>(sample.Pressure));
    }
}

}  // namespace kelmor
