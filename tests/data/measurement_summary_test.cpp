#include <gtest/gtest.h>

#include <cmath>

#include "data/measurement_summary.h"
#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::At;
using testing::Decode;
using testing::ImageBuilder;
using testing::NewData;
using testing::RawRecord;
using testing::Stamp;

constexpr DateTime kHour = 1.0 / 24;

// Sample times are a start plus hours in floating point: they are compared as the program
// shows them, to the millisecond.
::testing::AssertionResult SameTime(DateTime a, DateTime b) {
    if (MillisecondsOf(a) == MillisecondsOf(b)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << FormatIsoLocal(a).toStdString() << " is not " << FormatIsoLocal(b).toStdString();
}

// A hand-built sample table: row 0 holds the samples given, each `hours` after a start at
// midnight (0 for a sample never written), with pulses = concentration / 6.
struct Hour {
    int hours;
    Extended concentration;
};

std::unique_ptr<MeasurementData> Table(const std::vector<Hour>& samples) {
    auto data = NewData();
    const DateTime start = At(2026, 3, 5);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        SampleRecord& s = data->SampleTable[k];
        s.Time = samples[k].hours == 0 ? 0 : start + samples[k].hours * kHour;
        s.Concentration = samples[k].concentration;
        s.PulseCount = std::trunc(samples[k].concentration / 6);
    }
    const int last = static_cast<int>(samples.size()) - 1;
    data->MeasurementTable[0] = {0, last, start};
    data->MeasurementTable[1] = data->MeasurementTable[0];
    data->LastSampleIndex = last;
    data->MeasurementCount = 1;
    return data;
}

// Hours 1..count, one sample each, of the concentrations `level(hour)`.
template <typename Level>
std::unique_ptr<MeasurementData> Hours(int count, Level level) {
    std::vector<Hour> samples;
    for (int h = 1; h <= count; ++h) {
        samples.push_back({h, level(h)});
    }
    return Table(samples);
}

MeasurementSummary Of(const MeasurementData& data, int row = 0,
                      std::optional<double> reference = std::nullopt,
                      std::optional<TimeRange> range = std::nullopt) {
    SummaryWorkspace workspace;
    return Summarise(data, SummaryScope{row, range}, reference, workspace);
}

TEST(Summary, AConstantLevelOfExactlyNinetyDaysIsLongTerm) {
    // A V5 read-out: 2160 hours of 100 pulses at 6 Bq/m3 per pulse.
    ImageBuilder builder(Model::V5);
    builder.AddMeasurement(Stamp{2026, 1, 1, 0, 0}, testing::ConstantPulses(2160, 100));
    auto data = NewData();
    ASSERT_TRUE(Decode(*data, builder).measurementsFound);

    const MeasurementSummary s = Of(*data);
    EXPECT_EQ(s.samples, 2160);
    EXPECT_EQ(s.first, data->SampleTable[0].Time);
    EXPECT_EQ(s.durationHours, 2160);
    EXPECT_EQ(s.measuredHours, 2160);
    EXPECT_EQ(s.missingHours, 0);
    EXPECT_EQ(s.term, MeasurementTerm::LongTerm);
    EXPECT_DOUBLE_EQ(s.meanBqm3, 600);
    EXPECT_DOUBLE_EQ(s.totalPulses, 216000);
    ASSERT_TRUE(s.errorBqm3);
    EXPECT_NEAR(*s.errorBqm3, 600 / std::sqrt(216000.0), 1e-12);
    EXPECT_NEAR(s.low95Bqm3, 600 - 1.96 * *s.errorBqm3, 1e-9);
    EXPECT_NEAR(s.high95Bqm3, 600 + 1.96 * *s.errorBqm3, 1e-9);
    EXPECT_DOUBLE_EQ(s.medianBqm3, 600);
    EXPECT_DOUBLE_EQ(s.maxBqm3, 600);
    EXPECT_EQ(s.maxTime, s.first);  // the earliest of equal hours
    ASSERT_TRUE(s.max24hMeanBqm3);
    EXPECT_DOUBLE_EQ(*s.max24hMeanBqm3, 600);
    EXPECT_EQ(s.max24hEnd, data->SampleTable[23].Time);  // the first whole window
    for (const std::optional<double>& hour : s.hourlyProfileBqm3) {
        ASSERT_TRUE(hour);
        EXPECT_DOUBLE_EQ(*hour, 600);
    }
    EXPECT_FALSE(s.temperature);  // a V5 records no climate
    EXPECT_FALSE(s.pressure);

    // One hour less is short-term; "All measurements" of one measurement is the same.
    EXPECT_EQ(Of(*data, 0, {}, TimeRange{s.first + kHour, s.last}).term,
              MeasurementTerm::ShortTerm);
    EXPECT_EQ(Of(*data, 1).samples, 2160);
}

