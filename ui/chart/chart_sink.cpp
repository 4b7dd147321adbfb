#include "chart_sink.h"

#include "kelmor_chart.h"

namespace kelmor {

ChartSink::ChartSink(KelmorChart& chart) : chart_(chart) {}

void ChartSink::BeginDrawing() {
    chart_.SetLeftAxisTitle(QStringLiteral("Bq/m3"));
    chart_.SetBottomAxisTitle(QStringLiteral("Time"));
    temperature_.clear();
    humidity_.clear();
    pressure_.clear();
}

void ChartSink::HandOverOverlays() {
    chart_.TemperatureSeries()->SetPoints(temperature_);
    chart_.HumiditySeries()->SetPoints(humidity_);
    chart_.PressureSeries()->SetPoints(pressure_);
}

void ChartSink::BeginMean() {
    BeginDrawing();
    mean_.clear();
    meanErrors_.clear();
}

void ChartSink::AddMean(DateTime time, double mean) {
    mean_.push_back({time, mean});
}

void ChartSink::AddMeanError(DateTime time, double mean, double error) {
    meanErrors_.push_back({time, mean, error});
}

void ChartSink::EndMean() {
    chart_.MeanSeries()->SetPoints(mean_);
    chart_.MeanErrorSeries()->SetPoints(meanErrors_);
    HandOverOverlays();
}

void ChartSink::BeginPulses() {
    BeginDrawing();
    pulses_.clear();
}

void ChartSink::AddPulse(DateTime time, double concentration, double error) {
    pulses_.push_back({time, concentration, error});
}

void ChartSink::EndPulses() {
    chart_.PulseSeries()->SetPoints(pulses_);
    HandOverOverlays();
}

void ChartSink::AddOverlay(Overlay overlay, DateTime time, double value) {
    switch (overlay) {
        case Overlay::Temperature:
            temperature_.push_back({time, value});
            break;
        case Overlay::Humidity:
            humidity_.push_back({time, value});
            break;
        case Overlay::Pressure:
            pressure_.push_back({time, value});
            break;
    }
}

}  // namespace kelmor
