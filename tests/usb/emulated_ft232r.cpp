#include "emulated_ft232r.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace kelmor::usbtest {

namespace {

constexpr std::uint16_t kFtdiVendor = 0x0403;
// bcdDevice 6.00: libftdi takes the chip for an FT232R.
constexpr std::uint16_t kFt232rRelease = 0x0600;
constexpr int kPacketSize = 64;
constexpr int kStatusBytes = 2;
constexpr int kPacketData = kPacketSize - kStatusBytes;
// The modem status the chip puts at the start of every packet: CTS and DSR high, the
// transmitter empty.
constexpr std::uint8_t kModemStatus[kStatusBytes] = {0x31, 0x60};
constexpr std::uint32_t kReceiveBuffer = 256;
constexpr std::uint8_t kEndpointIn = 0x81;
constexpr std::uint8_t kEndpointOut = 0x02;
constexpr int kSetupSize = 8;

constexpr std::uint8_t kStandardIn = 0x80;
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;
constexpr std::uint8_t kGetDescriptor = 6;
constexpr std::uint8_t kStringDescriptor = 3;
constexpr std::uint8_t kGetLatencyTimer = 10;
constexpr std::uint8_t kPollModemStatus = 5;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// The FT232R's baud rate divisor: 14 bits of integer part and three bits of eighths,
// two in the value and one in the index.
int BaudFromDivisor(std::uint16_t value, std::uint16_t index) {
    static constexpr double kFractions[] = {0, 0.5, 0.25, 0.125, 0.375, 0.625, 0.75, 0.875};
    const int code = (value >> 14) | ((index & 1) << 2);
    const double divisor = (value & 0x3FFF) + kFractions[code];
    if (divisor == 0) {
        return 3000000;
    }
    if (divisor == 1) {
        return 2000000;
    }
    return static_cast<int>(3000000 / divisor + 0.5);
}

QByteArray Hex(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex();
}

}  // namespace

struct EmulatedFt232r::Urb {
    UMockdevIoctlData* data = nullptr;    // the usbdevfs_urb, as resolved at submit
    UMockdevIoctlData* buffer = nullptr;  // its buffer
    std::int64_t submittedMs = 0;
    ~Urb() {
        if (buffer) {
            g_object_unref(buffer);
        }
        if (data) {
            g_object_unref(data);
        }
    }
    usbdevfs_urb& Fields() { return *reinterpret_cast<usbdevfs_urb*>(data->data); }
    std::uint8_t* Bytes() { return buffer->data; }
};

struct EmulatedFt232r::Node {
    EmulatedFt232r* chip = nullptr;
    int devnum = 0;
    std::string syspath;
    std::string devnode;
    UMockdevIoctlBase* handler = nullptr;
    bool gone = false;
    std::vector<std::unique_ptr<Urb>> inFlight;
    std::vector<std::unique_ptr<Urb>> completed;
};

namespace {

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node) {
    auto* n = static_cast<EmulatedFt232r::Node*>(node);
    return n->chip->HandleIoctl(*n, client) ? TRUE : FALSE;
}

void Complete(void* client, long result, int error) {
    umockdev_ioctl_client_complete(static_cast<UMockdevIoctlClient*>(client), result, error);
}

}  // namespace

EmulatedFt232r::EmulatedFt232r(UMockdevTestbed* testbed, Clock& clock, const DeviceOptions& options,
                               std::optional<Model> model, int (*nextDevnum)())
    : testbed_(testbed),
      nextDevnum_(nextDevnum),
      clock_(clock),
      options_(options),
      openable_(options.openable),
      claimable_(options.claimable) {
    if (model) {
        kelmor_ = std::make_unique<KelmorModel>(clock, *model);
        kelmor_->SetTransferRate(lineBaud_ / 10);
    }
    Plug();
}

EmulatedFt232r::~EmulatedFt232r() {
    Unplug();
    for (const auto& node : nodes_) {
        umockdev_testbed_detach_ioctl(testbed_, node->devnode.c_str(), nullptr);
        g_object_unref(node->handler);
    }
}

