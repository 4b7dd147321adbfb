#include <gtest/gtest.h>

#include "data/running_mean.h"
#include "decode_helpers.h"
#include "recording_sinks.h"

namespace kelmor {
namespace {

using testing::NewData;
using testing::RecordingMeanSink;

// A measurement row 0 of hourly samples with the given concentrations; pulses are the
// concentration divided by 6 unless given.
class Means : public ::testing::Test {
  protected:
    void SetSamples(const std::vector<Extended>& concentrations,
                    std::vector<Extended> pulses = {}) {
        for (std::size_t k = 0; k < concentrations.size(); ++k) {
            SampleRecord& s = data_->SampleTable[k];
            s.Concentration = concentrations[k];
            s.PulseCount = pulses.empty() ? std::trunc(concentrations[k] / 6) : pulses[k];
            s.Time = kStart + (k + 1) / 24.0;
            s.Temperature = 20 + static_cast<Extended>(k);
            s.Humidity = 40;
            s.Pressure = 101;
        }
        data_->MeasurementTable[0] = {0, static_cast<int>(concentrations.size()) - 1, kStart};
        data_->LastSampleIndex = static_cast<int>(concentrations.size()) - 1;
    }

    static constexpr DateTime kStart = 46086.5;
    std::unique_ptr<MeasurementData> data_ = NewData();
    RecordingMeanSink sink_;
};

TEST_F(Means, SevenDaysOver170SamplesGivesThreePointsFromSample167) {
    SetSamples(std::vector<Extended>(170, 60));
    MeanOptions options;
    options.withErrors = true;
    ASSERT_TRUE(DrawMean(*data_, 168, 0, options, sink_));
    ASSERT_EQ(sink_.means.size(), 3u);
    EXPECT_DOUBLE_EQ(sink_.means[0].time, data_->SampleTable[167].Time);
    EXPECT_DOUBLE_EQ(sink_.means[2].time, data_->SampleTable[169].Time);
    EXPECT_DOUBLE_EQ(sink_.means[1].value, 60);
    // The first point has no error bar.
    ASSERT_EQ(sink_.errors.size(), 2u);
    EXPECT_DOUBLE_EQ(sink_.errors[0].time, data_->SampleTable[168].Time);
    EXPECT_NEAR(sink_.errors[0].error, 60 / std::sqrt(168.0 * 10), 1e-12);
}

TEST_F(Means, AMeasurementOfWindowPlusOneSamplesIsTooShort) {
    SetSamples(std::vector<Extended>(5, 60));
    EXPECT_FALSE(DrawMean(*data_, 4, 0, {}, sink_));
    EXPECT_TRUE(sink_.means.empty());
    EXPECT_EQ(sink_.ended, 1);  // the chart gets its emptied series all the same
    EXPECT_TRUE(DrawMean(*data_, 2, 0, {}, sink_));
    EXPECT_EQ(sink_.means.size(), 4u);
}

TEST_F(Means, SteppingDownEndsOnTwoHoursForOneSampleOrNone) {
    for (const int samples : {1, 0}) {
        SetSamples(std::vector<Extended>(static_cast<std::size_t>(samples), 60));
        data_->MeasurementTable[0] = {0, samples - 1, kStart};
        const MeanSelection s = DrawMeanSteppingDown(*data_, 7, 0, {}, sink_);
        EXPECT_EQ(s.interval, 0);
        EXPECT_TRUE(s.tooShort);
        EXPECT_FALSE(s.drawn);
        EXPECT_TRUE(sink_.means.empty());
        EXPECT_EQ(sink_.begun % 8, 0);
    }
}

TEST_F(Means, SteppingDownStopsAtTheFirstIntervalThatFits) {
    SetSamples(std::vector<Extended>(30, 60));
    // 7d and 2d are too long for 30 samples; 24h (window 24 < 29) fits.
    MeanSelection s = DrawMeanSteppingDown(*data_, 6, 0, {}, sink_);
    EXPECT_EQ(s.interval, 4);
    EXPECT_TRUE(s.tooShort);
    EXPECT_TRUE(s.drawn);
    EXPECT_EQ(sink_.means.size(), 7u);
    // "Mean" steps to "7d" first.
    s = DrawMeanSteppingDown(*data_, 7, 0, {}, sink_);
    EXPECT_EQ(s.interval, 7);
    EXPECT_FALSE(s.tooShort);
}

TEST_F(Means, CumulativeMeanOfTwoSamples) {
    SetSamples({6.4L, 7.0L});
    ASSERT_TRUE(DrawMean(*data_, 0, 0, {}, sink_));
    ASSERT_EQ(sink_.means.size(), 2u);
    EXPECT_DOUBLE_EQ(sink_.means[0].value, 6);
    EXPECT_DOUBLE_EQ(sink_.means[1].value, 13 / 2.0);  // 6 + 7 = 13
}

TEST_F(Means, TheWindowSumIsRoundedAfterEveryStepTiesToEven) {
    SetSamples({6.4L, 6.4L, 6.4L});
    ASSERT_TRUE(DrawMean(*data_, 0, 0, {}, sink_));
    ASSERT_EQ(sink_.means.size(), 3u);
    EXPECT_DOUBLE_EQ(sink_.means[0].value, 6);
    EXPECT_DOUBLE_EQ(sink_.means[1].value, 12 / 2.0);
    EXPECT_DOUBLE_EQ(sink_.means[2].value, 18 / 3.0);

    SetSamples({12.5L, 1.0L, 0.5L});
    ASSERT_TRUE(DrawMean(*data_, 0, 0, {}, sink_));
    EXPECT_DOUBLE_EQ(sink_.means[0].value, 12);        // 12.5 goes to 12
    EXPECT_DOUBLE_EQ(sink_.means[1].value, 13 / 2.0);  // 12 + 1
    EXPECT_DOUBLE_EQ(sink_.means[2].value, 14 / 3.0);  // 13.5 goes to 14
}

TEST_F(Means, TrailingWindowSubtractsTheSampleThatLeaves) {
    SetSamples({10, 20, 30, 40, 50});
    ASSERT_TRUE(DrawMean(*data_, 2, 0, {}, sink_));
    ASSERT_EQ(sink_.means.size(), 4u);
    EXPECT_DOUBLE_EQ(sink_.means[0].value, 15);
    EXPECT_DOUBLE_EQ(sink_.means[1].value, 25);
    EXPECT_DOUBLE_EQ(sink_.means[2].value, 35);
    EXPECT_DOUBLE_EQ(sink_.means[3].value, 45);
}

TEST_F(Means, ErrorIsOneOverTheRootOfThePulsesOrTheWholeMean) {
    SetSamples({600, 600, 600, 600, 600}, {50, 50, 50, 1, 0});
    MeanOptions options;
    options.withErrors = true;
    ASSERT_TRUE(DrawMean(*data_, 2, 0, options, sink_));
    ASSERT_EQ(sink_.errors.size(), 3u);
    EXPECT_DOUBLE_EQ(sink_.errors[0].error, 60);                     // 100 pulses
    EXPECT_DOUBLE_EQ(sink_.errors[1].error, 600 / std::sqrt(51.0));  // 50 + 1
    EXPECT_DOUBLE_EQ(sink_.errors[2].error, 600);                    // 1 + 0: the whole mean
    EXPECT_DOUBLE_EQ(sink_.errors[2].value, 600);
}

TEST_F(Means, OverlaysBeginWindowSamplesAfterTheFirst) {
    SetSamples(std::vector<Extended>(10, 60));
    MeanOptions options;
    options.overlays.temperature = true;
    options.overlays.pressure = true;
    ASSERT_TRUE(DrawMean(*data_, 4, 0, options, sink_));
    ASSERT_EQ(sink_.temperature.size(), 6u);
    EXPECT_DOUBLE_EQ(sink_.temperature[0].time, data_->SampleTable[4].Time);
    EXPECT_DOUBLE_EQ(sink_.temperature[0].value, 24);
    EXPECT_EQ(sink_.pressure.size(), 6u);
    EXPECT_TRUE(sink_.humidity.empty());
}

TEST_F(Means, SamplesWithoutATimeTakeNoPartInTheWindow) {
    SetSamples({10, 20, 99, 30, 40});
    data_->SampleTable[2].Time = 0;
    ASSERT_TRUE(DrawMean(*data_, 2, 0, {}, sink_));
    ASSERT_EQ(sink_.means.size(), 3u);
    EXPECT_DOUBLE_EQ(sink_.means[0].value, 15);  // 10, 20
    EXPECT_DOUBLE_EQ(sink_.means[1].value, 25);  // 20, 30
    EXPECT_DOUBLE_EQ(sink_.means[2].value, 35);  // 30, 40
    ASSERT_TRUE(DrawMean(*data_, 0, 0, {}, sink_));
    EXPECT_DOUBLE_EQ(sink_.means.back().value, 100 / 4.0);
}

TEST_F(Means, RowsOutsideTheTableDrawNothing) {
    SetSamples(std::vector<Extended>(10, 60));
    EXPECT_FALSE(DrawMean(*data_, 2, kMeasurementRows, {}, sink_));
    EXPECT_FALSE(DrawMean(*data_, 2, -1, {}, sink_));
    EXPECT_FALSE(DrawMean(*data_, 2, 1, {}, sink_));  // a zero row: no samples
}

TEST(MeanIntervals, ItemsWindowsAndTitles) {
    EXPECT_EQ(MeanIntervalIndex(QStringLiteral("2h")), 0);
    EXPECT_EQ(MeanIntervalIndex(QStringLiteral("Mean")), 7);
    EXPECT_EQ(MeanIntervalIndex(QStringLiteral("3h")), -1);
    EXPECT_EQ(MeanIntervals()[5].window, 48);
    EXPECT_STREQ(MeanIntervals()[6].titleLine, "7d-Mean");
}

}  // namespace
}  // namespace kelmor
