// How commands end when the line fails them or the user cancels them: never with a
// success, always with the port closed, and a cancel within half a second.
#include <gtest/gtest.h>

#include "instrument/clock_sync.h"
#include "instrument/erase_command.h"
#include "instrument/memory_readout.h"
#include "instrument/trigger_level.h"
#include "instrument_bench.h"

namespace kelmor {
namespace {

using testing::InstrumentTest;

constexpr std::int64_t kCancelWithinMs = 500;

class FailuresTest : public InstrumentTest {};

// Writes are acknowledged by nothing but the bridge: a write it fails or takes short must
// not end in "Clock updated" or "Trigger level set".
TEST_F(FailuresTest, ClockAndTriggerFailWhenTheirWritesFail) {
    for (const Model model : {Model::V5, Model::V7}) {
        for (const WriteFault fault : {WriteFault::Fails, WriteFault::Unplugs}) {
            Attach(model);
            // Identify goes through; a later frame does not.
            sim->Kelmor()->SetWriteFault(fault, 3);
            const CommandOutcome clockOutcome =
                SynchroniseClock(*link, attached, identity, clock.LocalNow());
            const CommandStatus expected =
                fault == WriteFault::Fails ? CommandStatus::Io : CommandStatus::NoDevice;
            EXPECT_EQ(clockOutcome.status, expected);
            EXPECT_TRUE(clockOutcome.opened);
            EXPECT_FALSE(sim->KelmorOpen());
            // Nothing more was sent after the failed write.
            EXPECT_EQ(sim->Kelmor()->ReceivedWrites().size(), 3u);

            Attach(model);
            sim->Kelmor()->SetWriteFault(fault, 2);
            const TriggerOutcome trigger =
                SetTriggerLevel(*link, attached, identity, 200, 6.0L, false);
            EXPECT_EQ(trigger.status, expected);
            EXPECT_EQ(trigger.levelCode, 0);
            EXPECT_FALSE(sim->KelmorOpen());
        }
    }
}

TEST_F(FailuresTest, TheEraseIsNotReportedWhenItsCommandWasNotWritten) {
    Attach(Model::V6);
    sim->Kelmor()->SetWriteFault(WriteFault::Fails, 7);  // the erase code itself
    const EraseOutcome outcome = EraseMemory(*link, attached, identity, nullptr);
    EXPECT_EQ(outcome.status, CommandStatus::Io);
    EXPECT_FALSE(outcome.erased);
    EXPECT_EQ(sim->Kelmor()->EraseCount(), 0);
    // No 5 s wait for an acknowledgement that cannot come.
    EXPECT_NE(clock.Sleeps().back(), 5000);
}

TEST_F(FailuresTest, ACancelDuringTheMemoryReplyEndsTheReadOutAtOnce) {
    for (const Model model : {Model::V6, Model::V7}) {
        Attach(model);
        sim->Kelmor()->SetTransferRate(960);  // 9600 baud: a minute or more for the memory
        MemoryReadout readout;
        const std::int64_t cancelAt = clock.MonotonicMs() + 5000;
        clock.At(cancelAt, [this] { cancel.Raise(); });
        std::uint32_t progressAtCancel = 0;
        const ReadoutOutcome outcome = readout.Run(
            *link, attached, identity, nullptr,
            [&](std::uint32_t received, std::uint32_t) { progressAtCancel = received; });
        EXPECT_EQ(outcome.status, CommandStatus::Cancelled);
        EXPECT_LE(clock.MonotonicMs() - cancelAt, kCancelWithinMs);
        EXPECT_GT(progressAtCancel, 3000u);  // it was well into the memory
        EXPECT_FALSE(readout.HasReadout());
        EXPECT_FALSE(sim->KelmorOpen());
        cancel.Reset();
    }
}

TEST_F(FailuresTest, ACancelDuringTheEraseWaitEndsIt) {
    Attach(Model::V7);
    const std::int64_t cancelAt = clock.MonotonicMs() + 2000;
    clock.At(cancelAt, [this] { cancel.Raise(); });
    const EraseOutcome outcome = EraseMemory(*link, attached, identity, nullptr);
    EXPECT_EQ(outcome.status, CommandStatus::Cancelled);
    EXPECT_FALSE(outcome.erased);
    EXPECT_LE(clock.MonotonicMs() - cancelAt, kCancelWithinMs);
    EXPECT_EQ(clock.Sleeps().back(), 15000);  // the wait it was in
    EXPECT_FALSE(sim->KelmorOpen());
}

TEST_F(FailuresTest, ACancelBeforeTheFirstFrameSendsNothing) {
    Attach(Model::V5);
    cancel.Raise();
    const CommandOutcome outcome = SynchroniseClock(*link, attached, identity, clock.LocalNow());
    EXPECT_EQ(outcome.status, CommandStatus::Cancelled);
    EXPECT_TRUE(sim->Kelmor()->ReceivedWrites().empty());
    EXPECT_FALSE(sim->KelmorOpen());
}

// The V5 and V6 leave the high four bits of their nibble bytes undefined.
TEST_F(FailuresTest, NibbleBytesWithHighBitsSetDecodeAsWithout) {
    Attach(Model::V6);
    MemoryReadout clean;
    ASSERT_EQ(clean.Run(*link, attached, identity, nullptr, nullptr).status, CommandStatus::Ok);
    sim->Kelmor()->SetNibbleHighBits(0xA0);
    MemoryReadout noisy;
    ASSERT_EQ(noisy.Run(*link, attached, identity, nullptr, nullptr).status, CommandStatus::Ok);
    EXPECT_TRUE(std::equal(clean.StagedImage().begin(), clean.StagedImage().begin() + 32767,
                           noisy.StagedImage().begin()));
}

// A stray byte before a reply: the read-out's throw-away exchange absorbs it, the clock
// command (which has none) meets an unknown model and sends nothing more.
TEST_F(FailuresTest, AStrayByteBeforeAReply) {
    Attach(Model::V7);
    sim->Kelmor()->SendStrayBytesBeforeNextReply({0x00});
    MemoryReadout readout;
    EXPECT_EQ(readout.Run(*link, attached, identity, nullptr, nullptr).status, CommandStatus::Ok);

    sim->Kelmor()->SendStrayBytesBeforeNextReply({0x7E});
    sim->Kelmor()->ClearRecord();
    const CommandOutcome outcome = SynchroniseClock(*link, attached, identity, clock.LocalNow());
    EXPECT_EQ(outcome.status, CommandStatus::Protocol);
    EXPECT_EQ(sim->Kelmor()->ReceivedWrites().size(), 1u);
    EXPECT_FALSE(sim->KelmorOpen());
}

}  // namespace
}  // namespace kelmor