Locked<KelmorModel> EmulatedFt232r::Kelmor() {
    return Locked<KelmorModel>(mutex_, *kelmor_);
}

void EmulatedFt232r::SetSerialRate(int baud) {
    const std::lock_guard<std::mutex> lock(mutex_);
    lineBaud_ = std::max(baud, 10);
    if (kelmor_) {
        kelmor_->SetTransferRate(lineBaud_ / 10);
    }
}

void EmulatedFt232r::SetStalled(bool stalled) {
    const std::lock_guard<std::mutex> lock(mutex_);
    stalled_ = stalled;
}

void EmulatedFt232r::SetReceiveBufferLimited(bool limited) {
    const std::lock_guard<std::mutex> lock(mutex_);
    bufferLimited_ = limited;
}

void EmulatedFt232r::SetOpenable(bool openable) {
    std::string devnode;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        openable_ = openable;
        devnode = nodes_.back()->devnode;
    }
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    chmod((std::string(root) + devnode).c_str(), openable ? 0666 : 0);
    g_free(root);
}

void EmulatedFt232r::SetClaimable(bool claimable) {
    const std::lock_guard<std::mutex> lock(mutex_);
    claimable_ = claimable;
}

std::vector<SioRequest> EmulatedFt232r::SioRequests() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return sio_;
}

void EmulatedFt232r::ClearSioRequests() {
    const std::lock_guard<std::mutex> lock(mutex_);
    sio_.clear();
}

int EmulatedFt232r::BaudRate() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return baud_;
}

std::uint32_t EmulatedFt232r::OverflowedBytes() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return overflowed_;
}

bool EmulatedFt232r::Claimed() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return claimed_;
}

bool EmulatedFt232r::Present() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return present_;
}

// A new device node with its sysfs entry: the device descriptor and the configuration
// descriptor (one interface, bulk IN 0x81 and bulk OUT 0x02 of 64 bytes) as libusb reads
// them from sysfs, and the active configuration, so that libftdi sets none.
void EmulatedFt232r::Plug() {
    auto node = std::make_unique<Node>();
    node->chip = this;
    node->devnum = nextDevnum_();
    char devnode[64];
    std::snprintf(devnode, sizeof devnode, "bus/usb/001/%03d", node->devnum);
    node->devnode = std::string("/dev/") + devnode;
    node->syspath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(node->devnum);

    const auto lo = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto hi = [](int v) { return static_cast<std::uint8_t>(v >> 8); };
    const std::vector<std::uint8_t> descriptors = {
        // device
        18, 1, 0x00, 0x02, 0, 0, 0, 8, lo(kFtdiVendor), hi(kFtdiVendor), lo(options_.product),
        hi(options_.product), lo(kFt232rRelease), hi(kFt232rRelease), 1, 2,
        static_cast<std::uint8_t>(options_.serialNumber ? 3 : 0), 1,
        // configuration, interface, two endpoints
        9, 2, 32, 0, 1, 1, 0, 0xA0, 45,           //
        9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2,       //
        7, 5, kEndpointIn, 2, kPacketSize, 0, 0,  //
        7, 5, kEndpointOut, 2, kPacketSize, 0, 0};
    // Sysfs attributes end with a line feed, written "\\n" in umockdev's records.
    const QByteArray record =
        QByteArray("P: ") + QByteArray::fromStdString(node->syspath.substr(4)) + "\n" +
        "N: " + devnode + "\n" + "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n" +
        "E: DEVNAME=" + QByteArray::fromStdString(node->devnode) + "\n" +
        "E: BUSNUM=001\nE: DEVNUM=" + QByteArray::number(node->devnum).rightJustified(3, '0') +
        "\n" + "A: busnum=1\\n\nA: devnum=" + QByteArray::number(node->devnum) + "\\n\n" +
        "A: speed=12\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n" +
        "A: idVendor=0403\\n\nA: idProduct=" +
        QByteArray::number(options_.product, 16).rightJustified(4, '0') + "\\n\n" +
        "H: descriptors=" + Hex(descriptors) + "\n";

    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(OnIoctl), node.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node->devnode.c_str(), node->handler, &error) ||
        !umockdev_testbed_add_from_string(testbed_, record.constData(), &error)) {
        g_error("emulated FT232R: %s", error ? error->message : "cannot add the device");
    }
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    chmod((std::string(root) + node->devnode).c_str(), openable_ ? 0666 : 0);
    g_free(root);
    const std::string syspath = node->syspath;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        nodes_.push_back(std::move(node));
        present_ = true;
        claimed_ = false;
        baud_ = 0;
        latencyMs_ = 16;
        if (kelmor_) {
            kelmor_->ResetLine();
        }
    }
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "add");
}

