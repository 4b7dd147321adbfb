#include "simulated_ftdi_bus.h"

#include <algorithm>
#include <cstring>

namespace kelmor {

namespace {

void CopyListingText(const QByteArray& text, char* buffer, int size) {
    const int length = std::min(static_cast<int>(text.size()), size);
    std::memcpy(buffer, text.constData(), static_cast<std::size_t>(length));
    if (length < size) {
        buffer[length] = '\0';
    }
}

}  // namespace

SimulatedFtdiBus::SimulatedFtdiBus(Clock& clock, Model model) : kelmor_(clock, model) {}

SimulatedFtdiBus::~SimulatedFtdiBus() = default;

void SimulatedFtdiBus::AddGadget(const QByteArray& description, const QByteArray& serialNumber) {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto device = std::make_unique<Device>();
    device->description = description;
    device->serialNumber = serialNumber;
    devices_.push_back(std::move(device));
}

void SimulatedFtdiBus::AddKelmor(const QByteArray& description, const QByteArray& serialNumber) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (Device* kelmor = KelmorDevice()) {
        kelmor->description = description;
        kelmor->serialNumber = serialNumber;
        return;
    }
    auto device = std::make_unique<Device>();
    device->description = description;
    device->serialNumber = serialNumber;
    device->isKelmor = true;
    devices_.push_back(std::move(device));
}

SimulatedFtdiBus::Device* SimulatedFtdiBus::KelmorDevice() const {
    for (const auto& device : devices_) {
        if (device->isKelmor) {
            return device.get();
        }
    }
    return nullptr;
}

void SimulatedFtdiBus::Unplug() {
    const std::lock_guard<std::mutex> lock(mutex_);
    UnplugLocked();
}

void SimulatedFtdiBus::UnplugLocked() {
    Device* kelmor = KelmorDevice();
    if (!kelmor || !kelmor->present) {
        return;
    }
    kelmor->present = false;
    kelmor->gone = kelmor->open;
    kelmor_.ResetLine();
}

void SimulatedFtdiBus::Plug() {
    const std::lock_guard<std::mutex> lock(mutex_);
    Device* kelmor = KelmorDevice();
    if (!kelmor || kelmor->present) {
        return;
    }
    kelmor->present = true;
    // The handle of the device that went away does not come back with it.
    kelmor->open = false;
    kelmor->gone = false;
}

bool SimulatedFtdiBus::KelmorPresent() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const Device* kelmor = KelmorDevice();
    return kelmor && kelmor->present;
}

bool SimulatedFtdiBus::KelmorOpen() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const Device* kelmor = KelmorDevice();
    return kelmor && kelmor->open;
}

QByteArray SimulatedFtdiBus::LastOpenName() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastOpenName_;
}

void SimulatedFtdiBus::RefuseOpen(std::optional<LinkStatus> cause) {
    const std::lock_guard<std::mutex> lock(mutex_);
    refuseOpen_ = cause;
}

void SimulatedFtdiBus::FailDescriptionQuery(std::optional<std::uint32_t> index) {
    const std::lock_guard<std::mutex> lock(mutex_);
    failDescription_ = index;
}

void SimulatedFtdiBus::FailSerialQuery(std::optional<std::uint32_t> index) {
    const std::lock_guard<std::mutex> lock(mutex_);
    failSerial_ = index;
}

void SimulatedFtdiBus::SetListingLacksPermission(bool lacks) {
    const std::lock_guard<std::mutex> lock(mutex_);
    listingLacksPermission_ = lacks;
}

SimulatedFtdiBus::Device* SimulatedFtdiBus::DeviceOf(FT_HANDLE handle) {
    for (auto& device : devices_) {
        if (device.get() == handle && device->open) {
            return device.get();
        }
    }
    return nullptr;
}

SimulatedFtdiBus::Device* SimulatedFtdiBus::ListedDevice(std::uint32_t index) {
    std::uint32_t n = 0;
    for (auto& device : devices_) {
        if (device->present && n++ == index) {
            return device.get();
        }
    }
    return nullptr;
}

FT_STATUS SimulatedFtdiBus::ListDeviceCount(std::uint32_t& count) {
    const std::lock_guard<std::mutex> lock(mutex_);
    count = 0;
    for (const auto& device : devices_) {
        count += device->present ? 1 : 0;
    }
    lastListingLackedPermission_ = listingLacksPermission_;
    return FT_OK;
}

