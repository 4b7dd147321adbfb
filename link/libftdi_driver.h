#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "link/ft_driver.h"
#include "link/link_status.h"

struct ftdi_context;
struct libusb_device;

namespace kelmor {

// Real USB through libftdi1. The listing reads each FTDI device's description and serial
// number without claiming it, so the kernel's serial driver keeps every device the
// program does not talk to, and keeps hold of each listed device so that an open takes
// the very device whose serial number matched: another FTDI device that cannot be opened
// or has no serial number never stands in the way. An open claims the device, hands it
// back to the kernel's serial driver when it closes, and sets the line as the Kelmor
// wants it whatever the chip's last user left: 9600 baud, 8 data bits, no parity, one
// stop bit, no flow control.
//
// A read returns what the chip has delivered, asking for no more than the line carries
// in a few tens of milliseconds, so that the port layer above can report progress and
// look at a cancel between reads. One device is open at a time. A discovery pass (the
// listing) and an exchange (the open device) may run on two threads at once.
class LibFtdiDriver : public FtDriver {
  public:
    LibFtdiDriver();
    ~LibFtdiDriver() override;
    LibFtdiDriver(const LibFtdiDriver&) = delete;
    LibFtdiDriver& operator=(const LibFtdiDriver&) = delete;

    FT_STATUS ListDeviceCount(std::uint32_t& count) override;
    FT_STATUS ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override;
    FT_STATUS OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) override;
    LinkStatus LastOpenFailure() const override { return lastOpenFailure_; }
    FT_STATUS Close(FT_HANDLE handle) override;
    FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& received) override;
    FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                    std::uint32_t& written) override;
    FT_STATUS Purge(FT_HANDLE handle, std::uint32_t mask) override;
    bool LastListingLackedPermission() const override;

  private:
    // The listing is taken whole by ListDeviceCount and answered from here by index, so
    // that the queries of one discovery pass see one consistent set of devices. Each
    // entry holds a reference to its device until the next listing.
    struct ListedDevice {
        std::array<char, kDescriptionBufferSize + 1> description{};
        std::array<char, kSerialNumberBufferSize + 1> serialNumber{};
        bool readable = false;
        libusb_device* device = nullptr;
    };
    static constexpr std::uint32_t kMostListed = 32;
    using Listing = std::array<ListedDevice, kMostListed>;

    bool EnsureContexts();
    bool IsOpenHandle(FT_HANDLE handle) const;
    libusb_device* ListedDeviceBySerial(const char* serialNumber);
    FT_STATUS SetUpLine();
    static void Release(Listing& listing, std::uint32_t count);

    ftdi_context* listing_ = nullptr;
    ftdi_context* port_ = nullptr;
    bool open_ = false;
    LinkStatus lastOpenFailure_ = LinkStatus::NoDevice;

    mutable std::mutex listingMutex_;
    Listing listed_{};
    std::uint32_t listedCount_ = 0;
    bool lackedPermission_ = false;
};

}  // namespace kelmor