TEST(Summary, ADailyCycleGivesItsHourOfDayProfileAndTheClimateOfAV6) {
    // Three days from midnight; the sample stamped hour h counted 10 (h + 1) pulses and the
    // temperature rose 1 degree an hour from 20 to 24.
    ImageBuilder builder(Model::V6);
    std::vector<RawRecord> records;
    for (int k = 0; k < 72; ++k) {
        const int hour = (k + 1) % 24;
        records.push_back(RawRecord{10 * (hour + 1), 6000 + 100 * (k % 5), 1500, 0});
    }
    builder.AddMeasurement(Stamp{2026, 3, 5, 0, 0}, records);
    auto data = NewData();
    ASSERT_TRUE(Decode(*data, builder).measurementsFound);

    const MeasurementSummary s = Of(*data);
    EXPECT_EQ(s.samples, 72);
    EXPECT_EQ(s.durationHours, 72);
    EXPECT_EQ(s.term, MeasurementTerm::ShortTerm);
    for (int h = 0; h < 24; ++h) {
        ASSERT_TRUE(s.hourlyProfileBqm3[static_cast<std::size_t>(h)]);
        EXPECT_DOUBLE_EQ(*s.hourlyProfileBqm3[static_cast<std::size_t>(h)], 60.0 * (h + 1))
            << "hour " << h;
    }
    EXPECT_DOUBLE_EQ(s.meanBqm3, 750);
    EXPECT_DOUBLE_EQ(s.medianBqm3, 750);  // even count: (720 + 780) / 2
    EXPECT_DOUBLE_EQ(s.maxBqm3, 1440);
    EXPECT_TRUE(SameTime(s.maxTime, At(2026, 3, 5, 23)));
    ASSERT_TRUE(s.max24hMeanBqm3);
    EXPECT_DOUBLE_EQ(*s.max24hMeanBqm3, 750);  // every whole day holds each hour once

    ASSERT_TRUE(s.temperature && s.humidity);
    EXPECT_DOUBLE_EQ(s.temperature->lowest, 20);
    EXPECT_DOUBLE_EQ(s.temperature->highest, 24);
    EXPECT_NEAR(s.temperature->mean, (15 * (20 + 21 + 22 + 23 + 24) - 24 - 23 - 22) / 72.0, 1e-12);
    EXPECT_FALSE(s.pressure);  // a V6 records no pressure
}

TEST(Summary, AV7RecordsPressureToo) {
    ImageBuilder builder(Model::V7);
    builder.SetCoefficientWords(1000 * 8, 0, 0, 0);  // A0 = 1000: 113.5386 kPa
    builder.AddMeasurement(Stamp{2026, 3, 5, 0, 0}, {RawRecord{100, 128, 100, 50}});
    auto data = NewData();
    ASSERT_TRUE(Decode(*data, builder).measurementsFound);
    const MeasurementSummary s = Of(*data);
    ASSERT_TRUE(s.temperature && s.humidity && s.pressure);
    EXPECT_DOUBLE_EQ(s.temperature->mean, 26);
    EXPECT_DOUBLE_EQ(s.humidity->mean, 35);
    EXPECT_NEAR(s.pressure->mean, 113.5386, 1e-4);
}

