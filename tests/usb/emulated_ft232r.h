#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "data/measurement_image.h"
#include "link/clock.h"
#include "simulator/kelmor_model.h"
#include "simulator/locked.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace kelmor::usbtest {

// What a test gives an emulated FTDI device.
struct DeviceOptions {
    QByteArray description = "USB <-> Serial Cable";
    // None: the device has no serial number string at all.
    std::optional<QByteArray> serialNumber = QByteArray("KLM70412");
    // False: its device node refuses this user, as without the udev rule.
    bool openable = true;
    // False: another driver holds its interface (brltty, or ftdi_sio not detachable).
    bool claimable = true;
    std::uint16_t product = 0x6001;
};

// A vendor control request the chip received: 0 reset or purge, 2 flow control, 3 baud
// rate divisor, 4 line properties, 9 latency timer.
struct SioRequest {
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    bool operator==(const SioRequest& other) const {
        return request == other.request && value == other.value && index == other.index;
    }
};

namespace sio {
constexpr std::uint8_t kReset = 0;
constexpr std::uint8_t kFlowControl = 2;
constexpr std::uint8_t kBaudRate = 3;
constexpr std::uint8_t kLineProperties = 4;
constexpr std::uint8_t kLatencyTimer = 9;
constexpr std::uint16_t kResetSio = 0;
constexpr std::uint16_t kPurgeRx = 1;
constexpr std::uint16_t kPurgeTx = 2;
}  // namespace sio

// An FTDI FT232R as the kernel's usbfs shows it to libusb, emulated with umockdev: its
// descriptors and strings, the SIO control requests, bulk OUT into the instrument behind
// it, and bulk IN in 64-byte packets that each begin with the two modem-status bytes,
// with a status-only packet each latency period while the line is quiet. The line runs
// at a serial rate (9600 baud 8N1 carries 960 bytes a second), and the chip's 256-byte
// receive buffer loses bytes when the host leaves it uncollected for longer than the
// line needs to fill it. It can stall (send no packet at all), be unplugged (transfers in
// flight end, then every call fails with "no device") and be plugged in again under a new
// device number.
//
// The ioctls arrive on umockdev's thread; a test calls the rest from its own. Every call
// takes the chip's lock and none waits under it. Do not hold Kelmor() while a command
// runs: the chip would wait for it.
class EmulatedFt232r {
  public:
    static constexpr int kDefaultBaud = 9600;

    // Created and plugged in by the testbed: `devnum` gives its first device number.
    EmulatedFt232r(UMockdevTestbed* testbed, Clock& clock, const DeviceOptions& options,
                   std::optional<Model> model, int (*nextDevnum)());
    ~EmulatedFt232r();
    EmulatedFt232r(const EmulatedFt232r&) = delete;
    EmulatedFt232r& operator=(const EmulatedFt232r&) = delete;

    const DeviceOptions& Options() const { return options_; }
    // The Kelmor behind the chip, under the chip's lock. Only for a chip made with a model.
    Locked<KelmorModel> Kelmor();
    bool HasKelmor() const { return kelmor_ != nullptr; }

    // The serial line's rate in baud (8N1: ten bits a byte).
    void SetSerialRate(int baud);
    // A stalled chip sends no packet at all, not even its status-only ones.
    void SetStalled(bool stalled);
    // Whether the 256-byte receive buffer loses what the host leaves uncollected (so by
    // default). Off, a test at a fast rate keeps every byte on a machine busy elsewhere.
    void SetReceiveBufferLimited(bool limited);
    // Whether its node lets this user open it, and whether its interface can be claimed
    // (the options' settings, changed while it stays plugged in).
    void SetOpenable(bool openable);
    void SetClaimable(bool claimable);
    // The SIO control requests received, in order.
    std::vector<SioRequest> SioRequests() const;
    void ClearSioRequests();
    // The baud rate the last divisor request set; 0 before any.
    int BaudRate() const;
    // Bytes the receive buffer lost because the host did not collect them in time.
    std::uint32_t OverflowedBytes() const;
    bool Claimed() const;
    bool Present() const;

    void Unplug();
    void Replug();

    // One ioctl of the node `node`, on umockdev's thread.
    struct Node;
    bool HandleIoctl(Node& node, void* client);

  private:
    struct Urb;
    // What an ioctl leaves to do once the chip's lock is released.
    enum class After { Nothing, Unplug };

    void Plug();
    After Handle(Node& node, void* client);
    After Submit(Node& node, void* client, void* arg);
    After Reap(Node& node, void* client, void* arg);
    void Discard(Node& node, void* client, void* arg);
    void CompleteControl(Urb& urb);
    After CompleteBulkOut(Urb& urb);
    bool TryCompleteBulkIn(Urb& urb, std::int64_t nowMs, After& after);
    QByteArray StringDescriptor(int index) const;
    void GoAway();

    UMockdevTestbed* testbed_;
    int (*nextDevnum_)();
    Clock& clock_;
    const DeviceOptions options_;
    std::unique_ptr<KelmorModel> kelmor_;

    mutable std::mutex mutex_;
    // The node of each time the chip was plugged in; the last is the present one. Old
    // nodes stay, as a program may still hold them open.
    std::vector<std::unique_ptr<Node>> nodes_;
    std::vector<SioRequest> sio_;
    int baud_ = 0;
    int lineBaud_ = kDefaultBaud;
    int latencyMs_ = 16;
    bool stalled_ = false;
    bool bufferLimited_ = true;
    bool openable_ = true;
    bool claimable_ = true;
    bool claimed_ = false;
    bool present_ = false;
    std::uint32_t overflowed_ = 0;
    std::int64_t lastInPacketMs_ = 0;
    int bulkInInFlight_ = 0;
};

}  // namespace kelmor::usbtest
