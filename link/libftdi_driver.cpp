#include "libftdi_driver.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "link/link_log.h"

namespace kelmor {

namespace {

constexpr int kBaudRate = 9600;
// Request and reply exchanges want the chip to pass on what it has at once rather than
// after its default 16 ms; it then also sends a packet without data every 2 ms while the
// line is quiet, which ends a read that has nothing to return.
constexpr unsigned char kLatencyTimerMs = 2;
// At 9600 baud 8N1 the line carries 960 bytes a second: 32 bytes take 33 ms. A read asks
// for no more, because libftdi returns only once it has the whole count or the line is
// quiet, and the port layer must look at progress and cancel well within 100 ms.
constexpr std::uint32_t kReadPiece = 32;
// A chip that sends nothing at all, not even its empty packets, ends a read after this
// long instead of libftdi's 5 s, so that a cancel is still seen in time.
constexpr int kUsbReadTimeoutMs = 100;

// libftdi's codes of ftdi_usb_get_strings2 and ftdi_usb_open_dev.
constexpr int kOpenFailed = -4;
constexpr int kClaimFailed = -5;
constexpr int kNoPermission = -8;
constexpr int kNoSerialNumber = -9;

const char* kUdevHint =
    "no permission to open the FTDI device: install packaging/60-kelmor.rules as "
    "/usr/lib/udev/rules.d/60-kelmor.rules and reload the rules (udevadm control "
    "--reload-rules; udevadm trigger --subsystem-match=usb --attr-match=idVendor=0403)";
const char* kClaimHint =
    "the FTDI device is held by another driver: the brltty braille daemon often grabs "
    "FTDI adapters (remove it or disable its udev rules), or ftdi_sio could not be "
    "detached";

// libftdi says only that libusb_open failed; libusb's own code tells a device this user
// may not open from one that went away.
LinkStatus WhyNotOpened(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    const int result = libusb_open(device, &handle);
    if (result == 0) {
        libusb_close(handle);
        return LinkStatus::Io;
    }
    if (result == LIBUSB_ERROR_ACCESS) {
        qCDebug(kelmorLink) << kUdevHint;
        return LinkStatus::NoAccess;
    }
    return result == LIBUSB_ERROR_NO_DEVICE ? LinkStatus::NoDevice : LinkStatus::Io;
}

LinkStatus OpenFailureOf(int code, ftdi_context* context, libusb_device* device) {
    qCDebug(kelmorLink) << "open failed:" << code << ftdi_get_error_string(context);
    switch (code) {
        case kNoPermission:
            qCDebug(kelmorLink) << kUdevHint;
            return LinkStatus::NoAccess;
        case kClaimFailed:
            qCDebug(kelmorLink) << kClaimHint;
            return LinkStatus::InUse;
        case kOpenFailed:
            return WhyNotOpened(device);
        default:
            return LinkStatus::Io;
    }
}

// A transfer's libusb error as a driver status: an unplugged device is gone for good.
FT_STATUS TransferStatusOf(int code) {
    return code == LIBUSB_ERROR_NO_DEVICE ? FT_DEVICE_NOT_FOUND : FT_IO_ERROR;
}

void CopyListingText(const char* text, char* buffer, int size) {
    const std::size_t length = strnlen(text, static_cast<std::size_t>(size));
    std::memcpy(buffer, text, length);
    if (length < static_cast<std::size_t>(size)) {
        buffer[length] = '\0';
    }
}

}  // namespace

LibFtdiDriver::LibFtdiDriver() {
    EnsureContexts();
}

LibFtdiDriver::~LibFtdiDriver() {
    if (open_) {
        ftdi_usb_close(port_);
    }
    Release(listed_, listedCount_);
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

void LibFtdiDriver::Release(Listing& listing, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (listing[i].device) {
            libusb_unref_device(listing[i].device);
            listing[i].device = nullptr;
        }
    }
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
    Listing fresh{};
    std::uint32_t freshCount = 0;
    bool lackedPermission = false;
    for (ftdi_device_list* entry = list; entry && freshCount < kMostListed; entry = entry->next) {
        ListedDevice& device = fresh[freshCount++];
        // Reading the strings opens the device without claiming it: the kernel's serial
        // driver keeps it. A device without a serial number gets an empty one and keeps
        // its description.
        int result = ftdi_usb_get_strings2(listing_, entry->dev, nullptr, 0,
                                           device.description.data(), kDescriptionBufferSize,
                                           device.serialNumber.data(), kSerialNumberBufferSize);
        if (result == kNoSerialNumber) {
            // libftdi asks for the serial number string even where the device has none.
            device.serialNumber[0] = '\0';
            result =
                ftdi_usb_get_strings2(listing_, entry->dev, nullptr, 0, device.description.data(),
                                      kDescriptionBufferSize, nullptr, 0);
        }
        device.readable = result == 0;
        if (device.readable) {
            device.device = libusb_ref_device(entry->dev);
        } else if (result == kOpenFailed) {
            lackedPermission = true;
            qCDebug(kelmorLink) << kUdevHint;
        } else {
            qCDebug(kelmorLink) << "device names unreadable:" << result
                                << ftdi_get_error_string(listing_);
        }
        // A failed string query may leave the device open in the listing context; the
        // next device's query would read this one's strings.
        if (listing_->usb_dev) {
            ftdi_usb_close(listing_);
        }
    }
    ftdi_list_free(&list);
    {
        const std::lock_guard<std::mutex> lock(listingMutex_);
        Release(listed_, listedCount_);
        listed_ = fresh;
        listedCount_ = freshCount;
        lackedPermission_ = lackedPermission;
    }
    count = freshCount;
    return FT_OK;
}

FT_STATUS LibFtdiDriver::ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) {
    const bool serial = flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER);
    const bool description = flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
    if (!serial && !description) {
        return FT_INVALID_PARAMETER;
    }
    const std::lock_guard<std::mutex> lock(listingMutex_);
    if (index >= listedCount_) {
        return FT_DEVICE_NOT_FOUND;
    }
    const ListedDevice& device = listed_[index];
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

