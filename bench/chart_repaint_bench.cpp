// Repainting the chart of "All measurements" of a nearly full V7 memory at 1280 x 720: the
// pulse distribution in PulseSeries, a 24-hour running mean in MeanSeries with its errors in
// MeanErrorSeries, and temperature, humidity and pressure laid over. Once with QCustomPlot's plain
// error bars, once with the per-column envelopes; each reports its median repaint time.
// And drawing 100000 samples that arrive out of time order, from filling the series to
// the repaint.
//
// The data is the sample image samples/kelmor-v7.Rn; with --synthetic, or when the sample
// is missing, a comparable series is made up (21759 hourly samples, 20 to 800 Bq/m3 with a
// daily cycle, errors as the instrument's counting statistics give them).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "chart/chart_sink.h"
#include "chart/kelmor_chart.h"
#include "data/data_file.h"
#include "data/image_loader.h"
#include "data/pulse_distribution.h"
#include "data/running_mean.h"

namespace {

using kelmor::DateTime;
using kelmor::ErrorBarSeries;
using kelmor::KelmorChart;
using kelmor::LineSeries;

// False when the sample image cannot be read or decoded.
bool FillFromSample(KelmorChart& chart, kelmor::MeasurementData& data) {
    auto staging = std::make_unique<kelmor::ImageBuffer>();
    const kelmor::DataFileRead read =
        kelmor::ReadDataFile(QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-v7.Rn"), *staging);
    if (!read.ok) {
        return false;
    }
    kelmor::DecodeContext context;
    context.now = 73051;  // 31 December 2099
    const kelmor::DecodeOutcome outcome =
        kelmor::LoadImage(data, staging->data(), read.model, context);
    if (!outcome.measurementsFound) {
        return false;
    }
    const int all = static_cast<int>(outcome.listItems.size()) - 1;
    kelmor::ChartSink sink(chart);
    kelmor::DrawPulseDistribution(data, all, {true, true, true}, sink);
    kelmor::MeanOptions options;
    options.withErrors = true;
    options.overlays = {true, true, true};
    return kelmor::DrawMean(data, 24, all, options, sink);
}

void FillSynthetic(KelmorChart& chart) {
    constexpr int kSamples = 21759;
    constexpr double kStart = 44000;  // 18 June 2020
    std::vector<double> concentrations(kSamples);
    std::vector<ErrorBarSeries::Point> pulses;
    std::vector<LineSeries::Point> temperature, humidity, pressure, mean;
    std::vector<ErrorBarSeries::Point> meanErrors;
    for (int i = 0; i < kSamples; ++i) {
        const double daily = 0.5 + 0.5 * std::sin(i * 2 * M_PI / 24);
        const double seasonal = 0.6 + 0.4 * std::sin(i * 2 * M_PI / (24 * 365));
        const double concentration = 20 + 780 * daily * seasonal;
        concentrations[static_cast<std::size_t>(i)] = concentration;
        const double error = concentration / std::sqrt(concentration / 6);
        const DateTime time = kStart + i / 24.0;
        pulses.push_back({time, concentration, error});
        temperature.push_back({time, 18 + 4 * std::sin(i * 2 * M_PI / 24)});
        humidity.push_back({time, 50 + 15 * std::sin(i * 2 * M_PI / 200)});
        pressure.push_back({time, 98 + 3 * std::sin(i * 2 * M_PI / 500)});
    }
    double sum = 0;
    for (int i = 0; i < kSamples; ++i) {
        sum += concentrations[static_cast<std::size_t>(i)];
        if (i >= 24) {
            sum -= concentrations[static_cast<std::size_t>(i - 24)];
            const double mean24 = sum / 24;
            mean.push_back({kStart + i / 24.0, mean24});
            meanErrors.push_back({kStart + i / 24.0, mean24, mean24 / std::sqrt(sum / 6)});
        }
    }
    chart.PulseSeries()->SetPoints(pulses);
    chart.TemperatureSeries()->SetPoints(temperature);
    chart.HumiditySeries()->SetPoints(humidity);
    chart.PressureSeries()->SetPoints(pressure);
    chart.MeanSeries()->SetPoints(mean);
    chart.MeanErrorSeries()->SetPoints(meanErrors);
}

// A memory whose 27 measurements overlap in time fills every one of the 100000 sample
// slots, and "All measurements" then lists the samples far out of time order: each
// measurement starts a day after the one before and runs for 3703 hours.
void FillOverlapping(kelmor::MeasurementData& data) {
    constexpr int kMeasurements = 27;
    constexpr int kPerMeasurement = 3703;
    constexpr double kStart = 45000;
    int k = 0;
    for (int m = 0; m < kMeasurements; ++m) {
        kelmor::MeasurementEntry& entry = data.MeasurementTable[static_cast<std::size_t>(m)];
        entry.FirstSample = k;
        entry.StartTime = kStart + m;
        for (int h = 0; h < kPerMeasurement && k < kelmor::kSampleSlots - 1; ++h, ++k) {
            kelmor::SampleRecord& s = data.SampleTable[static_cast<std::size_t>(k)];
            s.Time = entry.StartTime + h / 24.0;
            s.PulseCount = 10 + (h * 7 + m * 13) % 90;
            s.Concentration = s.PulseCount * 6;
            s.Error = s.Concentration / std::sqrt(static_cast<kelmor::Extended>(s.PulseCount));
            s.Temperature = 20;
            s.Humidity = 50;
            s.Pressure = 100;
        }
        entry.LastSample = k - 1;
    }
    kelmor::MeasurementEntry& all = data.MeasurementTable[kMeasurements];
    all.FirstSample = 0;
    all.LastSample = k - 1;
    data.LastSampleIndex = k - 1;
    data.MeasurementCount = kMeasurements;
}

struct Fixture {
    std::unique_ptr<kelmor::MeasurementData> data = std::make_unique<kelmor::MeasurementData>();
    KelmorChart chart;
    bool fromSample = false;
    double medianMs[2] = {0, 0};
};

Fixture* fixture = nullptr;

void Repaint(benchmark::State& state, ErrorBarSeries::Drawing drawing) {
    KelmorChart& chart = fixture->chart;
    chart.MeanErrorSeries()->SetDrawing(drawing);
    chart.PulseSeries()->SetDrawing(drawing);
    chart.RepaintNow();
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        chart.RepaintNow();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? 0 : times[times.size() / 2];
    fixture->medianMs[drawing == ErrorBarSeries::Drawing::Plain ? 0 : 1] = median;
    state.counters["median_ms"] = median;
    state.counters["bars"] = chart.PulseSeries()->Count();
    state.SetLabel(fixture->fromSample ? "kelmor-v7.Rn" : "synthetic");
}

void RepaintPlainErrorBars(benchmark::State& state) {
    Repaint(state, ErrorBarSeries::Drawing::Plain);
}

void RepaintEnvelopes(benchmark::State& state) {
    Repaint(state, ErrorBarSeries::Drawing::Adaptive);
}

// Drawing "All measurements" of a memory whose measurements overlap: the pulse
// distribution and three overlays of 100000 samples out of time order, and a repaint.
void DrawOutOfOrder(benchmark::State& state) {
    auto data = std::make_unique<kelmor::MeasurementData>();
    FillOverlapping(*data);
    KelmorChart chart;
    chart.resize(1280, 720);
    chart.show();
    kelmor::ChartSink sink(chart);
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        kelmor::DrawPulseDistribution(*data, 27, {true, true, true}, sink);
        chart.RepaintNow();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.empty() ? 0 : times[times.size() / 2];
    state.counters["points"] = chart.PulseSeries()->Count();
}

BENCHMARK(DrawOutOfOrder)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RepaintPlainErrorBars)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RepaintEnvelopes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    bool synthetic = false;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--synthetic") == 0) {
            synthetic = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);

    Fixture shared;
    fixture = &shared;
    shared.chart.resize(1280, 720);
    shared.chart.show();
    QApplication::processEvents();
    shared.fromSample = !synthetic && FillFromSample(shared.chart, *shared.data);
    if (!shared.fromSample) {
        shared.chart.TemperatureSeries()->Clear();
        shared.chart.MeanSeries()->Clear();
        shared.chart.MeanErrorSeries()->Clear();
        shared.chart.PulseSeries()->Clear();
        shared.chart.HumiditySeries()->Clear();
        shared.chart.PressureSeries()->Clear();
        FillSynthetic(shared.chart);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (shared.medianMs[0] > 0 && shared.medianMs[1] > 0) {
        std::printf(
            "median repaint: plain error bars %.2f ms, envelopes %.2f ms, %.1f times faster\n",
            shared.medianMs[0], shared.medianMs[1], shared.medianMs[0] / shared.medianMs[1]);
    }
    fixture = nullptr;
    return 0;
}