TEST(Summary, MissingHoursBetweenMeasurementsAndUnwrittenSamples) {
    // Hours 1..10, then 16..25 (hours 11..15 missing), and hour 4 never written.
    std::vector<Hour> samples;
    for (int h = 1; h <= 25; ++h) {
        if (h <= 10 || h >= 16) {
            samples.push_back({h == 4 ? 0 : h, h == 4 ? 6000.0L : 60.0L});
        }
    }
    auto data = Table(samples);
    const MeasurementSummary s = Of(*data);
    EXPECT_EQ(s.samples, 19);
    EXPECT_TRUE(SameTime(s.first, At(2026, 3, 5, 1)));
    EXPECT_TRUE(SameTime(s.last, At(2026, 3, 6, 1)));
    EXPECT_EQ(s.durationHours, 25);
    EXPECT_EQ(s.measuredHours, 19);
    EXPECT_EQ(s.missingHours, 6);
    EXPECT_DOUBLE_EQ(s.meanBqm3, 60);  // the unwritten sample's 6000 takes no part
    EXPECT_DOUBLE_EQ(s.maxBqm3, 60);
    EXPECT_FALSE(s.max24hMeanBqm3);  // no 24 hours in a row
    EXPECT_FALSE(s.hourlyProfileBqm3[4]);
    EXPECT_FALSE(s.hourlyProfileBqm3[12]);
    EXPECT_TRUE(s.hourlyProfileBqm3[0]);  // hour 24 is midnight
}

TEST(Summary, TheHighest24HourMeanTakesWholeWindowsOnly) {
    // 60 hours at 100; hour 20 was never written, so only hours 21..60 hold whole windows.
    // The peak at hour 10 lies in no whole window and must not raise the highest mean.
    auto data = Hours(60, [](int h) -> Extended { return h == 10 ? 100000 : h == 45 ? 340 : 100; });
    data->SampleTable[19].Time = 0;
    const MeasurementSummary s = Of(*data);
    ASSERT_TRUE(s.max24hMeanBqm3);
    EXPECT_DOUBLE_EQ(*s.max24hMeanBqm3, 110);
    EXPECT_TRUE(SameTime(s.max24hEnd, At(2026, 3, 6, 21)));  // the first window with hour 45
    EXPECT_DOUBLE_EQ(s.maxBqm3, 100000);
    EXPECT_TRUE(SameTime(s.maxTime, At(2026, 3, 5, 10)));

    // 23 samples: no window at all; 24: exactly one.
    EXPECT_FALSE(Of(*Hours(23, [](int) -> Extended { return 50; })).max24hMeanBqm3);
    const MeasurementSummary day = Of(*Hours(24, [](int h) -> Extended { return h; }));
    ASSERT_TRUE(day.max24hMeanBqm3);
    EXPECT_DOUBLE_EQ(*day.max24hMeanBqm3, 12.5);
}

TEST(Summary, OverlappingMeasurementsAreTakenInTimeOrder) {
    // The clock was set back: a second measurement (hours 6..15) starts inside the first
    // (hours 1..10). Its samples count, the hours they share are measured once.
    auto data = Hours(10, [](int) -> Extended { return 60; });
    for (int k = 0; k < 10; ++k) {
        SampleRecord& s = data->SampleTable[static_cast<std::size_t>(10 + k)];
        s.Time = At(2026, 3, 5) + (6 + k) * kHour;
        s.Concentration = k == 9 ? 600 : 120;
        s.PulseCount = s.Concentration / 6;
    }
    data->MeasurementTable[1] = {10, 19, At(2026, 3, 5, 5)};
    data->MeasurementTable[2] = {0, 19, At(2026, 3, 5)};
    data->LastSampleIndex = 19;
    const MeasurementSummary s = Of(*data, 2);
    EXPECT_EQ(s.samples, 20);
    EXPECT_TRUE(SameTime(s.first, At(2026, 3, 5, 1)));
    EXPECT_TRUE(SameTime(s.last, At(2026, 3, 5, 15)));
    EXPECT_EQ(s.durationHours, 15);
    EXPECT_EQ(s.measuredHours, 15);
    EXPECT_EQ(s.missingHours, 0);
    EXPECT_DOUBLE_EQ(s.meanBqm3, (10 * 60 + 9 * 120 + 600) / 20.0);
    EXPECT_TRUE(SameTime(s.maxTime, At(2026, 3, 5, 15)));
    EXPECT_DOUBLE_EQ(*s.hourlyProfileBqm3[6], 90);  // one sample of each measurement
}