bool LibFtdiDriver::LastListingLackedPermission() const {
    const std::lock_guard<std::mutex> lock(listingMutex_);
    return lackedPermission_;
}

// The device of the latest listing whose serial number is `serialNumber`, with a
// reference of its own; none when no readable device has it.
libusb_device* LibFtdiDriver::ListedDeviceBySerial(const char* serialNumber) {
    const std::lock_guard<std::mutex> lock(listingMutex_);
    for (std::uint32_t i = 0; i < listedCount_; ++i) {
        const ListedDevice& device = listed_[i];
        if (device.readable && device.device &&
            std::strcmp(device.serialNumber.data(), serialNumber) == 0) {
            return libusb_ref_device(device.device);
        }
    }
    return nullptr;
}

FT_STATUS LibFtdiDriver::OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) {
    lastOpenFailure_ = LinkStatus::Io;
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !name) {
        return FT_INVALID_PARAMETER;
    }
    if (open_ || !EnsureContexts()) {
        return FT_DEVICE_NOT_OPENED;
    }
    libusb_device* device = name[0] == '\0' ? nullptr : ListedDeviceBySerial(name);
    if (!device) {
        lastOpenFailure_ = LinkStatus::NoDevice;
        return FT_DEVICE_NOT_FOUND;
    }
    // Gives /dev/ttyUSB* back to the kernel when the port closes.
    port_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    const int result = ftdi_usb_open_dev(port_, device);
    if (result != 0) {
        lastOpenFailure_ = OpenFailureOf(result, port_, device);
        libusb_unref_device(device);
        if (port_->usb_dev) {
            ftdi_usb_close(port_);
        }
        return FT_DEVICE_NOT_OPENED;
    }
    libusb_unref_device(device);
    const FT_STATUS line = SetUpLine();
    if (line != FT_OK) {
        qCDebug(kelmorLink) << "line set-up failed:" << ftdi_get_error_string(port_);
        lastOpenFailure_ = LinkStatusOf(line);
        ftdi_usb_close(port_);
        return FT_DEVICE_NOT_OPENED;
    }
    open_ = true;
    handle = port_;
    return FT_OK;
}

// The open resets the chip to 9600 baud but leaves the line properties and the flow
// control as the chip's last user set them.
FT_STATUS LibFtdiDriver::SetUpLine() {
    port_->usb_read_timeout = kUsbReadTimeoutMs;
    const int steps[] = {
        ftdi_set_baudrate(port_, kBaudRate),
        ftdi_set_line_property(port_, BITS_8, STOP_BIT_1, NONE),
        ftdi_setflowctrl(port_, SIO_DISABLE_FLOW_CTRL),
        ftdi_set_latency_timer(port_, kLatencyTimerMs),
        ftdi_tcioflush(port_),
    };
    const bool failed =
        std::any_of(std::begin(steps), std::end(steps), [](int result) { return result < 0; });
    return failed ? FT_IO_ERROR : FT_OK;
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
    const int wanted = static_cast<int>(std::min(count, kReadPiece));
    const int got = ftdi_read_data(port_, buffer, wanted);
    if (got == LIBUSB_ERROR_TIMEOUT) {
        return FT_OK;  // not even an empty packet came: nothing has arrived
    }
    if (got < 0) {
        qCDebug(kelmorLink) << "read failed:" << got << ftdi_get_error_string(port_);
        return TransferStatusOf(got);
    }
    received = static_cast<std::uint32_t>(std::min(got, wanted));
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
        return TransferStatusOf(result);
    }
    written = static_cast<std::uint32_t>(result);
    return FT_OK;
}

FT_STATUS LibFtdiDriver::Purge(FT_HANDLE handle, std::uint32_t mask) {
    if (!IsOpenHandle(handle)) {
        return FT_INVALID_HANDLE;
    }
    if ((mask & FT_PURGE_RX) != 0) {
        const int result = ftdi_tciflush(port_);
        if (result < 0) {
            qCDebug(kelmorLink) << "purge failed:" << ftdi_get_error_string(port_);
            return FT_IO_ERROR;
        }
    }
    return FT_OK;
}

}  // namespace kelmor
