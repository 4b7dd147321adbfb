#include "libftdi_driver.h"

#include <ftdi.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "link/link_log.h"

namespace kelmor {

namespace {

constexpr int kFtdiVendor = 0x0403;
// The FTDI bridges libftdi lists by default: FT232R/FT245R, FT2232, FT4232, FT232H, FT-X.
constexpr int kFtdiProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};
// Request and reply exchanges want the chip to pass on what it has at once rather than
// after its default 16 ms.
constexpr unsigned char kLatencyTimerMs = 2;
// Larger USB transfers for the memory read-out of up to 131071 bytes.
constexpr unsigned int kReadChunkSize = 16384;

// libftdi's codes of ftdi_usb_get_strings and ftdi_usb_open_desc.
constexpr int kNotFound = -3;
constexpr int kOpenFailed = -4;
constexpr int kClaimFailed = -5;
constexpr int kNoPermission = -8;

const char* kUdevHint =
    "no permission to open the FTDI device: install packaging/60-kelmor.rules as "
    "/usr/lib/udev/rules.d/60-kelmor.rules and reload the rules (udevadm control "
    "--reload-rules; udevadm trigger --subsystem-match=usb --attr-match=idVendor=0403)";
const char* kClaimHint =
    "the FTDI device is held by another driver: the brltty braille daemon often grabs "
    "FTDI adapters (remove it or disable its udev rules), or ftdi_sio could not be "
    "detached";

FT_STATUS OpenStatus(int code, ftdi_context* context) {
    switch (code) {
        case 0:
            return FT_OK;
        case kNotFound:
            return FT_DEVICE_NOT_FOUND;
        case kOpenFailed:
        case kNoPermission:
            qCDebug(kelmorLink) << kUdevHint;
            return FT_DEVICE_NOT_OPENED;
        case kClaimFailed:
            qCDebug(kelmorLink) << kClaimHint;
            return FT_DEVICE_NOT_OPENED;
        default:
            qCDebug(kelmorLink) << "open failed:" << code << ftdi_get_error_string(context);
            return FT_DEVICE_NOT_OPENED;
    }
}

void CopyListingText(const char* text, char* buffer, int size) {
    const std::size_t length = strnlen(text, static_cast<std::size_t>(size));
    std::memcpy(buffer, text, length);
    if (length < static_cast<std::size_t>(size)) {
        buffer[length] = '\0';
    }
}

}  // namespace

LibFtdiDriver::LibFtdiDriver(Clock& clock) : clock_(clock) {
    EnsureContexts();
}

LibFtdiDriver::~LibFtdiDriver() {
    if (open_) {
        ftdi_usb_close(port_);
    }
    if (port_) {
        ftdi_free(port_);
    }
    if (listing_) {
        ftdi_free(listing_);
    }
}

// libusb may be missing at start (no USB in a container) and come later; the contexts
// are made once it is there.
bool LibFtdiDriver::EnsureContexts() {
    if (!listing_) {
        listing_ = ftdi_new();
    }
    if (!port_) {
        port_ = ftdi_new();
    }
    return listing_ && port_;
}

bool LibFtdiDriver::IsOpenHandle(FT_HANDLE handle) const {
    return open_ && handle != nullptr && handle == port_;
}

FT_STATUS LibFtdiDriver::ListDeviceCount(std::uint32_t& count) {
    if (!EnsureContexts()) {
        return FT_OTHER_ERROR;
    }
    ftdi_device_list* list = nullptr;
    const int found = ftdi_usb_find_all(listing_, &list, 0, 0);
    if (found < 0) {
        qCDebug(kelmorLink) << "listing failed:" << found << ftdi_get_error_string(listing_);
        ftdi_list_free(&list);
        return FT_IO_ERROR;
    }
    listedCount_ = 0;
    lackedPermission_ = false;
    for (ftdi_device_list* entry = list; entry && listedCount_ < kMostListed; entry = entry->next) {
        ListedDevice& device = listed_[listedCount_++];
        device = ListedDevice{};
        // Reading the strings opens the device without claiming it: the kernel's serial
        // driver keeps it.
        const int result = ftdi_usb_get_strings(
            listing_, entry->dev, nullptr, 0, device.description.data(),
            static_cast<int>(device.description.size()), device.serialNumber.data(),
            static_cast<int>(device.serialNumber.size()));
        device.readable = result == 0;
        if (result == kOpenFailed) {
            lackedPermission_ = true;
            qCDebug(kelmorLink) << kUdevHint;
        } else if (result < 0) {
            qCDebug(kelmorLink) << "device names unreadable:" << result
                                << ftdi_get_error_string(listing_);
        }
        // A failed string query leaves the device open in the listing context; the next
        // device's query would read this one's strings.
        if (listing_->usb_dev) {
            ftdi_usb_close(listing_);
        }
    }
    ftdi_list_free(&list);
    count = listedCount_;
    return FT_OK;
}

