#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "link/clock.h"
#include "link/ft_driver.h"
#include "link/link_status.h"
#include "simulator/kelmor_model.h"
#include "simulator/locked.h"

namespace kelmor {

// A driver that stands for a set of attached FTDI devices, none or one of which is the
// bridge of a Kelmor (the others are unrelated FTDI gadgets that never answer), with the
// Kelmor itself behind it. The bus lists the devices, opens them or refuses to, and moves
// the bytes of the open Kelmor to and from its instrument model.
//
// An exchange on a worker thread and the window's thread (discovery, the demo's controls)
// use it at once: every call takes the bus's one lock, and nothing sleeps under it.
class SimulatedFtdiBus : public FtDriver {
  public:
    SimulatedFtdiBus(Clock& clock, Model model);
    ~SimulatedFtdiBus() override;

    // The attached devices, listed in the order they were added.
    void AddGadget(const QByteArray& description, const QByteArray& serialNumber);
    // The Kelmor's own bridge; a second call renames it.
    void AddKelmor(const QByteArray& description, const QByteArray& serialNumber);
    void Unplug();
    void Plug();
    bool KelmorPresent() const;
    bool KelmorOpen() const;
    // The name of the latest open, as the driver was given it.
    QByteArray LastOpenName() const;

    // The instrument, under the bus's lock.
    Locked<KelmorModel> Kelmor() { return Locked<KelmorModel>(mutex_, kelmor_); }

    // Misbehaviours of the bus.
    // The opens that follow fail for `cause` (NoAccess, InUse, Io); none: they work.
    void RefuseOpen(std::optional<LinkStatus> cause);
    void FailDescriptionQuery(std::optional<std::uint32_t> index);
    void FailSerialQuery(std::optional<std::uint32_t> index);
    void SetListingLacksPermission(bool lacks);

    // FtDriver.
    FT_STATUS ListDeviceCount(std::uint32_t& count) override;
    FT_STATUS ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override;
    FT_STATUS OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) override;
    LinkStatus LastOpenFailure() const override;
    FT_STATUS Close(FT_HANDLE handle) override;
    FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& received) override;
    FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                    std::uint32_t& written) override;
    FT_STATUS Purge(FT_HANDLE handle, std::uint32_t mask) override;
    bool LastListingLackedPermission() const override;

  private:
    struct Device {
        QByteArray description;
        QByteArray serialNumber;
        bool isKelmor = false;
        bool present = true;
        bool open = false;
        bool gone = false;  // unplugged while open: the handle is dead until closed
    };

    Device* DeviceOf(FT_HANDLE handle);
    // The open device of `handle` for a transfer: FT_OK, or why there is none.
    FT_STATUS LiveDevice(FT_HANDLE handle, Device*& device);
    Device* ListedDevice(std::uint32_t index);
    Device* KelmorDevice() const;
    void UnplugLocked();

    mutable std::mutex mutex_;
    KelmorModel kelmor_;
    std::vector<std::unique_ptr<Device>> devices_;
    QByteArray lastOpenName_;
    std::optional<LinkStatus> refuseOpen_;
    LinkStatus lastOpenFailure_ = LinkStatus::NoDevice;
    std::optional<std::uint32_t> failDescription_;
    std::optional<std::uint32_t> failSerial_;
    bool listingLacksPermission_ = false;
    bool lastListingLackedPermission_ = false;
};

}  // namespace kelmor
