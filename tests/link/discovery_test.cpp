#include <gtest/gtest.h>

#include <memory>

#include "fake_clock.h"
#include "link/discovery.h"
#include "simulator/simulated_ftdi_bus.h"

namespace kelmor {
namespace {

using testing::FakeClock;

class DiscoveryTest : public ::testing::Test {
  protected:
    FakeClock clock;
    SimulatedFtdiBus sim{clock, Model::V6};
    std::unique_ptr<PortLayer> port = std::make_unique<PortLayer>(sim, clock);
    InstrumentIdentity identity;
};

TEST_F(DiscoveryTest, AcceptsTheKelmorAmongOtherDevicesWithoutOpeningAnything) {
    sim.AddGadget("FT232R USB UART", "A50285BI");
    sim.AddKelmor("USB <-> Serial Cable", "KM6B0042");
    sim.AddGadget("Dual RS232-HS", "FT4ABC");
    EXPECT_TRUE(Discover(*port, identity));
    EXPECT_EQ(identity.SerialNumber, "KM6B0042");
    EXPECT_EQ(identity.Description, "USB <-> Serial Cable");
    EXPECT_FALSE(sim.KelmorOpen());
    EXPECT_TRUE(sim.Kelmor()->ReceivedWrites().empty());
}

TEST_F(DiscoveryTest, TheHighestAcceptedIndexWins) {
    sim.AddGadget("USB <-> V5", "FIRST");
    sim.AddGadget("FT232R USB UART", "A50285BI");
    sim.AddKelmor("USB <-> Serial", "THIRD");
    EXPECT_TRUE(Discover(*port, identity));
    EXPECT_EQ(identity.SerialNumber, "THIRD");
    EXPECT_EQ(identity.Description, "USB <-> Serial");
}

TEST_F(DiscoveryTest, DescriptionsMustMatchExactly) {
    for (const char* nearMiss : {"usb <-> Serial", "USB <-> Serial ", "USB <-> V5 ", "USB<->V5"}) {
        SimulatedFtdiBus other(clock, Model::V5);
        other.AddKelmor(nearMiss, "KM5");
        auto otherPort = std::make_unique<PortLayer>(other, clock);
        InstrumentIdentity kept{"OLD", "USB <-> V5"};
        EXPECT_FALSE(Discover(*otherPort, kept)) << nearMiss;
        EXPECT_EQ(kept.SerialNumber, "OLD");  // a pass that accepts none keeps the identity
    }
    for (const char* accepted : kAcceptedDescriptions) {
        EXPECT_TRUE(IsAcceptedDescription(accepted));
    }
}

TEST_F(DiscoveryTest, AFailingDescriptionQueryIsJudgedByTheTextItLeaves) {
    sim.AddKelmor("USB <-> V5", "KM5SERIAL");
    sim.AddGadget("USB <-> Serial", "NOTREAD");
    sim.FailDescriptionQuery(1u);
    EXPECT_TRUE(Discover(*port, identity));
    // Index 1 is judged by "KM5SERIAL", the serial number left by index 0.
    EXPECT_EQ(identity.SerialNumber, "KM5SERIAL");
}

TEST_F(DiscoveryTest, AFailingSerialQueryLeavesTheDescriptionAsSerialNumber) {
    sim.AddKelmor("USB <-> Serial", "KM6B0042");
    sim.FailSerialQuery(0u);
    EXPECT_TRUE(Discover(*port, identity));
    EXPECT_EQ(identity.SerialNumber, "USB <-> Serial");
    EXPECT_NE(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
}

TEST_F(DiscoveryTest, UnpluggingAndPluggingAgain) {
    sim.AddKelmor("USB <-> Serial", "KM6B0042");
    ASSERT_TRUE(Discover(*port, identity));
    sim.Unplug();
    EXPECT_FALSE(Discover(*port, identity));
    EXPECT_EQ(identity.SerialNumber, "KM6B0042");
    EXPECT_EQ(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_DEVICE_NOT_FOUND);
    sim.Plug();
    EXPECT_TRUE(Discover(*port, identity));
    EXPECT_EQ(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
}

}  // namespace
}  // namespace kelmor
