// Discovery and the open through the unchanged libftdi1 and libusb, on an emulated bus.
#include <gtest/gtest.h>

#include "usb_fixture.h"

namespace kelmor::usbtest {
namespace {

class ListingTest : public UsbTest {
  protected:
    // The description and serial number the port layer lists at `index`.
    std::pair<QString, QString> Listed(std::uint32_t index) {
        port->GetFTDeviceDescription(index);
        const QString description = port->FTDeviceText;
        port->FTDeviceText.clear();
        port->GetFTDeviceSerialNo(index);
        return {description, port->FTDeviceText};
    }
};

TEST_F(ListingTest, TheKelmorIsListedWithoutClaimAndOpenedBySerialNumber) {
    EmulatedFt232r& chip = bed->AddKelmor(Model::V7);
    StartProgram();
    ASSERT_TRUE(Discovered());
    EXPECT_EQ(identity.SerialNumber, "KLM70412");
    EXPECT_EQ(identity.Description, "USB <-> Serial Cable");
    EXPECT_FALSE(chip.Claimed());
    ASSERT_EQ(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
    EXPECT_TRUE(chip.Claimed());
    EXPECT_EQ(port->CloseFTDevice(), FT_OK);
    EXPECT_FALSE(chip.Claimed());
}

// Another FTDI device that this user may not open must not hide the Kelmor or block its
// open, whether it comes before or after it.
TEST_F(ListingTest, ADeviceThatCannotBeOpenedStandsInNobodysWay) {
    for (const bool otherFirst : {true, false}) {
        DeviceOptions locked;
        locked.description = "FT232R USB UART";
        locked.serialNumber = QByteArray("A50285BI");
        locked.openable = false;
        if (otherFirst) {
            bed->AddDevice(locked);
        }
        EmulatedFt232r& kelmor = bed->AddKelmor(Model::V5);
        if (!otherFirst) {
            bed->AddDevice(locked);
        }
        if (!driver) {
            StartProgram();
        }
        ASSERT_TRUE(Discovered()) << otherFirst;
        EXPECT_EQ(port->FTDeviceCount, 2u);
        EXPECT_EQ(identity.SerialNumber, "KLM70412");
        EXPECT_TRUE(driver->LastListingLackedPermission());
        ASSERT_EQ(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
        EXPECT_TRUE(kelmor.Claimed());
        port->CloseFTDevice();
        bed->RemoveAll();
        ASSERT_TRUE(UsbTestbed::WaitFor([this] {
            port->GetFTDeviceCount();
            return port->FTDeviceCount == 0;
        }));
    }
}

TEST_F(ListingTest, ADeviceWithoutSerialNumberKeepsItsDescription) {
    DeviceOptions noSerial;
    noSerial.description = "USB <-> Serial";
    noSerial.serialNumber.reset();
    bed->AddDevice(noSerial);
    StartProgram();
    ASSERT_TRUE(Discovered());
    EXPECT_EQ(Listed(0), std::make_pair(QString("USB <-> Serial"), QString()));
    // Nothing can be opened by an empty serial number.
    EXPECT_NE(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
}

TEST_F(ListingTest, TheOpenTakesTheDeviceWhoseSerialNumberMatched) {
    DeviceOptions first;
    first.serialNumber = QByteArray("KLM50001");
    DeviceOptions second;
    second.serialNumber = QByteArray("KLM50002");
    EmulatedFt232r& one = bed->AddKelmor(Model::V5, first);
    EmulatedFt232r& two = bed->AddKelmor(Model::V5, second);
    StartProgram();
    ASSERT_TRUE(Discovered());
    // Of two accepted devices the one listed last is taken.
    EXPECT_EQ(identity.SerialNumber, Listed(1).second);
    ASSERT_EQ(port->Open_USB_Device_By_Serial_Number("KLM50001"), FT_OK);
    EXPECT_TRUE(one.Claimed());
    EXPECT_FALSE(two.Claimed());
    port->CloseFTDevice();
}

// Whatever the chip's last user left, the line is set as the Kelmor wants it.
TEST_F(ListingTest, TheOpenSetsTheLine) {
    EmulatedFt232r& chip = bed->AddKelmor(Model::V7);
    StartProgram();
    ASSERT_TRUE(Discovered());
    chip.ClearSioRequests();
    ASSERT_EQ(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
    const std::vector<SioRequest> requests = chip.SioRequests();
    auto sent = [&requests](std::uint8_t request, std::uint16_t value) {
        return std::any_of(requests.begin(), requests.end(), [=](const SioRequest& r) {
            return r.request == request && r.value == value;
        });
    };
    EXPECT_EQ(chip.BaudRate(), 9600);
    EXPECT_TRUE(sent(sio::kLineProperties, 0x0008));  // 8 data bits, no parity, 1 stop bit
    EXPECT_TRUE(sent(sio::kFlowControl, 0));
    EXPECT_TRUE(sent(sio::kLatencyTimer, 2));
    EXPECT_TRUE(sent(sio::kReset, sio::kPurgeRx));
    EXPECT_TRUE(sent(sio::kReset, sio::kPurgeTx));
    // The purge comes last, after the line is set.
    EXPECT_EQ(requests.back().request, sio::kReset);
    port->CloseFTDevice();
}

TEST_F(ListingTest, AFailedOpenNamesItsCause) {
    EmulatedFt232r& chip = bed->AddKelmor(Model::V6);
    StartProgram();
    ASSERT_TRUE(Discovered());

    chip.SetOpenable(false);
    EXPECT_NE(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
    EXPECT_EQ(port->LastOpenResult(), LinkStatus::NoAccess);
    chip.SetOpenable(true);

    chip.SetClaimable(false);
    EXPECT_NE(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
    EXPECT_EQ(port->LastOpenResult(), LinkStatus::InUse);
    chip.SetClaimable(true);

    EXPECT_NE(port->Open_USB_Device_By_Serial_Number("NOT-A-KELMOR"), FT_OK);
    EXPECT_EQ(port->LastOpenResult(), LinkStatus::NoDevice);

    ASSERT_EQ(port->Open_USB_Device_By_Serial_Number(identity.SerialNumber), FT_OK);
    port->CloseFTDevice();
}

}  // namespace
}  // namespace kelmor::usbtest