FT_STATUS LibFtdiDriver::ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) {
    if (index >= listedCount_) {
        return FT_DEVICE_NOT_FOUND;
    }
    const ListedDevice& device = listed_[index];
    const bool serial = flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER);
    const bool description = flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
    if (!serial && !description) {
        return FT_INVALID_PARAMETER;
    }
    if (!device.readable) {
        return FT_DEVICE_NOT_OPENED;
    }
    if (serial) {
        CopyListingText(device.serialNumber.data(), buffer, kSerialNumberBufferSize);
    } else {
        CopyListingText(device.description.data(), buffer, kDescriptionBufferSize);
    }
    return FT_OK;
}

FT_STATUS LibFtdiDriver::OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) {
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !name) {
        return FT_INVALID_PARAMETER;
    }
    if (open_) {
        return FT_DEVICE_NOT_OPENED;
    }
    if (name[0] == '\0') {
        return FT_DEVICE_NOT_FOUND;
    }
    if (!EnsureContexts()) {
        return FT_OTHER_ERROR;
    }
    const FT_STATUS status = OpenBySerialNumber(name);
    if (status != FT_OK) {
        return status;
    }
    if (ftdi_set_latency_timer(port_, kLatencyTimerMs) < 0 ||
        ftdi_read_data_set_chunksize(port_, kReadChunkSize) < 0) {
        qCDebug(kelmorLink) << "port set-up failed:" << ftdi_get_error_string(port_);
    }
    open_ = true;
    handle = port_;
    return FT_OK;
}

// libftdi opens by vendor and product; the Kelmor's bridge may be any of FTDI's chips.
// The line stays at what the open sets: 9600 baud, 8N1.
FT_STATUS LibFtdiDriver::OpenBySerialNumber(const char* serialNumber) {
    int firstFailure = kNotFound;
    for (const int product : kFtdiProducts) {
        // Gives /dev/ttyUSB* back to the kernel when the port closes.
        port_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        const int result = ftdi_usb_open_desc(port_, kFtdiVendor, product, nullptr, serialNumber);
        if (result == 0) {
            return FT_OK;
        }
        if (port_->usb_dev) {
            ftdi_usb_close(port_);
        }
        if (result != kNotFound && firstFailure == kNotFound) {
            firstFailure = result;
        }
    }
    return OpenStatus(firstFailure, port_);
}

FT_STATUS LibFtdiDriver::Close(FT_HANDLE handle) {
    if (!IsOpenHandle(handle)) {
        return FT_INVALID_HANDLE;
    }
    // A device that went away cannot release its interface; it is closed all the same.
    if (ftdi_usb_close(port_) < 0) {
        qCDebug(kelmorLink) << "close:" << ftdi_get_error_string(port_);
    }
    open_ = false;
    return FT_OK;
}

FT_STATUS LibFtdiDriver::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                              std::uint32_t& received) {
    received = 0;
    if (!IsOpenHandle(handle)) {
        return FT_INVALID_HANDLE;
    }
    std::int64_t lastByteMs = clock_.MonotonicMs();
    while (received < count) {
        const int wanted = static_cast<int>(std::min<std::uint32_t>(count - received, INT_MAX));
        const int got = ftdi_read_data(port_, buffer + received, wanted);
        if (got < 0) {
            qCDebug(kelmorLink) << "read failed:" << got << ftdi_get_error_string(port_);
            return FT_IO_ERROR;
        }
        const std::int64_t now = clock_.MonotonicMs();
        if (got > 0) {
            received += static_cast<std::uint32_t>(std::min(got, wanted));
            lastByteMs = now;
            if (progress_) {
                progress_(received, count);
            }
            continue;
        }
        if (now - lastByteMs >= kReadIdleTimeoutMs) {
            break;
        }
        clock_.Sleep(1);
    }
    return FT_OK;
}

FT_STATUS LibFtdiDriver::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                               std::uint32_t& written) {
    written = 0;
    if (!IsOpenHandle(handle)) {
        return FT_INVALID_HANDLE;
    }
    const int size = static_cast<int>(std::min<std::uint32_t>(count, INT_MAX));
    const int result = ftdi_write_data(port_, buffer, size);
    if (result < 0) {
        qCDebug(kelmorLink) << "write failed:" << result << ftdi_get_error_string(port_);
        return FT_IO_ERROR;
    }
    written = static_cast<std::uint32_t>(result);
    return written == count ? FT_OK : FT_IO_ERROR;
}

FT_STATUS LibFtdiDriver::Purge(FT_HANDLE handle, std::uint32_t mask) {
    if (!IsOpenHandle(handle)) {
        return FT_INVALID_HANDLE;
    }
    if ((mask & FT_PURGE_RX) != 0 && ftdi_tciflush(port_) < 0) {
        qCDebug(kelmorLink) << "purge failed:" << ftdi_get_error_string(port_);
        return FT_IO_ERROR;
    }
    return FT_OK;
}

}  // namespace kelmor
