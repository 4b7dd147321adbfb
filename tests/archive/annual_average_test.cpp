// The annual average, computed by hand for a few plain cases.
#include <gtest/gtest.h>

#include <QDate>

#include "archive/annual_average.h"

namespace kelmor {
namespace {

DateTime Day(int year, int month, int day) {
    DateTime date = 0;
    TryEncodeDate(year, month, day, date);
    return date;
}

// Every hour of the days [firstDay, lastDay] of a month at `bqm3`.
void AddMonth(std::vector<HourlyValue>& samples, int year, int month, double bqm3, int firstDay = 1,
              int lastDay = 0) {
    const int last = lastDay > 0 ? lastDay : QDate(year, month, 1).daysInMonth();
    for (int d = firstDay; d <= last; ++d) {
        for (int h = 1; h <= 24; ++h) {
            samples.push_back({Day(year, month, d) + h / 24.0, bqm3});
        }
    }
}

TEST(AnnualAverage, TwelveWholeMonthsGiveTheMeanOfTheirMonthlyMeans) {
    std::vector<HourlyValue> samples;
    for (int m = 1; m <= 12; ++m) {
        AddMonth(samples, 2025, m, 10.0 * m);  // 10 .. 120: months weigh alike, not hours
    }
    const AnnualAverage a = ComputeAnnualAverage(samples);
    ASSERT_TRUE(a.annualMeanBqm3);
    EXPECT_DOUBLE_EQ(*a.annualMeanBqm3, 65);
    ASSERT_EQ(a.annualMonths.size(), 12u);
    EXPECT_EQ(MonthName(a.annualMonths.front().year, a.annualMonths.front().month), "2025-01");
    EXPECT_EQ(MonthName(a.annualMonths.back().year, a.annualMonths.back().month), "2025-12");
    EXPECT_DOUBLE_EQ(a.months[1].coveredFraction, 1);
    EXPECT_DOUBLE_EQ(a.daysMeasured, 365);
    EXPECT_EQ(a.monthsCovered, 12);
    // January to March and October to December: 182 of 365 days.
    EXPECT_DOUBLE_EQ(a.heatingSeasonFraction, 182.0 / 365);
    // The first running 365-day mean needs half a year of hours.
    ASSERT_FALSE(a.running365.empty());
    EXPECT_EQ(a.running365.front().month, 7);
    EXPECT_EQ(a.running365.front().day, 2);
    EXPECT_NEAR(a.running365.back().meanBqm3,
                10.0 *
                    (31 * 1 + 28 * 2 + 31 * 3 + 30 * 4 + 31 * 5 + 30 * 6 + 31 * 7 + 31 * 8 +
                     30 * 9 + 31 * 10 + 30 * 11 + 31 * 12) /
                    365,
                1e-9);
}

TEST(AnnualAverage, AMonthUnderHalfCoveredLeavesNoAnnualAverageAndSaysHowFarFromOne) {
    std::vector<HourlyValue> samples;
    for (int m = 1; m <= 12; ++m) {
        if (m == 6) {
            AddMonth(samples, 2025, m, 100, 1, 14);  // 14 of 30 days: under half
        } else {
            AddMonth(samples, 2025, m, 100);
        }
    }
    const AnnualAverage a = ComputeAnnualAverage(samples);
    EXPECT_FALSE(a.annualMeanBqm3);
    EXPECT_TRUE(a.annualMonths.empty());
    EXPECT_EQ(a.monthsCovered, 11);
    EXPECT_DOUBLE_EQ(a.months[5].coveredFraction, 14.0 / 30);
    EXPECT_DOUBLE_EQ(a.daysMeasured, 365 - 16);

    // Fifteen days, exactly half, suffice.
    samples.clear();
    for (int m = 1; m <= 12; ++m) {
        AddMonth(samples, 2025, m, 100, 1, m == 6 ? 15 : 0);
    }
    EXPECT_TRUE(ComputeAnnualAverage(samples).annualMeanBqm3);
}

TEST(AnnualAverage, ThirteenMonthsTakeTheLatestTwelve) {
    std::vector<HourlyValue> samples;
    for (int m = 1; m <= 12; ++m) {
        AddMonth(samples, 2025, m, 100);
    }
    AddMonth(samples, 2026, 1, 220);
    const AnnualAverage a = ComputeAnnualAverage(samples);
    ASSERT_TRUE(a.annualMeanBqm3);
    EXPECT_DOUBLE_EQ(*a.annualMeanBqm3, (11 * 100 + 220) / 12.0);
    EXPECT_EQ(MonthName(a.annualMonths.front().year, a.annualMonths.front().month), "2025-02");
    EXPECT_EQ(MonthName(a.annualMonths.back().year, a.annualMonths.back().month), "2026-01");
    EXPECT_EQ(a.months.size(), 13u);
}

TEST(AnnualAverage, AnHourTwoInstrumentsMeasuredCountsOnceInTheCoverage) {
    std::vector<HourlyValue> samples;
    for (int h = 1; h <= 24; ++h) {
        samples.push_back({Day(2025, 11, 1) + h / 24.0, 100});
        samples.push_back({Day(2025, 11, 1) + h / 24.0, 200});
    }
    const AnnualAverage a = ComputeAnnualAverage(samples);
    ASSERT_EQ(a.months.size(), 1u);
    EXPECT_DOUBLE_EQ(a.months[0].meanBqm3, 150);
    EXPECT_DOUBLE_EQ(a.months[0].coveredFraction, 24.0 / (30 * 24));
    EXPECT_DOUBLE_EQ(a.daysMeasured, 1);
    EXPECT_DOUBLE_EQ(a.heatingSeasonFraction, 1);
}

}  // namespace
}  // namespace kelmor
