// A data file from anywhere: the loader, the decoders, the text export, the sample list,
// the running means and the foot line must neither crash nor read outside their storage.
#include <QBuffer>
#include <cstddef>
#include <cstdint>

#include "data/data_file.h"
#include "data/foot_line.h"
#include "data/image_loader.h"
#include "data/running_mean.h"
#include "data/text_export.h"

namespace {

using namespace kelmor;

class DiscardingSink : public MeanSink {
  public:
    void BeginMean() override { points = 0; }
    void AddMean(DateTime, double) override { ++points; }
    void AddMeanError(DateTime, double, double) override { ++points; }
    void AddOverlay(Overlay, DateTime, double) override { ++points; }
    long points = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    // Program-lifetime storage, as in the window program.
    static auto* data = new MeasurementData;
    static auto* staging = new ImageBuffer;

    QByteArray file =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    QBuffer device(&file);
    device.open(QIODevice::ReadOnly);
    const DataFileRead read = ReadDataFile(device, QStringLiteral("fuzz.Rn"), *staging);
    if (!read.ok) {
        return 0;
    }
    data->Memo = QStringLiteral("Memo1");  // it grows with every decode of a long session
    DecodeContext context;
    context.now = 46364.5;  // 8 December 2026, noon
    const DecodeOutcome outcome = LoadImage(*data, staging->data(), read.model, context);
    if (!outcome.measurementsFound) {
        return 0;
    }
    // The texts cost most under the sanitizers and do the same for every row: they are
    // made for the smaller images only, to keep the fuzzer fast.
    if (data->LastSampleIndex < 4000) {
        ExportText(*data, Separators{});
        SampleListText(*data, Separators{}, QLatin1String("\r\n"));
    }

    // The last bytes of the file choose a measurement and an interval to draw.
    const std::uint8_t choice = bytes[size - 1];
    const int row = choice % (data->MeasurementCount + 1);
    MeanOptions options;
    options.withErrors = (choice & 0x40) != 0;
    options.overlays = {true, true, true};
    DiscardingSink sink;
    DrawMeanSteppingDown(*data, (choice >> 3) % kMeanIntervalCount, row, options, sink);

    const MeasurementEntry& shown = data->MeasurementTable[static_cast<std::size_t>(row)];
    const DateTime from =
        data->SampleTable[static_cast<std::size_t>(std::max(shown.FirstSample, 0))].Time;
    const DateTime to =
        data->SampleTable[static_cast<std::size_t>(std::max(shown.LastSample, 0))].Time;
    FootLine(*data, from, to, data->Header.CalibrationFactor, QLocale::c(), Separators{});
    return 0;
}
