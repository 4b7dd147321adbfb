// Decoding the sample V7 image, a nearly full memory of about 21000 hourly samples.
#include <benchmark/benchmark.h>

#include <memory>

#include "data/data_file.h"
#include "data/image_loader.h"

namespace {

void DecodeFullV7Image(benchmark::State& state) {
    auto staging = std::make_unique<kelmor::ImageBuffer>();
    const kelmor::DataFileRead read =
        kelmor::ReadDataFile(QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-v7.Rn"), *staging);
    if (!read.ok) {
        state.SkipWithError(qPrintable(read.error));
        return;
    }
    auto data = std::make_unique<kelmor::MeasurementData>();
    kelmor::DecodeContext context;
    context.now = 73051;  // 31 December 2099
    for (auto _ : state) {
        const kelmor::DecodeOutcome outcome =
            kelmor::LoadImage(*data, staging->data(), read.model, context);
        benchmark::DoNotOptimize(outcome.listItems.size());
    }
    state.counters["samples"] = data->LastSampleIndex + 1;
}

BENCHMARK(DecodeFullV7Image)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