FT_STATUS SimulatedFtdiBus::ListDeviceByIndex(std::uint32_t index, char* buffer,
                                              std::uint32_t flags) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const Device* device = ListedDevice(index);
    if (!device) {
        return FT_DEVICE_NOT_FOUND;
    }
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)) {
        if (failSerial_ == index) {
            return FT_IO_ERROR;
        }
        CopyListingText(device->serialNumber, buffer, kSerialNumberBufferSize);
        return FT_OK;
    }
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)) {
        if (failDescription_ == index) {
            return FT_IO_ERROR;
        }
        CopyListingText(device->description, buffer, kDescriptionBufferSize);
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

FT_STATUS SimulatedFtdiBus::OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !name) {
        lastOpenFailure_ = LinkStatus::Io;
        return FT_INVALID_PARAMETER;
    }
    lastOpenName_ = QByteArray(name);
    if (refuseOpen_) {
        lastOpenFailure_ = *refuseOpen_;
        return FT_DEVICE_NOT_OPENED;
    }
    for (auto& device : devices_) {
        if (!device->present || device->serialNumber != lastOpenName_) {
            continue;
        }
        if (device->open) {
            lastOpenFailure_ = LinkStatus::InUse;
            return FT_DEVICE_NOT_OPENED;
        }
        device->open = true;
        if (device->isKelmor) {
            kelmor_.ResetLine();
        }
        handle = device.get();
        return FT_OK;
    }
    lastOpenFailure_ = LinkStatus::NoDevice;
    return FT_DEVICE_NOT_FOUND;
}

LinkStatus SimulatedFtdiBus::LastOpenFailure() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastOpenFailure_;
}

FT_STATUS SimulatedFtdiBus::Close(FT_HANDLE handle) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Device* device = DeviceOf(handle);
    if (!device) {
        return FT_INVALID_HANDLE;
    }
    device->open = false;
    device->gone = false;
    return FT_OK;
}

FT_STATUS SimulatedFtdiBus::LiveDevice(FT_HANDLE handle, Device*& device) {
    device = DeviceOf(handle);
    if (!device) {
        return FT_INVALID_HANDLE;
    }
    // Unplugged while open: the handle stays, but the device behind it is gone.
    return device->gone ? FT_DEVICE_NOT_FOUND : FT_OK;
}

FT_STATUS SimulatedFtdiBus::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                                 std::uint32_t& received) {
    const std::lock_guard<std::mutex> lock(mutex_);
    received = 0;
    Device* device = nullptr;
    if (const FT_STATUS status = LiveDevice(handle, device); status != FT_OK) {
        return status;
    }
    if (!device->isKelmor) {
        return FT_OK;
    }
    received = kelmor_.Take(buffer, count);
    // The bytes that came before the cut are delivered; the next read finds the device gone.
    if (kelmor_.LineCut() && received == 0) {
        UnplugLocked();
        return FT_DEVICE_NOT_FOUND;
    }
    return FT_OK;
}

FT_STATUS SimulatedFtdiBus::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                                  std::uint32_t& written) {
    const std::lock_guard<std::mutex> lock(mutex_);
    written = 0;
    Device* device = nullptr;
    if (const FT_STATUS status = LiveDevice(handle, device); status != FT_OK) {
        return status;
    }
    if (!device->isKelmor) {
        written = count;
        return FT_OK;
    }
    switch (kelmor_.Write(buffer, count)) {
        case WriteFault::None:
            written = count;
            return FT_OK;
        case WriteFault::Fails:
            return FT_IO_ERROR;
        case WriteFault::Unplugs:
            UnplugLocked();
            return FT_DEVICE_NOT_FOUND;
    }
    return FT_OTHER_ERROR;
}

FT_STATUS SimulatedFtdiBus::Purge(FT_HANDLE handle, std::uint32_t mask) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Device* device = nullptr;
    if (const FT_STATUS status = LiveDevice(handle, device); status != FT_OK) {
        return status;
    }
    if (device->isKelmor && (mask & FT_PURGE_RX) != 0) {
        kelmor_.DropArrived();
    }
    return FT_OK;
}

bool SimulatedFtdiBus::LastListingLackedPermission() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastListingLackedPermission_;
}

}  // namespace kelmor