void EmulatedFt232r::Unplug() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!present_) {
            return;
        }
    }
    GoAway();
}

// As the kernel does it: transfers in flight end with -ESHUTDOWN and can still be reaped,
// then every call fails with ENODEV, and the device leaves sysfs with a "remove" uevent.
void EmulatedFt232r::GoAway() {
    std::string syspath;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!present_) {
            return;
        }
        present_ = false;
        claimed_ = false;
        Node& node = *nodes_.back();
        node.gone = true;
        for (auto& urb : node.inFlight) {
            urb->Fields().status = -ESHUTDOWN;
            urb->Fields().actual_length = 0;
            node.completed.push_back(std::move(urb));
        }
        node.inFlight.clear();
        bulkInInFlight_ = 0;
        if (kelmor_) {
            kelmor_->ResetLine();
        }
        syspath = node.syspath;
    }
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

void EmulatedFt232r::Replug() {
    Unplug();
    Plug();
}

bool EmulatedFt232r::HandleIoctl(Node& node, void* client) {
    After after = After::Nothing;
    bool known = true;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto request =
            umockdev_ioctl_client_get_request(static_cast<UMockdevIoctlClient*>(client));
        UMockdevIoctlData* arg =
            umockdev_ioctl_client_get_arg(static_cast<UMockdevIoctlClient*>(client));
        if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) {
            after = Reap(node, client, arg);
        } else if (node.gone) {
            Complete(client, -1, ENODEV);
        } else {
            switch (request) {
                case USBDEVFS_GET_CAPABILITIES: {
                    UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, 4, nullptr);
                    const std::uint32_t value =
                        USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                        USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
                    std::memcpy(caps->data, &value, sizeof value);
                    Complete(client, 0, 0);
                    g_object_unref(caps);
                    break;
                }
                case USBDEVFS_CLAIMINTERFACE:
                case USBDEVFS_DISCONNECT_CLAIM:
                    if (claimable_) {
                        claimed_ = true;
                        Complete(client, 0, 0);
                    } else {
                        Complete(client, -1, EBUSY);
                    }
                    break;
                case USBDEVFS_RELEASEINTERFACE:
                    claimed_ = false;
                    Complete(client, 0, 0);
                    break;
                case USBDEVFS_CLEAR_HALT:
                case USBDEVFS_RESET:
                    Complete(client, 0, 0);
                    break;
                case USBDEVFS_GETDRIVER:
                case USBDEVFS_IOCTL:
                    // No kernel driver is bound, and none is to be connected again.
                    Complete(client, -1, ENODATA);
                    break;
                case USBDEVFS_SUBMITURB:
                    after = Submit(node, client, arg);
                    break;
                case USBDEVFS_DISCARDURB:
                    Discard(node, client, arg);
                    break;
                default:
                    known = false;
                    Complete(client, -1, ENOTTY);
                    break;
            }
        }
    }
    if (after == After::Unplug) {
        GoAway();
    }
    return known;
}

