// The time a read-out has left, from the rate the line has delivered.
#include "instrument/transfer_estimate.h"

#include <gtest/gtest.h>

#include "fake_clock.h"

namespace kelmor {
namespace {

constexpr std::uint32_t kV7Memory = 131071;

TEST(TransferEstimateTest, TheRateCountsFromTheFirstReportAndIsTrustedAfterASecond) {
    testing::FakeClock clock;
    clock.Advance(5000);  // the identification before the memory streams
    TransferEstimate estimate(clock);
    estimate.Report(62, kV7Memory);
    EXPECT_FALSE(estimate.SecondsLeft());
    clock.Advance(500);
    estimate.Report(542, kV7Memory);
    EXPECT_FALSE(estimate.SecondsLeft()) << "half a second of streaming is too little";
    // 960 bytes a second, as at 9600 baud: (131071 - 1022) / 960 = 135.47 s.
    clock.Advance(500);
    estimate.Report(1022, kV7Memory);
    EXPECT_EQ(estimate.SecondsLeft(), 136);
    clock.Advance(100000);
    estimate.Report(97022, kV7Memory);
    EXPECT_EQ(estimate.SecondsLeft(), 36);
    estimate.Report(kV7Memory, kV7Memory);
    EXPECT_EQ(estimate.SecondsLeft(), 0);
}

TEST(TransferEstimateTest, ANewReadOutForgetsTheRateOfTheOneBefore) {
    testing::FakeClock clock;
    TransferEstimate estimate(clock);
    estimate.Report(0, 1000);
    clock.Advance(1000);
    estimate.Report(500, 1000);
    EXPECT_EQ(estimate.SecondsLeft(), 1);

    estimate.Restart();
    estimate.Report(0, 1000);
    EXPECT_FALSE(estimate.SecondsLeft());
    clock.Advance(10000);
    estimate.Report(100, 1000);
    EXPECT_EQ(estimate.SecondsLeft(), 90);
    // A count that goes back is another read-out as well, even without a restart.
    estimate.Report(10, 1000);
    EXPECT_FALSE(estimate.SecondsLeft());
}

TEST(TransferEstimateTest, NothingStreamedGivesNoEstimate) {
    testing::FakeClock clock;
    TransferEstimate estimate(clock);
    estimate.Report(0, 1000);
    clock.Advance(3000);
    estimate.Report(0, 1000);
    EXPECT_FALSE(estimate.SecondsLeft());
}

TEST(TransferEstimateTest, TheWordsRoundUpToMinutesOrFiveSeconds) {
    EXPECT_EQ(TimeLeftText(137), QStringLiteral("about 3 min left"));
    EXPECT_EQ(TimeLeftText(120), QStringLiteral("about 2 min left"));
    EXPECT_EQ(TimeLeftText(91), QStringLiteral("about 2 min left"));
    EXPECT_EQ(TimeLeftText(90), QStringLiteral("about 90 s left"));
    EXPECT_EQ(TimeLeftText(36), QStringLiteral("about 40 s left"));
    EXPECT_EQ(TimeLeftText(1), QStringLiteral("about 5 s left"));
    EXPECT_EQ(TimeLeftText(0), QStringLiteral("about 5 s left"));
    EXPECT_EQ(ByteCountText(123456, 1048576), QStringLiteral("123 456 of 1 048 576 bytes"));
    EXPECT_EQ(ByteCountText(0, 999), QStringLiteral("0 of 999 bytes"));
}

}  // namespace
}  // namespace kelmor
