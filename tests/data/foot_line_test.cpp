#include <gtest/gtest.h>

#include "data/data_file.h"
#include "data/foot_line.h"
#include "decode_helpers.h"

namespace kelmor {
namespace {

using testing::At;
using testing::NewData;

class Foot : public ::testing::Test {
  protected:
    // Hourly samples from 5 March 2026 01:00 on.
    void SetSamples(const std::vector<Extended>& concentrations) {
        for (std::size_t k = 0; k < concentrations.size(); ++k) {
            data_->SampleTable[k].Concentration = concentrations[k];
            data_->SampleTable[k].Time = At(2026, 3, 5) + (k + 1) / 24.0;
        }
        data_->LastSampleIndex = static_cast<int>(concentrations.size()) - 1;
    }

    FootLevel Range(int firstHour, int lastHour) {
        return ComputeFootLevel(*data_, At(2026, 3, 5) + firstHour / 24.0,
                                At(2026, 3, 5) + lastHour / 24.0, 6.0L);
    }

    std::unique_ptr<MeasurementData> data_ = NewData();
};

TEST_F(Foot, LevelIsTheMeanOfTheSamplesInTheRange) {
    SetSamples({1000, 50, 50, 60, 60, 50, 50, 50, 60, 60, 50, 60, 1000});
    // Hours 2 to 12 hold 11 samples adding up to 600: 100 pulses, error a tenth.
    FootLevel foot = Range(2, 12);
    EXPECT_EQ(foot.count, 11);
    EXPECT_EQ(foot.level, 54);
    EXPECT_EQ(foot.error, 5);

    SetSamples({500});
    foot = Range(0, 2);
    EXPECT_EQ(foot.level, 500);
    EXPECT_EQ(foot.error, 54);

    SetSamples({50, 70});
    foot = Range(1, 2);
    EXPECT_EQ(foot.level, 60);
    EXPECT_EQ(foot.error, 13);
}

TEST_F(Foot, BothEndsOfTheRangeCountAndAnEmptyRangeGivesZero) {
    SetSamples({100, 200, 300});
    EXPECT_EQ(Range(1, 3).count, 3);
    EXPECT_EQ(Range(2, 2).count, 1);
    const FootLevel none = Range(10, 20);
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.level, 0);
    EXPECT_EQ(none.error, 0);
    SetSamples({0, 0});
    EXPECT_EQ(Range(1, 2).level, 0);
    EXPECT_EQ(Range(1, 2).error, 0);
}

TEST_F(Foot, SamplesOfEveryMeasurementInTheRangeCount) {
    SetSamples({100, 100, 400, 400});
    // The last two samples belong to another measurement that began at the same hour.
    data_->SampleTable[2].Time = data_->SampleTable[0].Time;
    data_->SampleTable[3].Time = data_->SampleTable[1].Time;
    EXPECT_EQ(Range(1, 2).level, 250);
}

TEST_F(Foot, TheLineGivesTheRangeAndTheLevel) {
    SetSamples({50, 70});
    const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    const std::optional<QString> line =
        FootLine(*data_, At(2026, 3, 5, 1), At(2026, 3, 5, 2, 30), 6.0L, british, Separators{});
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, QStringLiteral("StartTime: 05/03/2026 01:00:00, EndTime: 05/03/2026 02:30:00 "
                                    "Radonlevel :60\u00B113"));
    // Midnight exactly: the date only.
    EXPECT_EQ(FormatLocaleDateTime(At(2026, 3, 5), british, Separators{}),
              QStringLiteral("05/03/2026"));
    EXPECT_EQ(FormatLocaleDateTime(At(2026, 3, 5, 14, 7), british,
                                   Separators{QLatin1Char('.'), QLatin1Char('-')}),
              QStringLiteral("05.03.2026 14-07-00"));
    // Nothing drawn yet: the axis starts at 0 and the foot stays empty.
    EXPECT_FALSE(FootLine(*data_, 0, 1, 6.0L, british, Separators{}).has_value());
}

// A sample's time is its start plus whole hours in double precision, often one step away
// from the whole hour that a user types as a bound or that a zoom onto a point gives.
TEST(FootOfTheV7Sample, BoundsExactlyOnSampleTimesIncludeTheirSamplesAtEveryHour) {
    auto staging = std::make_unique<ImageBuffer>();
    ASSERT_TRUE(
        ReadDataFile(QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-v7.Rn"), *staging).ok);
    auto data = NewData();
    LoadImage(*data, staging->data(), Model::V7, DecodeContext{At(2099, 12, 31), Separators{}});
    const Extended factor = data->Header.CalibrationFactor;

    // One measurement at a time, so that the hours of the others cannot blur the count
    // and the test stays quick.
    auto alone = NewData();
    int hours = 0;
    for (int m = 0; m < data->MeasurementCount; ++m) {
        const MeasurementEntry& entry = data->MeasurementTable[m];
        const int count = entry.LastSample - entry.FirstSample + 1;
        std::copy_n(data->SampleTable.begin() + entry.FirstSample, count,
                    alone->SampleTable.begin());
        alone->LastSampleIndex = count - 1;
        // Each sample's hour by calendar arithmetic: the first an hour after the start.
        const QDateTime start = DateTimeToQt(entry.StartTime);
        std::vector<DateTime> hour(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            hour[static_cast<std::size_t>(k)] = DateTimeFromQt(start.addSecs(3600LL * (k + 1)));
        }
        for (int k = 0; k < count; ++k) {
            const SampleRecord& sample = alone->SampleTable[static_cast<std::size_t>(k)];
            const FootLevel one = ComputeFootLevel(*alone, hour[k], hour[k], factor);
            ASSERT_EQ(one.count, 1) << "measurement " << m << ", sample " << k;
            EXPECT_EQ(one.level, TruncToInt(sample.Concentration));
            if (k + 1 < count) {
                ASSERT_EQ(ComputeFootLevel(*alone, hour[k], hour[k + 1], factor).count, 2)
                    << "measurement " << m << ", samples " << k << " and " << k + 1;
            }
            ++hours;
        }
    }
    EXPECT_EQ(hours, data->LastSampleIndex + 1);
}

}  // namespace
}  // namespace kelmor
