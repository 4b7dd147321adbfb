#include <gtest/gtest.h>

#include "instrument/clock_sync.h"
#include "instrument/erase_command.h"
#include "instrument/nibble_pair.h"
#include "instrument/trigger_level.h"
#include "instrument_bench.h"

namespace kelmor {
namespace {

using testing::InstrumentTest;
using testing::Step;

const QDateTime kNewYearsEve2028(QDate(2028, 12, 31), QTime(23, 59, 59));

TEST(NibblePairTest, HighBitsOfTheReceivedBytesAreIgnored) {
    EXPECT_EQ(DecodeNibblePair(0x03, 0x01), 0x31);
    EXPECT_EQ(DecodeNibblePair(0xF3, 0xA1), 0x31);
    EXPECT_EQ(DecodeNibblePair(0x06, 0x05), 'e');
}

TEST(ClockValuesTest, NewYearsEveIsPackedBcdWithSundayAsOne) {
    const std::array<std::uint8_t, 7> expected = {0x59, 0x59, 0x23, 0x31, 1, 0x12, 0x28};
    EXPECT_EQ(ClockRegisterValues(kNewYearsEve2028), expected);
    const std::array<std::uint8_t, 7> saturday = {0x05, 0x04, 0x03, 0x01, 7, 0x01, 0x00};
    EXPECT_EQ(ClockRegisterValues(QDateTime(QDate(2000, 1, 1), QTime(3, 4, 5))), saturday);
}

class ClockSyncTest : public InstrumentTest {};

TEST_F(ClockSyncTest, V5AndV6SendEachRegisterAfterTheirPauses) {
    for (const Model model : {Model::V5, Model::V6}) {
        Attach(model);
        const CommandOutcome outcome =
            SynchroniseClock(*link, attached, identity, kNewYearsEve2028);
        EXPECT_EQ(outcome.status, CommandStatus::Ok);
        const std::vector<Step> expected = {
            {0, {0xF3, 0x3F}}, {75, {0x04}}, {0, {0x03}},       {5, {0, 2, 5, 9}},
            {50, {0x04}},      {0, {0x03}},  {5, {0, 3, 5, 9}},  //
            {50, {0x04}},      {0, {0x03}},  {5, {0, 4, 2, 3}},  //
            {50, {0x04}},      {0, {0x03}},  {5, {0, 5, 3, 1}},  //
            {50, {0x04}},      {0, {0x03}},  {5, {0, 6, 0, 1}},  //
            {50, {0x04}},      {0, {0x03}},  {5, {0, 7, 1, 2}},  //
            {50, {0x04}},      {0, {0x03}},  {5, {0, 8, 2, 8}},
        };
        EXPECT_EQ(Steps(), expected);
        const auto registers = sim->Kelmor()->Registers();
        EXPECT_EQ(std::vector<std::uint8_t>(registers.begin() + 2, registers.end()),
                  std::vector<std::uint8_t>({0x59, 0x59, 0x23, 0x31, 1, 0x12, 0x28}));
        EXPECT_FALSE(sim->KelmorOpen());
    }
}

TEST_F(ClockSyncTest, V7SendsLetterAndDataApart) {
    Attach(Model::V7);
    SynchroniseClock(*link, attached, identity, kNewYearsEve2028);
    std::vector<Step> expected = {{0, {0xF3, 0x3F}}};
    const std::uint8_t values[] = {0x59, 0x59, 0x23, 0x31, 1, 0x12, 0x28};
    for (std::uint8_t r = 2; r <= 8; ++r) {
        expected.push_back({r == 2 ? 25 : 10, {'C'}});
        expected.push_back({10, {r, values[r - 2]}});
    }
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(clock.Sleeps().back(), 10);
    EXPECT_EQ(sim->Kelmor()->Registers()[8], 0x28);
}

TEST_F(ClockSyncTest, NothingIsSentWithoutAnAttachedInstrument) {
    Attach(Model::V6);
    CommandOutcome outcome = SynchroniseClock(*link, false, identity, kNewYearsEve2028);
    EXPECT_EQ(outcome.status, CommandStatus::NoDevice);
    EXPECT_FALSE(outcome.opened);
    EXPECT_FALSE(sim->KelmorOpen());  // the open that worked is closed again
    // The cause of a refused open reaches the outcome, for the window to name it.
    for (const LinkStatus cause : {LinkStatus::NoAccess, LinkStatus::InUse, LinkStatus::Io}) {
        sim->RefuseOpen(cause);
        outcome = SynchroniseClock(*link, true, identity, kNewYearsEve2028);
        EXPECT_EQ(outcome.status, cause);
        EXPECT_FALSE(outcome.opened);
    }
    EXPECT_TRUE(sim->Kelmor()->ReceivedWrites().empty());
}

TEST_F(ClockSyncTest, AnUnknownModelGetsNoClockFrame) {
    Attach(Model::V5);
    sim->Kelmor()->SetModelCode('9');
    const CommandOutcome outcome = SynchroniseClock(*link, attached, identity, kNewYearsEve2028);
    EXPECT_EQ(outcome.status, CommandStatus::Protocol);
    EXPECT_EQ(outcome.modelCode, '9');
    EXPECT_EQ(sim->Kelmor()->ReceivedWrites().size(), 1u);
    EXPECT_FALSE(sim->KelmorOpen());
}

class EraseTest : public InstrumentTest {};

TEST_F(EraseTest, V6ResetsTheHeaderErasesAndReadsTheNibblePairE) {
    Attach(Model::V6);
    sim->Kelmor()->MutableMemory()[6] = 0x58;
    sim->Kelmor()->MutableMemory()[300] = 0x12;
    bool erasingShown = false;
    const EraseOutcome outcome = EraseMemory(*link, attached, identity, [&] {
        EXPECT_TRUE(sim->Kelmor()->ReceivedWrites().empty());  // before Identify
        erasingShown = true;
    });
    EXPECT_TRUE(erasingShown);
    EXPECT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_TRUE(outcome.erased);
    const std::vector<Step> expected = {
        {0, {0xF3, 0x3F}},       {50, {0x05, 0x07}}, {0, {0, 0, 0, 2, 8, 0}}, {25, {0x05, 0x07}},
        {0, {0, 0, 0, 3, 0, 0}}, {25, {0x05, 0x07}}, {0, {0, 0, 0, 6, 0, 0}}, {25, {0x04, 0x05}},
    };
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(clock.Sleeps().back(), 5000);
    EXPECT_EQ(sim->Kelmor()->Memory()[2], 0x80);
    EXPECT_EQ(sim->Kelmor()->Memory()[6], 0);
    EXPECT_EQ(sim->Kelmor()->Memory()[300], 0);
    EXPECT_EQ(sim->Kelmor()->EraseCount(), 1);
    EXPECT_FALSE(sim->KelmorOpen());
}

TEST_F(EraseTest, V5WritesItsOwnTopOfMemory) {
    Attach(Model::V5);
    const EraseOutcome outcome = EraseMemory(*link, attached, identity, nullptr);
    EXPECT_TRUE(outcome.erased);
    EXPECT_EQ(Steps()[2].second, std::vector<std::uint8_t>({0, 0, 0, 2, 2, 0}));
    EXPECT_EQ(sim->Kelmor()->Memory()[2], 0x20);
}

TEST_F(EraseTest, V7WaitsFifteenSecondsAndOnlyAnEMeansErased) {
    Attach(Model::V7);
    EraseOutcome outcome = EraseMemory(*link, attached, identity, nullptr);
    EXPECT_TRUE(outcome.erased);
    const std::vector<Step> expected = {
        {0, {0xF3, 0x3F}}, {25, {'W'}},     {10, {0, 1, 2}}, {10, {'W'}},     {10, {0, 2, 0}},
        {10, {'W'}},       {10, {0, 3, 0}}, {10, {'W'}},     {10, {0, 6, 0}}, {10, {'E'}},
    };
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(clock.Sleeps().back(), 15000);
    EXPECT_EQ(sim->Kelmor()->Memory()[1], 2);

    sim->Kelmor()->SetEraseReply('x');
    outcome = EraseMemory(*link, attached, identity, nullptr);
    EXPECT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_FALSE(outcome.erased);
    EXPECT_EQ(outcome.eraseResult, 'x');
}

TEST_F(EraseTest, AMissingAcknowledgementEndsTheCommandInsteadOfWaitingForever) {
    Attach(Model::V6);
    sim->Kelmor()->SetShortReply(KelmorCommand::EraseMemory, 2);
    const EraseOutcome outcome = EraseMemory(*link, attached, identity, nullptr);
    EXPECT_EQ(outcome.status, CommandStatus::Timeout);
    EXPECT_EQ(outcome.received, 0u);
    EXPECT_EQ(outcome.requested, 2u);
    EXPECT_FALSE(outcome.erased);
    EXPECT_FALSE(sim->KelmorOpen());
}

TEST(TriggerCodeTest, LevelOverFactorTruncatedAndHeldToOneByte) {
    EXPECT_EQ(TriggerLevelCode(200, 6.0L), 33);
    EXPECT_EQ(TriggerLevelCode(200, 6.25L), 32);
    EXPECT_EQ(TriggerLevelCode(2000, 6.0L), 255);
    EXPECT_EQ(TriggerLevelCode(1530, 6.0L), 255);
    EXPECT_EQ(TriggerLevelCode(1525, 6.0L), 254);
    EXPECT_EQ(TriggerLevelCode(200, 0.0L), std::nullopt);
}

class TriggerTest : public InstrumentTest {};

TEST_F(TriggerTest, V6ClosesPausesClearsTheLineAndWritesLevelAndFlag) {
    Attach(Model::V6);
    const TriggerOutcome outcome =
        SetTriggerLevel(*link, attached, identity, 200, 6.0L, /*flash=*/true);
    EXPECT_EQ(outcome.status, CommandStatus::Ok);
    EXPECT_EQ(outcome.levelCode, 33);
    EXPECT_EQ(outcome.flashFlag, 2);
    const std::vector<Step> expected = {
        {0, {0xF3, 0x3F}},        {50, {0xF3, 0x3F}},  {25, {0x05, 0x07}},
        {25, {0, 0, 0, 4, 2, 1}}, {100, {0x05, 0x07}}, {25, {0, 0, 0, 5, 0, 2}},
    };
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(clock.Sleeps(), std::vector<int>({500, 100, 25, 25, 25, 25, 100, 25, 100}));
    EXPECT_EQ(sim->Kelmor()->TriggerLevelCode(), 33);
    EXPECT_EQ(sim->Kelmor()->FlashFlag(), 2);
    EXPECT_FALSE(sim->KelmorOpen());
}

TEST_F(TriggerTest, V7SendsTheHighestLevelAsTheHighestCode) {
    Attach(Model::V7);
    const TriggerOutcome outcome = SetTriggerLevel(*link, attached, identity, 2000, 6.0L, false);
    EXPECT_EQ(outcome.levelCode, 255);
    const std::vector<Step> expected = {
        {0, {0xF3, 0x3F}}, {50, {0xF3, 0x3F}}, {25, {'W'}},
        {10, {0, 4, 255}}, {10, {'W'}},        {10, {0, 5, 0}},
    };
    EXPECT_EQ(Steps(), expected);
    EXPECT_EQ(sim->Kelmor()->TriggerLevelCode(), 255);
    EXPECT_EQ(sim->Kelmor()->FlashFlag(), 0);
}

TEST_F(TriggerTest, AZeroFactorIsRefusedAndNothingIsOpened) {
    Attach(Model::V6);
    const TriggerOutcome outcome = SetTriggerLevel(*link, attached, identity, 200, 0.0L, false);
    EXPECT_EQ(outcome.status, CommandStatus::Refused);
    EXPECT_TRUE(sim->Kelmor()->ReceivedWrites().empty());
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_TRUE(sim->LastOpenName().isEmpty());
}

TEST_F(TriggerTest, ASilentInstrumentStopsAtTheThrowAwayExchange) {
    Attach(Model::V5);
    sim->Kelmor()->SetSilent(true);
    const std::int64_t start = clock.MonotonicMs();
    const TriggerOutcome outcome = SetTriggerLevel(*link, attached, identity, 200, 6.0L, false);
    EXPECT_EQ(outcome.status, CommandStatus::Timeout);
    EXPECT_EQ(clock.MonotonicMs() - start, 500 + 100 + 25 + kReadIdleTimeoutMs);
    EXPECT_EQ(sim->Kelmor()->ReceivedWrites().size(), 1u);
    EXPECT_FALSE(sim->KelmorOpen());
}

}  // namespace
}  // namespace kelmor
