#include <gtest/gtest.h>

#include <QDir>

#include "link/libftdi_driver.h"

namespace kelmor {
namespace {

// Without an instrument only the refusals can be checked: these must never crash, and a
// missing device must never look like a present one.
TEST(LibFtdiDriverTest, WithoutTheInstrumentEverythingFailsWithAStatus) {
    LibFtdiDriver driver;
    std::uint32_t count = 99;
    const FT_STATUS listed = driver.ListDeviceCount(count);
    if (!QDir(QStringLiteral("/dev/bus/usb")).exists()) {
        // No USB at all: no devices, and no failure either.
        EXPECT_EQ(listed, FT_OK);
        EXPECT_EQ(count, 0u);
    }
    if (listed == FT_OK) {
        char text[kDescriptionBufferSize] = {};
        EXPECT_EQ(driver.ListDeviceByIndex(count, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
                  FT_DEVICE_NOT_FOUND);
    }
    FT_HANDLE handle = nullptr;
    EXPECT_NE(driver.OpenEx("NO-SUCH-KELMOR-0", FT_OPEN_BY_SERIAL_NUMBER, handle), FT_OK);
    EXPECT_EQ(handle, nullptr);
    EXPECT_NE(driver.OpenEx("", FT_OPEN_BY_SERIAL_NUMBER, handle), FT_OK);

    std::uint8_t bytes[4] = {0xF3, 0x3F, 0, 0};
    std::uint32_t transferred = 5;
    EXPECT_EQ(driver.Read(nullptr, bytes, 2, transferred), FT_INVALID_HANDLE);
    EXPECT_EQ(transferred, 0u);
    EXPECT_EQ(driver.Write(nullptr, bytes, 2, transferred), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.Purge(nullptr, FT_PURGE_RX), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.Close(nullptr), FT_INVALID_HANDLE);
}

}  // namespace
}  // namespace kelmor