EmulatedFt232r::After EmulatedFt232r::Submit(Node& node, void* client, void* arg) {
    auto urb = std::make_unique<Urb>();
    urb->data = umockdev_ioctl_data_resolve(static_cast<UMockdevIoctlData*>(arg), 0,
                                            sizeof(usbdevfs_urb), nullptr);
    const usbdevfs_urb& fields = urb->Fields();
    urb->buffer = umockdev_ioctl_data_resolve(urb->data, offsetof(usbdevfs_urb, buffer),
                                              static_cast<gsize>(fields.buffer_length), nullptr);
    urb->submittedMs = clock_.MonotonicMs();
    urb->Fields().status = 0;
    urb->Fields().actual_length = 0;
    After after = After::Nothing;
    if (fields.type == USBDEVFS_URB_TYPE_CONTROL) {
        CompleteControl(*urb);
        node.completed.push_back(std::move(urb));
    } else if (fields.endpoint == kEndpointOut) {
        after = CompleteBulkOut(*urb);
        node.completed.push_back(std::move(urb));
    } else if (fields.endpoint == kEndpointIn) {
        // The receive buffer lost what came beyond its size while no transfer collected.
        const std::int64_t idleMs = urb->submittedMs - lastInPacketMs_;
        if (kelmor_ && bufferLimited_ && bulkInInFlight_ == 0 &&
            idleMs * lineBaud_ / 10000 > static_cast<std::int64_t>(kReceiveBuffer)) {
            overflowed_ += kelmor_->DropArrivedBeyond(kReceiveBuffer);
        }
        ++bulkInInFlight_;
        node.inFlight.push_back(std::move(urb));
    } else {
        urb->Fields().status = -EPIPE;
        node.completed.push_back(std::move(urb));
    }
    Complete(client, 0, 0);
    return after;
}

void EmulatedFt232r::CompleteControl(Urb& urb) {
    std::uint8_t* setup = urb.Bytes();
    const std::uint8_t type = setup[0];
    const std::uint8_t request = setup[1];
    const std::uint16_t value = Le16(setup + 2);
    const std::uint16_t index = Le16(setup + 4);
    const std::uint16_t length = Le16(setup + 6);
    std::uint8_t* data = setup + kSetupSize;
    const int room = std::min<int>(length, urb.Fields().buffer_length - kSetupSize);
    auto reply = [&urb, data, room](const QByteArray& bytes) {
        const int n = std::min<int>(room, static_cast<int>(bytes.size()));
        std::memcpy(data, bytes.constData(), static_cast<std::size_t>(n));
        urb.Fields().actual_length = n;
    };
    if (type == kStandardIn && request == kGetDescriptor && value >> 8 == kStringDescriptor) {
        const QByteArray descriptor = StringDescriptor(value & 0xFF);
        if (descriptor.isEmpty()) {
            urb.Fields().status = -EPIPE;
        } else {
            reply(descriptor);
        }
    } else if (type == kVendorOut) {
        sio_.push_back(SioRequest{request, value, index});
        if (request == sio::kBaudRate) {
            baud_ = BaudFromDivisor(value, index);
        } else if (request == sio::kLatencyTimer) {
            latencyMs_ = std::max<int>(value & 0xFF, 1);
        } else if (request == sio::kReset && value == sio::kPurgeRx && kelmor_) {
            kelmor_->DropArrived();
        }
    } else if (type == kVendorIn && request == kGetLatencyTimer) {
        reply(QByteArray(1, static_cast<char>(latencyMs_)));
    } else if (type == kVendorIn && request == kPollModemStatus) {
        reply(QByteArray(reinterpret_cast<const char*>(kModemStatus), kStatusBytes));
    } else {
        urb.Fields().status = -EPIPE;
    }
}

QByteArray EmulatedFt232r::StringDescriptor(int index) const {
    QByteArray text;
    switch (index) {
        case 0:
            return QByteArray::fromHex("04030904");  // US English only
        case 1:
            text = "FTDI";
            break;
        case 2:
            text = options_.description;
            break;
        case 3:
            if (!options_.serialNumber) {
                return QByteArray();
            }
            text = *options_.serialNumber;
            break;
        default:
            return QByteArray();
    }
    QByteArray descriptor;
    descriptor.append(static_cast<char>(2 + 2 * text.size()));
    descriptor.append(static_cast<char>(kStringDescriptor));
    for (const char c : text) {
        descriptor.append(c);
        descriptor.append('\0');
    }
    return descriptor;
}

