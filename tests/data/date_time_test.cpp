#include <gtest/gtest.h>

#include "data/date_time.h"

namespace kelmor {
namespace {

TEST(DateTime, DayCountStartsOn30December1899) {
    DateTime t = -1;
    ASSERT_TRUE(TryEncodeDate(1899, 12, 30, t));
    EXPECT_EQ(t, 0);
    ASSERT_TRUE(TryEncodeDate(2026, 3, 5, t));
    EXPECT_EQ(t, 46086);
    const DateTimeFields f = DecodeDateTime(t + EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(f.year, 2026);
    EXPECT_EQ(f.month, 3);
    EXPECT_EQ(f.day, 5);
    EXPECT_EQ(f.hour, 14);
    EXPECT_EQ(f.minute, 7);
}

TEST(DateTime, DaysThatDoNotExistAreRefused) {
    DateTime t = 7;
    EXPECT_FALSE(TryEncodeDate(2026, 4, 31, t));
    EXPECT_FALSE(TryEncodeDate(2026, 2, 29, t));
    EXPECT_FALSE(TryEncodeDate(2026, 13, 1, t));
    EXPECT_FALSE(TryEncodeDate(2026, 1, 0, t));
    EXPECT_EQ(t, 7);
    EXPECT_TRUE(TryEncodeDate(2028, 2, 29, t));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, t));
    EXPECT_FALSE(TryEncodeDate(2100, 2, 29, t));
}

TEST(DateTime, RoundsToTheMillisecondBeforeBreakingIntoFields) {
    DateTime t = 0;
    TryEncodeDate(2026, 3, 5, t);
    // Just under midnight by less than half a millisecond is midnight of the next day.
    const DateTimeFields f = DecodeDateTime(t + 1 - 0.4 / 86400000);
    EXPECT_EQ(f.day, 6);
    EXPECT_EQ(f.hour, 0);
    EXPECT_EQ(f.millisecond, 0);
    // Hours added one by one land on the hour.
    DateTime hourly = t + EncodeTime(12, 30, 0, 0);
    for (int k = 1; k <= 1000; ++k) {
        const DateTimeFields g = DecodeDateTime(hourly + k / 24.0);
        ASSERT_EQ(g.minute, 30);
        ASSERT_EQ(g.second, 0);
        ASSERT_EQ(g.millisecond, 0);
    }
}

TEST(DateTime, FormatsUseTheGivenSeparators) {
    DateTime t = 0;
    TryEncodeDate(2026, 3, 5, t);
    t += EncodeTime(9, 7, 0, 0);
    const Separators slash;
    EXPECT_EQ(FormatDayMonthHourMinute(t, slash), QStringLiteral("05/03 09.07"));
    EXPECT_EQ(FormatDayMonthHourXx(t, slash), QStringLiteral("05/03 09.xx"));
    EXPECT_EQ(FormatDayMonthHour00(t, slash), QStringLiteral("05/03 09.00"));
    EXPECT_EQ(FormatExportTime(t, slash), QStringLiteral("26/03/05 09:07"));
    const Separators dots{QLatin1Char('.'), QLatin1Char('-')};
    EXPECT_EQ(FormatDayMonthHourMinute(t, dots), QStringLiteral("05.03 09.07"));
    EXPECT_EQ(FormatExportTime(t, dots), QStringLiteral("26.03.05 09-07"));
}

TEST(DateTime, ConvertsToAndFromQtLocalTime) {
    const QDateTime qt(QDate(2028, 12, 31), QTime(23, 59, 59, 250));
    const DateTime t = DateTimeFromQt(qt);
    EXPECT_EQ(DateTimeToQt(t), qt);
}

TEST(DateTime, ValuesFarOutsideTheCalendarDecodeToTheEpoch) {
    const DateTimeFields f = DecodeDateTime(1e300);
    EXPECT_EQ(f.year, 1899);
    EXPECT_EQ(DecodeDateTime(std::numeric_limits<double>::quiet_NaN()).year, 1899);
}

}  // namespace
}  // namespace kelmor
