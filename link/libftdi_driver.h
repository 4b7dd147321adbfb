#pragma once

#include <array>
#include <cstdint>

#include "link/clock.h"
#include "link/ft_driver.h"

struct ftdi_context;

namespace kelmor {

// Real USB through libftdi1. The listing reads each FTDI device's description and serial
// number without claiming it, so the kernel's serial driver keeps every device the
// program does not talk to. An open claims the device by its serial number and hands it
// back to the kernel driver when it closes. One device is open at a time, as the program
// opens one for each exchange.
class LibFtdiDriver : public FtDriver {
  public:
    explicit LibFtdiDriver(Clock& clock);
    ~LibFtdiDriver() override;
    LibFtdiDriver(const LibFtdiDriver&) = delete;
    LibFtdiDriver& operator=(const LibFtdiDriver&) = delete;

    FT_STATUS ListDeviceCount(std::uint32_t& count) override;
    FT_STATUS ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override;
    FT_STATUS OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) override;
    FT_STATUS Close(FT_HANDLE handle) override;
    FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& received) override;
    FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                    std::uint32_t& written) override;
    FT_STATUS Purge(FT_HANDLE handle, std::uint32_t mask) override;
    void SetReadProgress(ReadProgress progress) override { progress_ = std::move(progress); }
    bool LastListingLackedPermission() const override { return lackedPermission_; }

  private:
    // The listing is taken whole by ListDeviceCount and answered from here by index, so
    // that the queries of one discovery pass see one consistent set of devices.
    struct ListedDevice {
        std::array<char, kDescriptionBufferSize> description{};
        std::array<char, kSerialNumberBufferSize> serialNumber{};
        bool readable = false;
    };
    static constexpr std::uint32_t kMostListed = 32;

    bool EnsureContexts();
    bool IsOpenHandle(FT_HANDLE handle) const;
    FT_STATUS OpenBySerialNumber(const char* serialNumber);

    Clock& clock_;
    ftdi_context* listing_ = nullptr;
    ftdi_context* port_ = nullptr;
    bool open_ = false;
    std::array<ListedDevice, kMostListed> listed_{};
    std::uint32_t listedCount_ = 0;
    bool lackedPermission_ = false;
    ReadProgress progress_;
};

}  // namespace kelmor
