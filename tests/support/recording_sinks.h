#pragma once

#include <vector>

#include "data/pulse_distribution.h"
#include "data/running_mean.h"

namespace kelmor::testing {

// Keeps what a drawing of the mean produced, as the chart's series would hold it.
class RecordingMeanSink : public MeanSink {
  public:
    struct Point {
        DateTime time;
        double value;
        double error;
    };

    void BeginMean() override {
        means.clear();
        errors.clear();
        temperature.clear();
        humidity.clear();
        pressure.clear();
        ++begun;
    }
    void AddMean(DateTime time, double mean) override { means.push_back({time, mean, 0}); }
    void AddMeanError(DateTime time, double mean, double error) override {
        errors.push_back({time, mean, error});
    }
    void AddOverlay(Overlay overlay, DateTime time, double value) override {
        auto& series = overlay == Overlay::Temperature ? temperature
                       : overlay == Overlay::Humidity  ? humidity
                                                       : pressure;
        series.push_back({time, value, 0});
    }

    void EndMean() override { ++ended; }

    std::vector<Point> means, errors, temperature, humidity, pressure;
    int begun = 0;
    int ended = 0;
};

// Keeps what a drawing of the pulse distribution produced.
class RecordingPulseSink : public PulseSink {
  public:
    using Point = RecordingMeanSink::Point;

    void BeginPulses() override {
        pulses.clear();
        temperature.clear();
        humidity.clear();
        pressure.clear();
        ++begun;
    }
    void AddPulse(DateTime time, double concentration, double error) override {
        pulses.push_back({time, concentration, error});
    }
    void AddOverlay(Overlay overlay, DateTime time, double value) override {
        auto& series = overlay == Overlay::Temperature ? temperature
                       : overlay == Overlay::Humidity  ? humidity
                                                       : pressure;
        series.push_back({time, value, 0});
    }
    void EndPulses() override { ++ended; }

    std::vector<Point> pulses, temperature, humidity, pressure;
    int begun = 0;
    int ended = 0;
};

}  // namespace kelmor::testing
