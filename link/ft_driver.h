#pragma once

#include <cstdint>

namespace kelmor {

// The D2XX-style driver interface: the six calls through which the port layer reaches an
// FTDI USB-serial bridge. Real USB (libftdi1) and the simulated Kelmor implement it.
using FT_STATUS = std::uint32_t;
using FT_HANDLE = void*;

// Driver status codes, as D2XX numbers them.
enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_OTHER_ERROR = 17,
};

// FT_ListDevices flags.
enum : std::uint32_t {
    FT_LIST_NUMBER_ONLY = 0x80000000,
    FT_LIST_BY_INDEX = 0x40000000,
    FT_OPEN_BY_SERIAL_NUMBER = 1,
    FT_OPEN_BY_DESCRIPTION = 2,
};

constexpr std::uint32_t FT_PURGE_RX = 1;
constexpr int kSerialNumberBufferSize = 16;
constexpr int kDescriptionBufferSize = 64;

enum class LinkStatus;

// A driver moves bytes and nothing more: a read returns what has arrived (waiting no
// longer than a few tens of milliseconds for it), a write passes the bytes on. Time-outs,
// progress and cancellation are the port layer's.
class FtDriver {
  public:
    virtual ~FtDriver() = default;

    // FT_ListDevices with FT_LIST_NUMBER_ONLY: the number of attached FTDI devices.
    virtual FT_STATUS ListDeviceCount(std::uint32_t& count) = 0;
    // FT_ListDevices by index: flags FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER fills up to
    // 16 bytes of serial number, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION up to 64 bytes
    // of description; NUL-terminated when shorter.
    virtual FT_STATUS ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) = 0;
    // FT_OpenEx by serial number (`name` is NUL-terminated).
    virtual FT_STATUS OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) = 0;
    // Why the latest OpenEx failed: NoDevice, NoAccess, InUse or Io.
    virtual LinkStatus LastOpenFailure() const = 0;
    virtual FT_STATUS Close(FT_HANDLE handle) = 0;
    // FT_Read without its wait: up to `count` bytes of what has arrived, possibly none.
    // FT_DEVICE_NOT_FOUND when the device went away.
    virtual FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                           std::uint32_t& received) = 0;
    // FT_Write: `written` may come short of `count`.
    virtual FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                            std::uint32_t& written) = 0;
    // FT_Purge: FT_PURGE_RX discards what the driver holds of received data.
    virtual FT_STATUS Purge(FT_HANDLE handle, std::uint32_t mask) = 0;

    // True when the last listing saw a device whose names it could not read for lack of
    // permission, so that the window can say so instead of showing no instrument.
    virtual bool LastListingLackedPermission() const { return false; }
};

}  // namespace kelmor