EmulatedFt232r::After EmulatedFt232r::CompleteBulkOut(Urb& urb) {
    const int length = urb.Fields().buffer_length;
    if (!kelmor_) {
        urb.Fields().actual_length = length;
        return After::Nothing;
    }
    switch (kelmor_->Write(urb.Bytes(), static_cast<std::uint32_t>(length))) {
        case WriteFault::None:
            urb.Fields().actual_length = length;
            return After::Nothing;
        case WriteFault::Fails:
            urb.Fields().status = -EPROTO;
            return After::Nothing;
        case WriteFault::Unplugs:
            urb.Fields().status = -ESHUTDOWN;
            return After::Unplug;
    }
    return After::Nothing;
}

// The chip sends a packet once it holds a packet's worth of data or its latency timer
// runs out, a status-only packet when it has nothing; a transfer takes as many packets
// as its buffer holds.
bool EmulatedFt232r::TryCompleteBulkIn(Urb& urb, std::int64_t nowMs, After& after) {
    if (stalled_) {
        return false;
    }
    const std::uint32_t arrived = kelmor_ ? kelmor_->Arrived() : 0;
    const bool timerRanOut =
        nowMs - std::max(lastInPacketMs_, urb.submittedMs - latencyMs_) >= latencyMs_;
    if (arrived < static_cast<std::uint32_t>(kPacketData) && !timerRanOut) {
        return false;
    }
    const int packets = std::max(urb.Fields().buffer_length / kPacketSize, 1);
    std::uint8_t* out = urb.Bytes();
    int length = 0;
    std::uint32_t left =
        std::min<std::uint32_t>(arrived, static_cast<std::uint32_t>(packets) * kPacketData);
    do {
        std::memcpy(out + length, kModemStatus, kStatusBytes);
        length += kStatusBytes;
        const std::uint32_t piece = std::min<std::uint32_t>(left, kPacketData);
        const std::uint32_t taken = piece > 0 ? kelmor_->Take(out + length, piece) : 0;
        length += static_cast<int>(taken);
        left = taken < piece ? 0 : left - taken;
    } while (left > 0 && length + kPacketSize <= urb.Fields().buffer_length);
    urb.Fields().actual_length = length;
    lastInPacketMs_ = nowMs;
    if (kelmor_ && kelmor_->LineCut() && length == kStatusBytes) {
        urb.Fields().status = -ESHUTDOWN;
        urb.Fields().actual_length = 0;
        after = After::Unplug;
    }
    return true;
}

EmulatedFt232r::After EmulatedFt232r::Reap(Node& node, void* client, void* arg) {
    After after = After::Nothing;
    const std::int64_t now = clock_.MonotonicMs();
    for (auto it = node.inFlight.begin(); it != node.inFlight.end(); ++it) {
        if (TryCompleteBulkIn(**it, now, after)) {
            --bulkInInFlight_;
            node.completed.push_back(std::move(*it));
            node.inFlight.erase(it);
            break;
        }
    }
    if (node.completed.empty()) {
        Complete(client, -1, node.gone ? ENODEV : EAGAIN);
        return after;
    }
    std::unique_ptr<Urb> urb = std::move(node.completed.front());
    node.completed.erase(node.completed.begin());
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(static_cast<UMockdevIoctlData*>(arg),
                                                             0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(pointer, 0, urb->data);
    Complete(client, 0, 0);
    g_object_unref(pointer);
    return after;
}

// A transfer the program gave up on (a libusb time-out): it ends with -ENOENT.
void EmulatedFt232r::Discard(Node& node, void* client, void* arg) {
    const gulong address =
        *reinterpret_cast<const gulong*>(static_cast<UMockdevIoctlData*>(arg)->data);
    for (auto it = node.inFlight.begin(); it != node.inFlight.end(); ++it) {
        if ((*it)->data->client_addr == address) {
            (*it)->Fields().status = -ENOENT;
            (*it)->Fields().actual_length = 0;
            if ((*it)->Fields().endpoint == kEndpointIn) {
                --bulkInInFlight_;
            }
            node.completed.push_back(std::move(*it));
            node.inFlight.erase(it);
            Complete(client, 0, 0);
            return;
        }
    }
    Complete(client, -1, EINVAL);
}

}  // namespace kelmor::usbtest
