#include <gtest/gtest.h>

#include <memory>

#include "fake_clock.h"
#include "link/port_layer.h"
#include "simulator/simulated_ftdi_bus.h"

namespace kelmor {
namespace {

using testing::FakeClock;

class PortLayerTest : public ::testing::Test {
  protected:
    FakeClock clock;
    SimulatedFtdiBus sim{clock, Model::V7};
    std::unique_ptr<PortLayer> port = std::make_unique<PortLayer>(sim, clock);

    void OpenKelmor() {
        sim.AddKelmor("USB <-> Serial", "KM7A0001");
        ASSERT_EQ(port->Open_USB_Device_By_Serial_Number("KM7A0001"), FT_OK);
    }
    // A one-letter V7 command.
    void Send(std::uint8_t command) {
        port->FTTransmitBuffer[0] = command;
        port->WriteFTDevice(1);
    }
};

TEST_F(PortLayerTest, ListingWithoutDevicesCountsNone) {
    port->FTDeviceCount = 7;
    EXPECT_EQ(port->GetFTDeviceCount(), FT_OK);
    EXPECT_EQ(port->FTDeviceCount, 0u);
}

TEST_F(PortLayerTest, QueriesSetTheTextAndAFailingOneLeavesTheTextBeforeIt) {
    sim.AddGadget("FT232R USB UART", "A50285BI");
    ASSERT_EQ(port->GetFTDeviceCount(), FT_OK);
    ASSERT_EQ(port->FTDeviceCount, 1u);
    EXPECT_EQ(port->GetFTDeviceDescription(0), FT_OK);
    EXPECT_EQ(port->FTDeviceText, "FT232R USB UART");
    EXPECT_EQ(port->GetFTDeviceSerialNo(0), FT_OK);
    EXPECT_EQ(port->FTDeviceText, "A50285BI");
    sim.FailDescriptionQuery(0u);
    EXPECT_NE(port->GetFTDeviceDescription(0), FT_OK);
    EXPECT_EQ(port->FTDeviceText, "A50285BI");
    EXPECT_NE(port->GetFTDeviceSerialNo(5), FT_OK);
    EXPECT_EQ(port->FTDeviceText, "A50285BI");
}

TEST_F(PortLayerTest, TextsWithoutNulTakeTheWholeBuffer) {
    const QByteArray longDescription(70, 'd');
    sim.AddGadget(longDescription, "0123456789ABCDEFXYZ");
    port->GetFTDeviceCount();
    port->GetFTDeviceDescription(0);
    EXPECT_EQ(port->FTDeviceText, QString(64, 'd'));
    port->GetFTDeviceSerialNo(0);
    EXPECT_EQ(port->FTDeviceText, "0123456789ABCDEF");
}

TEST_F(PortLayerTest, OpenNameIsAtMost49CharactersAndAFailedOpenKeepsTheHandle) {
    OpenKelmor();
    const FT_HANDLE opened = port->FTHandle;
    ASSERT_NE(opened, nullptr);
    ASSERT_EQ(port->CloseFTDevice(), FT_OK);
    EXPECT_EQ(port->FTHandle, opened);  // a close leaves the handle as it was

    const QString sixty = QString(40, 'S') + QString(20, 'T');
    EXPECT_EQ(port->Open_USB_Device_By_Serial_Number(sixty), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(sim.LastOpenName(), QByteArray(40, 'S') + QByteArray(9, 'T'));
    EXPECT_EQ(port->FTHandle, opened);

    EXPECT_EQ(port->Open_USB_Device_By_Serial_Number(QString()), FT_DEVICE_NOT_FOUND);
    EXPECT_TRUE(sim.LastOpenName().isEmpty());
    EXPECT_EQ(port->FTOpenName[0], '\0');
}

TEST_F(PortLayerTest, AShortReadLeavesTheBytesOfEarlierReadsBehindIt) {
    OpenKelmor();
    Send('0');  // registers: 9 bytes
    ASSERT_EQ(port->ReadFTDevice(9), 9u);
    const auto registers = port->FTReceiveBuffer;
    port->FTTransmitBuffer[0] = 0xF3;
    port->FTTransmitBuffer[1] = 0x3F;
    port->WriteFTDevice(2);
    ASSERT_EQ(port->ReadFTDevice(2), 2u);
    EXPECT_EQ(port->FTReceiveBuffer[0], 0x03);
    EXPECT_EQ(port->FTReceiveBuffer[1], 0x03);
    for (int i = 2; i < 9; ++i) {
        EXPECT_EQ(port->FTReceiveBuffer[i], registers[i]) << i;
    }
}

TEST_F(PortLayerTest, AWholeMemoryReadFillsTheReceiveBufferOnly) {
    OpenKelmor();
    for (std::size_t i = 0; i < sim.Kelmor()->MutableMemory().size(); ++i) {
        sim.Kelmor()->MutableMemory()[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    port->FTTransmitBuffer.fill(0xAA);
    port->FTTransmitBuffer[0] = 'M';
    port->WriteFTDevice(1);
    port->FTReceiveBuffer[131071] = 0x5C;
    ASSERT_EQ(port->ReadFTDevice(131071), 131071u);
    EXPECT_TRUE(std::equal(port->FTReceiveBuffer.begin(), port->FTReceiveBuffer.begin() + 131071,
                           sim.Kelmor()->Memory().begin()));
    EXPECT_EQ(port->FTReceiveBuffer[131071], 0x5C);
    EXPECT_EQ(port->FTTransmitBuffer[0], 'M');
    EXPECT_TRUE(std::all_of(port->FTTransmitBuffer.begin() + 1, port->FTTransmitBuffer.end(),
                            [](std::uint8_t b) { return b == 0xAA; }));
}

TEST_F(PortLayerTest, CountsBeyondTheBuffersAreRefused) {
    OpenKelmor();
    EXPECT_EQ(port->ReadFTDevice(kReceiveBufferSize + 1), 0u);
    EXPECT_EQ(port->LastTransferResult(), LinkStatus::Io);
    EXPECT_EQ(port->LastErrorReport(), "FT_Read - Invalid parameter...");
    EXPECT_EQ(port->WriteFTDevice(kTransmitBufferSize + 1), 0u);
    EXPECT_EQ(port->LastTransferResult(), LinkStatus::Io);
    EXPECT_TRUE(sim.Kelmor()->ReceivedWrites().empty());
}

TEST_F(PortLayerTest, CloseWithNothingOpenReportsAndReturnsTheStatus) {
    EXPECT_EQ(port->CloseFTDevice(), FT_INVALID_HANDLE);
    EXPECT_EQ(port->LastErrorReport(), "FT_Close - Invalid handle...");
    EXPECT_EQ(port->FTHandle, nullptr);
}

TEST(PortLayerReport, ComposesLabelAndStatusText) {
    EXPECT_EQ(PortLayer::ComposeFTError("FT_Read", 1), "FT_Read - Invalid handle...");
    EXPECT_EQ(PortLayer::ComposeFTError("FT_Write", 8), "FT_Write Device not opened for erase...");
    EXPECT_EQ(PortLayer::ComposeFTError("FT_Write", 17), "FT_Write - Other error ...");
    EXPECT_TRUE(PortLayer::ComposeFTError("FT_Read", 0).isEmpty());
    EXPECT_TRUE(PortLayer::ComposeFTError("FT_Read", 18).isEmpty());
}

TEST_F(PortLayerTest, TheReportIsSilentWhenSwitchedOff) {
    port->FTErrorReportOn = false;
    port->CloseFTDevice();
    EXPECT_TRUE(port->LastErrorReport().isEmpty());
}

}  // namespace
}  // namespace kelmor
