#include <gtest/gtest.h>

#include "data/pulse_distribution.h"
#include "decode_helpers.h"
#include "recording_sinks.h"

namespace kelmor {
namespace {

using testing::NewData;
using testing::RecordingPulseSink;

constexpr DateTime kStart = 46086.5;

// Row 0: five hourly samples; the third was never written (time 0), the fourth counted
// nothing.
std::unique_ptr<MeasurementData> FiveSamples() {
    auto data = NewData();
    const Extended concentrations[] = {120, 60, 90, 0, 30};
    for (int k = 0; k < 5; ++k) {
        SampleRecord& s = data->SampleTable[static_cast<std::size_t>(k)];
        s.Concentration = concentrations[k];
        s.Error = concentrations[k] / 4;
        s.Time = k == 2 ? 0 : kStart + k / 24.0;
        s.Temperature = 20 + k;
        s.Humidity = 40 + k;
        s.Pressure = 100 + k;
    }
    data->MeasurementTable[0] = {0, 4, kStart};
    data->MeasurementTable[1] = {3, 2, kStart};  // a measurement without samples
    data->LastSampleIndex = 4;
    return data;
}

TEST(PulseDistribution, EverySampleWithATimeWithItsErrorAndTheChosenOverlays) {
    auto data = FiveSamples();
    RecordingPulseSink sink;
    DrawPulseDistribution(*data, 0, {true, false, true}, sink);
    EXPECT_EQ(sink.begun, 1);
    EXPECT_EQ(sink.ended, 1);
    ASSERT_EQ(sink.pulses.size(), 4u);
    EXPECT_EQ(sink.pulses[0].value, 120);
    EXPECT_EQ(sink.pulses[0].error, 30);
    EXPECT_EQ(sink.pulses[1].time, kStart + 1 / 24.0);
    // No pulse counted: a bar of 0.1 Bq/m3 so that the hour is seen.
    EXPECT_EQ(sink.pulses[2].value, 0);
    EXPECT_EQ(sink.pulses[2].error, 0.1);
    EXPECT_EQ(sink.pulses[3].time, kStart + 4 / 24.0);
    ASSERT_EQ(sink.temperature.size(), 4u);
    EXPECT_EQ(sink.temperature[3].value, 24);
    EXPECT_TRUE(sink.humidity.empty());
    EXPECT_EQ(sink.pressure.size(), 4u);
}

TEST(PulseDistribution, RowsWithoutSamplesOrOutsideTheTableDrawNothingButStillEmpty) {
    auto data = FiveSamples();
    RecordingPulseSink sink;
    DrawPulseDistribution(*data, 0, {}, sink);
    for (const int row : {1, -1, kMeasurementRows}) {
        DrawPulseDistribution(*data, row, {true, true, true}, sink);
        EXPECT_TRUE(sink.pulses.empty()) << row;
        EXPECT_TRUE(sink.temperature.empty()) << row;
    }
    EXPECT_EQ(sink.ended, 4);
}

TEST(PulseDistribution, NeverReadsPastTheDecodedSamples) {
    auto data = FiveSamples();
    data->MeasurementTable[0] = {-7, kSampleSlots + 10, kStart};  // a hostile row
    RecordingPulseSink sink;
    DrawPulseDistribution(*data, 0, {}, sink);
    EXPECT_EQ(sink.pulses.size(), 4u);
}

}  // namespace
}  // namespace kelmor
