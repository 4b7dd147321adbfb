#include <gtest/gtest.h>

#include <memory>

#include "fake_clock.h"
#include "link/port_layer.h"
#include "simulator/simulated_ftdi_bus.h"

namespace kelmor {
namespace {

using testing::FakeClock;

// The simulator stands in for the instrument in every command test and in the demo, and
// its instrument model stands behind the emulated FT232R, so its timing and its dialects
// must hold.
class SimulatorTest : public ::testing::Test {
  protected:
    FakeClock clock;
    std::unique_ptr<SimulatedFtdiBus> sim;
    std::unique_ptr<PortLayer> port;

    void Attach(Model model) {
        sim = std::make_unique<SimulatedFtdiBus>(clock, model);
        sim->AddKelmor("USB <-> Serial", "KM0001");
        port = std::make_unique<PortLayer>(*sim, clock);
        ASSERT_EQ(port->Open_USB_Device_By_Serial_Number("KM0001"), FT_OK);
    }
    void Send(std::initializer_list<std::uint8_t> bytes) {
        std::uint32_t n = 0;
        for (std::uint8_t b : bytes) {
            port->FTTransmitBuffer[n++] = b;
        }
        port->WriteFTDevice(n);
    }
};

TEST_F(SimulatorTest, FramesSplitOverWritesAreParsedFromTheStream) {
    Attach(Model::V7);
    Send({'W'});
    Send({0x00, 0x04});
    Send({0x21, 'W', 0x00});
    Send({0x05, 0x02});
    EXPECT_EQ(sim->Kelmor()->TriggerLevelCode(), 0x21);
    EXPECT_EQ(sim->Kelmor()->FlashFlag(), 0x02);

    Attach(Model::V6);
    Send({0x05, 0x07});
    Send({0xF0, 0x00, 0x00, 0x04, 0x02, 0x01});  // high bits of nibble bytes are ignored
    EXPECT_EQ(sim->Kelmor()->TriggerLevelCode(), 0x21);
    ASSERT_EQ(sim->Kelmor()->ReceivedCommands().size(), 1u);
    EXPECT_EQ(sim->Kelmor()->ReceivedCommands()[0].command, KelmorCommand::WriteMemoryByte);
    EXPECT_EQ(sim->Kelmor()->ReceivedCommands()[0].address, 4);
}

TEST_F(SimulatorTest, ASilentInstrumentEndsTheReadAfterTheIdleTimeOut) {
    Attach(Model::V5);
    sim->Kelmor()->SetSilent(true);
    Send({0xF3, 0x3F});
    const std::int64_t start = clock.MonotonicMs();
    EXPECT_EQ(port->ReadFTDevice(2), 0u);
    EXPECT_EQ(port->LastTransferResult(), LinkStatus::Timeout);
    EXPECT_EQ(clock.MonotonicMs() - start, kReadIdleTimeoutMs);
}

TEST_F(SimulatorTest, TheEraseIsAcknowledgedOnlyAfterTheEraseTime) {
    Attach(Model::V7);
    sim->Kelmor()->MutableMemory()[100] = 0x77;
    Send({'E'});
    EXPECT_EQ(port->ReadFTDevice(1), 0u);  // 3 s of silence end the read
    clock.Sleep(KelmorModel::kEraseTimeMsV7 - kReadIdleTimeoutMs);
    ASSERT_EQ(port->ReadFTDevice(1), 1u);
    EXPECT_EQ(port->FTReceiveBuffer[0], 'e');
    EXPECT_EQ(sim->Kelmor()->Memory()[100], 0);
    EXPECT_EQ(sim->Kelmor()->EraseCount(), 1);
}

TEST_F(SimulatorTest, ATransferRateSpreadsTheMemoryOverTimeWithProgress) {
    Attach(Model::V7);
    sim->Kelmor()->SetTransferRate(65536);
    std::vector<std::uint32_t> progress;
    port->SetReadProgress([&progress](std::uint32_t received, std::uint32_t requested) {
        EXPECT_EQ(requested, 131071u);
        progress.push_back(received);
    });
    Send({'M'});
    const std::int64_t start = clock.MonotonicMs();
    EXPECT_EQ(port->ReadFTDevice(131071), 131071u);
    EXPECT_NEAR(static_cast<double>(clock.MonotonicMs() - start), 2000.0, 20.0);
    ASSERT_GT(progress.size(), 50u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 131071u);
}

TEST_F(SimulatorTest, UnpluggedDuringTheMemoryReadTheReadEndsWithNoDevice) {
    Attach(Model::V6);
    sim->Kelmor()->CutLineDuringMemoryReply(1000);
    Send({0x04, 0x0D});
    EXPECT_EQ(port->ReadFTDevice(65535), 1000u);
    EXPECT_EQ(port->LastTransferResult(), LinkStatus::NoDevice);
    EXPECT_FALSE(sim->KelmorPresent());
    EXPECT_EQ(port->GetFTDeviceCount(), FT_OK);
    EXPECT_EQ(port->FTDeviceCount, 0u);
    EXPECT_EQ(port->CloseFTDevice(), FT_OK);
}

TEST_F(SimulatorTest, PurgeDropsWhatHasArrivedButNotWhatIsOnItsWay) {
    Attach(Model::V5);
    Send({0xF3, 0x3F, 0x04, 0x05});  // Identify, then erase
    port->PurgeFTDeviceRX();
    clock.Sleep(KelmorModel::kEraseTimeMsV5V6);
    ASSERT_EQ(port->ReadFTDevice(2), 2u);
    EXPECT_EQ(port->FTReceiveBuffer[0], 0x06);
    EXPECT_EQ(port->FTReceiveBuffer[1], 0x05);
}

TEST_F(SimulatorTest, TheClockRunsFromACompleteSetOfRegisters) {
    Attach(Model::V7);
    clock.SetLocalNow(QDateTime(QDate(2026, 3, 5), QTime(10, 0, 0)));
    const std::uint8_t set[] = {0x59, 0x59, 0x23, 0x31, 1, 0x12, 0x28};
    for (std::uint8_t r = 2; r <= 8; ++r) {
        Send({'C', r, set[r - 2]});
        if (r == 4) {
            // Written registers are held while the set is incomplete.
            EXPECT_EQ(sim->Kelmor()->Registers()[4], 0x23);
            EXPECT_EQ(sim->Kelmor()->Registers()[5], 0x05);
        }
    }
    clock.Advance(2000);
    const auto registers = sim->Kelmor()->Registers();
    EXPECT_EQ(registers[2], 0x01);
    EXPECT_EQ(registers[3], 0x00);
    EXPECT_EQ(registers[4], 0x00);
    EXPECT_EQ(registers[5], 0x01);
    EXPECT_EQ(registers[6], 2);  // Monday 1 January 2029
    EXPECT_EQ(registers[7], 0x01);
    EXPECT_EQ(registers[8], 0x29);
}

}  // namespace
}  // namespace kelmor
