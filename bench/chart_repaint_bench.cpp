// Repainting the chart of "All measurements" of a nearly full V7 memory at 1280 x 720: the
// pulse distribution in Series4, a 24-hour running mean in Series2 with its errors in
// Series3, and temperature, humidity and pressure laid over. Once with QCustomPlot's plain
// error bars, once with the per-column envelopes; each reports its median repaint time.
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

#include "chart/kelmor_chart.h"
#include "data/data_file.h"
#include "data/image_loader.h"
#include "data/running_mean.h"

namespace {

using kelmor::DateTime;
using kelmor::ErrorBarSeries;
using kelmor::KelmorChart;

class ChartSink : public kelmor::MeanSink {
  public:
    explicit ChartSink(KelmorChart& chart) : chart_(chart) {}
    void BeginMean() override {
        chart_.Series2()->Clear();
        chart_.Series3()->Clear();
    }
    void AddMean(DateTime time, double mean) override { chart_.Series2()->AddXY(time, mean); }
    void AddMeanError(DateTime time, double mean, double error) override {
        chart_.Series3()->AddXYError(time, mean, error);
    }
    void AddOverlay(kelmor::Overlay, DateTime, double) override {}

  private:
    KelmorChart& chart_;
};

void AddSample(KelmorChart& chart, const kelmor::SampleRecord& s) {
    const double concentration = static_cast<double>(s.Concentration);
    if (concentration == 0) {
        chart.Series4()->AddXYError(s.Time, 0, 0.1);
    } else {
        chart.Series4()->AddXYError(s.Time, concentration, static_cast<double>(s.Error));
    }
    chart.Series1()->AddXY(s.Time, static_cast<double>(s.Temperature));
    chart.Series5()->AddXY(s.Time, static_cast<double>(s.Humidity));
    chart.Series6()->AddXY(s.Time, static_cast<double>(s.Pressure));
}

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
    const kelmor::MeasurementEntry& entry = data.MeasurementTable[static_cast<std::size_t>(all)];
    for (int k = std::max(entry.FirstSample, 0); k <= entry.LastSample; ++k) {
        const kelmor::SampleRecord& s = data.SampleTable[static_cast<std::size_t>(k)];
        if (s.Time != 0) {
            AddSample(chart, s);
        }
    }
    kelmor::MeanOptions options;
    options.withErrors = true;
    ChartSink sink(chart);
    return kelmor::DrawMean(data, 24, all, options, sink);
}

void FillSynthetic(KelmorChart& chart) {
    constexpr int kSamples = 21759;
    constexpr double kStart = 44000;  // 18 June 2020
    std::vector<double> concentrations(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const double daily = 0.5 + 0.5 * std::sin(i * 2 * M_PI / 24);
        const double seasonal = 0.6 + 0.4 * std::sin(i * 2 * M_PI / (24 * 365));
        const double concentration = 20 + 780 * daily * seasonal;
        concentrations[static_cast<std::size_t>(i)] = concentration;
        const double error = concentration / std::sqrt(concentration / 6);
        const DateTime time = kStart + i / 24.0;
        chart.Series4()->AddXYError(time, concentration, error);
        chart.Series1()->AddXY(time, 18 + 4 * std::sin(i * 2 * M_PI / 24));
        chart.Series5()->AddXY(time, 50 + 15 * std::sin(i * 2 * M_PI / 200));
        chart.Series6()->AddXY(time, 98 + 3 * std::sin(i * 2 * M_PI / 500));
    }
    double sum = 0;
    for (int i = 0; i < kSamples; ++i) {
        sum += concentrations[static_cast<std::size_t>(i)];
        if (i >= 24) {
            sum -= concentrations[static_cast<std::size_t>(i - 24)];
            const double mean = sum / 24;
            chart.Series2()->AddXY(kStart + i / 24.0, mean);
            chart.Series3()->AddXYError(kStart + i / 24.0, mean, mean / std::sqrt(sum / 6));
        }
    }
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
    chart.Series3()->SetDrawing(drawing);
    chart.Series4()->SetDrawing(drawing);
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
    state.counters["bars"] = chart.Series4()->Count();
    state.SetLabel(fixture->fromSample ? "kelmor-v7.Rn" : "synthetic");
}

void RepaintPlainErrorBars(benchmark::State& state) {
    Repaint(state, ErrorBarSeries::Drawing::Plain);
}

void RepaintEnvelopes(benchmark::State& state) {
    Repaint(state, ErrorBarSeries::Drawing::Adaptive);
}

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
        shared.chart.Series1()->Clear();
        shared.chart.Series2()->Clear();
        shared.chart.Series3()->Clear();
        shared.chart.Series4()->Clear();
        shared.chart.Series5()->Clear();
        shared.chart.Series6()->Clear();
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
