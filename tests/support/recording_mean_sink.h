#pragma once

#include <vector>

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

    std::vector<Point> means, errors, temperature, humidity, pressure;
    int begun = 0;
};

}  // namespace kelmor::testing