TEST(Summary, OneSampleAndNoPulse) {
    const MeasurementSummary one = Of(*Table({{3, 600}}));
    EXPECT_EQ(one.samples, 1);
    EXPECT_EQ(one.durationHours, 1);
    EXPECT_EQ(one.missingHours, 0);
    EXPECT_DOUBLE_EQ(one.meanBqm3, 600);
    EXPECT_DOUBLE_EQ(one.medianBqm3, 600);
    EXPECT_NEAR(*one.errorBqm3, 60, 1e-12);  // 100 pulses
    EXPECT_FALSE(one.max24hMeanBqm3);
    EXPECT_EQ(std::count_if(one.hourlyProfileBqm3.begin(), one.hourlyProfileBqm3.end(),
                            [](const std::optional<double>& h) { return h.has_value(); }),
              1);

    // A count of nothing has no Poisson error: the interval is the mean alone.
    const MeasurementSummary none = Of(*Table({{3, 0}, {4, 0}}), 0, 100.0);
    EXPECT_DOUBLE_EQ(none.meanBqm3, 0);
    EXPECT_FALSE(none.errorBqm3);
    EXPECT_DOUBLE_EQ(none.high95Bqm3, 0);
    EXPECT_EQ(none.reference->verdict, ReferenceVerdict::Below);

    // Few pulses: the interval does not reach below 0 Bq/m3.
    const MeasurementSummary few = Of(*Table({{3, 6}}));
    EXPECT_DOUBLE_EQ(few.low95Bqm3, 0);
    EXPECT_NEAR(few.high95Bqm3, 6 + 1.96 * 6, 1e-12);
}

TEST(Summary, MedianOfOddAndEvenCounts) {
    EXPECT_DOUBLE_EQ(Of(*Table({{1, 10}, {2, 40}, {3, 20}})).medianBqm3, 20);
    EXPECT_DOUBLE_EQ(Of(*Table({{1, 40}, {2, 10}, {3, 30}, {4, 20}})).medianBqm3, 25);
}

TEST(Summary, ATimeRangeTakesTheRowsSamplesWithinItBothEndsIncluded) {
    auto data = Hours(48, [](int h) -> Extended { return 6.0 * h; });
    // Sample times are the start plus hours in floating point, not exact hours: the range
    // still takes them at millisecond resolution.
    const MeasurementSummary s = Of(*data, 0, {}, TimeRange{At(2026, 3, 5, 5), At(2026, 3, 5, 9)});
    EXPECT_EQ(s.samples, 5);
    EXPECT_DOUBLE_EQ(s.meanBqm3, 42);
    EXPECT_EQ(s.durationHours, 5);
    EXPECT_EQ(Of(*data, 0, {}, TimeRange{At(2027, 1, 1), At(2027, 1, 2)}).samples, 0);
}

TEST(Summary, ReferenceLevelShareOfHoursAndVerdict) {
    // 100 hours: 25 at 400 Bq/m3, 75 at 80.
    auto data = Hours(100, [](int h) -> Extended { return h <= 25 ? 400 : 80; });
    const MeasurementSummary s = Of(*data, 0, 100.0);
    ASSERT_TRUE(s.reference);
    EXPECT_EQ(s.reference->hoursAbove, 25);
    EXPECT_DOUBLE_EQ(s.reference->hoursAboveFraction, 0.25);
    EXPECT_EQ(s.reference->verdict, ReferenceVerdict::Above);  // mean 160
    EXPECT_EQ(Of(*data, 0, 300.0).reference->verdict, ReferenceVerdict::Below);
    // A level inside the 95 % interval (160 +- 1.96 * 1.63) is neither.
    EXPECT_EQ(Of(*data, 0, 162.0).reference->verdict, ReferenceVerdict::Close);
    // A level equal to the hours is not above it.
    EXPECT_EQ(Of(*data, 0, 400.0).reference->hoursAbove, 0);
    EXPECT_FALSE(Of(*data).reference);
}

TEST(Summary, RowsOutsideTheTableOrWithoutSamplesSummariseNothing) {
    auto data = Hours(5, [](int) -> Extended { return 60; });
    data->MeasurementTable[2] = {5, 4, At(2026, 3, 6)};
    for (const int row : {-1, 2, kMeasurementRows, 1000}) {
        const MeasurementSummary s = Of(*data, row, 100.0);
        EXPECT_EQ(s.samples, 0) << row;
        EXPECT_FALSE(s.reference);
    }
}

}  // namespace
}  // namespace kelmor
