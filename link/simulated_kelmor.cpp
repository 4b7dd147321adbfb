#include "simulated_kelmor.h"

#include <algorithm>
#include <cstring>

namespace kelmor {

namespace {

// Room for a whole V7 memory reply and whatever small replies wait behind it.
constexpr std::uint32_t kLineCapacity = 262144;
// While a large reply streams in, the read collects it in steps of this many
// milliseconds rather than byte by byte.
constexpr std::int64_t kStreamStepMs = 10;
constexpr std::uint32_t kLargeRead = 64;

std::uint8_t Nibbles(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint8_t>((high & 0x0F) << 4 | (low & 0x0F));
}

std::uint8_t NibbleOf(std::uint8_t byte, std::uint32_t position) {
    return position % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

void CopyListingText(const QByteArray& text, char* buffer, int size) {
    const int length = std::min(static_cast<int>(text.size()), size);
    std::memcpy(buffer, text.constData(), static_cast<std::size_t>(length));
    if (length < size) {
        buffer[length] = '\0';
    }
}

}  // namespace

struct SimulatedKelmor::Frame {
    enum class Kind { NeedMore, Complete } kind = Kind::NeedMore;
    int length = 0;
    ReceivedCommand command;
};

int SimulatedKelmor::MemorySize(Model model) {
    switch (model) {
        case Model::V5:
            return 8192;
        case Model::V6:
            return 32768;
        case Model::V7:
            return 131072;
    }
    return 0;
}

SimulatedKelmor::SimulatedKelmor(Clock& clock, Model model)
    : clock_(clock),
      model_(model),
      memory_(static_cast<std::size_t>(MemorySize(model))),
      clockRegisters_(clock),
      replies_(kLineCapacity) {}

SimulatedKelmor::~SimulatedKelmor() = default;

void SimulatedKelmor::AddGadget(const QByteArray& description, const QByteArray& serialNumber) {
    auto device = std::make_unique<Device>();
    device->description = description;
    device->serialNumber = serialNumber;
    devices_.push_back(std::move(device));
}

void SimulatedKelmor::AddKelmor(const QByteArray& description, const QByteArray& serialNumber) {
    if (Device* kelmor = Kelmor()) {
        kelmor->description = description;
        kelmor->serialNumber = serialNumber;
        return;
    }
    AddGadget(description, serialNumber);
    devices_.back()->isKelmor = true;
}

SimulatedKelmor::Device* SimulatedKelmor::Kelmor() {
    for (auto& device : devices_) {
        if (device->isKelmor) {
            return device.get();
        }
    }
    return nullptr;
}

void SimulatedKelmor::Unplug() {
    Device* kelmor = Kelmor();
    if (!kelmor || !kelmor->present) {
        return;
    }
    kelmor->present = false;
    kelmor->gone = kelmor->open;
    replies_.Clear();
    pendingCount_ = 0;
    unplugAt_.reset();
}

void SimulatedKelmor::Plug() {
    Device* kelmor = Kelmor();
    if (!kelmor || kelmor->present) {
        return;
    }
    kelmor->present = true;
    // The handle of the device that went away does not come back with it.
    kelmor->open = false;
    kelmor->gone = false;
}

bool SimulatedKelmor::KelmorPresent() const {
    for (const auto& device : devices_) {
        if (device->isKelmor) {
            return device->present;
        }
    }
    return false;
}

bool SimulatedKelmor::KelmorOpen() const {
    for (const auto& device : devices_) {
        if (device->isKelmor) {
            return device->open;
        }
    }
    return false;
}

void SimulatedKelmor::LoadMemory(const std::uint8_t* bytes, std::size_t count) {
    std::fill(memory_.begin(), memory_.end(), 0);
    std::copy_n(bytes, std::min(count, memory_.size()), memory_.begin());
}

void SimulatedKelmor::ClearRecord() {
    writes_.clear();
    commands_.clear();
}

void SimulatedKelmor::SetShortReply(KelmorCommand command, int bytesLess) {
    shortBy_[static_cast<int>(command)] = std::max(bytesLess, 0);
}

void SimulatedKelmor::SetShortReplies(int bytesLess) {
    shortBy_.fill(std::max(bytesLess, 0));
}

SimulatedKelmor::Device* SimulatedKelmor::DeviceOf(FT_HANDLE handle) {
    for (auto& device : devices_) {
        if (device.get() == handle && device->open) {
            return device.get();
        }
    }
    return nullptr;
}

SimulatedKelmor::Device* SimulatedKelmor::ListedDevice(std::uint32_t index) {
    std::uint32_t n = 0;
    for (auto& device : devices_) {
        if (device->present && n++ == index) {
            return device.get();
        }
    }
    return nullptr;
}

FT_STATUS SimulatedKelmor::ListDeviceCount(std::uint32_t& count) {
    count = 0;
    for (const auto& device : devices_) {
        count += device->present ? 1 : 0;
    }
    lastListingLackedPermission_ = listingLacksPermission_;
    return FT_OK;
}

FT_STATUS SimulatedKelmor::ListDeviceByIndex(std::uint32_t index, char* buffer,
                                             std::uint32_t flags) {
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

FT_STATUS SimulatedKelmor::OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) {
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !name) {
        return FT_INVALID_PARAMETER;
    }
    lastOpenName_ = QByteArray(name);
    if (openFails_) {
        return FT_DEVICE_NOT_OPENED;
    }
    for (auto& device : devices_) {
        if (!device->present || device->serialNumber != lastOpenName_) {
            continue;
        }
        if (device->open) {
            return FT_DEVICE_NOT_OPENED;
        }
        device->open = true;
        if (device->isKelmor) {
            replies_.Clear();
            pendingCount_ = 0;
        }
        handle = device.get();
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS SimulatedKelmor::Close(FT_HANDLE handle) {
    Device* device = DeviceOf(handle);
    if (!device) {
        return FT_INVALID_HANDLE;
    }
    device->open = false;
    device->gone = false;
    return FT_OK;
}

FT_STATUS SimulatedKelmor::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                                std::uint32_t& received) {
    received = 0;
    Device* device = DeviceOf(handle);
    if (!device) {
        return FT_INVALID_HANDLE;
    }
    std::int64_t lastByteMs = clock_.MonotonicMs();
    for (;;) {
        if (device->gone) {
            return FT_IO_ERROR;
        }
        const std::int64_t now = clock_.MonotonicMs();
        std::optional<std::int64_t> next;
        if (device->isKelmor) {
            std::uint32_t wanted = count - received;
            if (unplugAt_) {
                wanted = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(wanted, *unplugAt_ - replies_.TakenTotal()));
            }
            const std::uint32_t taken = replies_.Take(buffer + received, wanted, now);
            if (taken > 0) {
                received += taken;
                lastByteMs = now;
                if (progress_) {
                    progress_(received, count);
                }
            }
            if (unplugAt_ && replies_.TakenTotal() >= *unplugAt_) {
                Unplug();
                return FT_IO_ERROR;
            }
            next = replies_.NextArrivalMs(now);
        }
        if (received == count) {
            return FT_OK;
        }
        const std::int64_t deadline = lastByteMs + kReadIdleTimeoutMs;
        if (now >= deadline) {
            return FT_OK;
        }
        std::int64_t wait = deadline - now;
        if (next && *next < deadline) {
            const std::int64_t step = count - received > kLargeRead ? kStreamStepMs : 1;
            wait = std::min(wait, std::max(*next - now, step));
        }
        clock_.Sleep(static_cast<int>(wait));
    }
}

FT_STATUS SimulatedKelmor::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                                 std::uint32_t& written) {
    written = 0;
    Device* device = DeviceOf(handle);
    if (!device) {
        return FT_INVALID_HANDLE;
    }
    if (device->gone) {
        return FT_IO_ERROR;
    }
    written = count;
    if (!device->isKelmor) {
        return FT_OK;
    }
    const std::int64_t now = clock_.MonotonicMs();
    if (recording_) {
        writes_.push_back(ReceivedWrite{std::vector<std::uint8_t>(buffer, buffer + count),
                                        lastWriteMs_ ? now - *lastWriteMs_ : 0});
    }
    lastWriteMs_ = now;
    for (std::uint32_t i = 0; i < count; ++i) {
        Receive(buffer[i]);
    }
    return FT_OK;
}

FT_STATUS SimulatedKelmor::Purge(FT_HANDLE handle, std::uint32_t mask) {
    Device* device = DeviceOf(handle);
    if (!device) {
        return FT_INVALID_HANDLE;
    }
    if (device->gone) {
        return FT_IO_ERROR;
    }
    if (device->isKelmor && (mask & FT_PURGE_RX) != 0) {
        replies_.DropArrived(clock_.MonotonicMs());
    }
    return FT_OK;
}

void SimulatedKelmor::Receive(std::uint8_t byte) {
    pending_[static_cast<std::size_t>(pendingCount_++)] = byte;
    for (;;) {
        const Frame frame = Parse();
        if (frame.kind == Frame::Kind::NeedMore) {
            return;
        }
        if (recording_) {
            commands_.push_back(frame.command);
        }
        Execute(frame);
        std::copy(pending_.begin() + frame.length, pending_.begin() + pendingCount_,
                  pending_.begin());
        pendingCount_ -= frame.length;
        if (pendingCount_ == 0) {
            return;
        }
    }
}

// The frame at the start of the pending bytes. Every frame is at most 8 bytes long, so
// the pending bytes never outgrow their room.
SimulatedKelmor::Frame SimulatedKelmor::Parse() const {
    Frame frame;
    const std::uint8_t* p = pending_.data();
    const int n = pendingCount_;
    auto need = [&frame, n](int length, KelmorCommand command) {
        frame.command.command = command;
        frame.length = length;
        frame.kind = n >= length ? Frame::Kind::Complete : Frame::Kind::NeedMore;
        return frame.kind == Frame::Kind::Complete;
    };
    auto unknown = [&frame, p]() {
        frame.kind = Frame::Kind::Complete;
        frame.length = 1;
        frame.command = ReceivedCommand{KelmorCommand::Unknown, 0, p[0]};
        return frame;
    };
    if (p[0] == 0xF3) {
        if (n < 2) {
            return frame;
        }
        return p[1] == 0x3F && need(2, KelmorCommand::Identify) ? frame : unknown();
    }
    if (NibbleDialect()) {
        if (p[0] != 0x03 && p[0] != 0x04 && p[0] != 0x05) {
            return unknown();
        }
        if (n < 2) {
            return frame;
        }
        const int code = p[0] << 8 | p[1];
        switch (code) {
            case 0x040D:
                need(2, KelmorCommand::ReadMemory);
                return frame;
            case 0x0405:
                need(2, KelmorCommand::EraseMemory);
                return frame;
            case 0x0300:
                need(2, KelmorCommand::ReadRegisters);
                return frame;
            case 0x0403:
                if (need(6, KelmorCommand::WriteClockRegister)) {
                    frame.command.address = Nibbles(p[2], p[3]);
                    frame.command.value = Nibbles(p[4], p[5]);
                }
                return frame;
            case 0x0507:
                if (need(8, KelmorCommand::WriteMemoryByte)) {
                    frame.command.address = Nibbles(p[2], p[3]) << 8 | Nibbles(p[4], p[5]);
                    frame.command.value = Nibbles(p[6], p[7]);
                }
                return frame;
            default:
                return unknown();
        }
    }
    switch (p[0]) {
        case 'M':
            need(1, KelmorCommand::ReadMemory);
            return frame;
        case 'E':
            need(1, KelmorCommand::EraseMemory);
            return frame;
        case '0':
            need(1, KelmorCommand::ReadRegisters);
            return frame;
        case 'P':
            need(1, KelmorCommand::ReadPressureCoefficients);
            return frame;
        case 'C':
            if (need(3, KelmorCommand::WriteClockRegister)) {
                frame.command.address = p[1];
                frame.command.value = p[2];
            }
            return frame;
        case 'W':
            if (need(4, KelmorCommand::WriteMemoryByte)) {
                frame.command.address = p[1] << 8 | p[2];
                frame.command.value = p[3];
            }
            return frame;
        default:
            return unknown();
    }
}

template <typename ByteAt>
void SimulatedKelmor::Reply(KelmorCommand command, std::uint32_t length, ByteAt byteAt,
                            std::int64_t startMs) {
    if (silent_) {
        return;
    }
    const auto shortBy = static_cast<std::uint32_t>(shortBy_[static_cast<int>(command)]);
    length -= std::min(length, shortBy);
    replies_.BeginReply(startMs, bytesPerSecond_);
    for (std::uint32_t i = 0; i < length; ++i) {
        replies_.Push(byteAt(i));
    }
}

void SimulatedKelmor::ReplyNibblePairs(KelmorCommand command, const std::uint8_t* bytes,
                                       std::uint32_t pairs, std::uint32_t length) {
    length = std::min(length, 2 * pairs);
    Reply(
        command, length, [bytes](std::uint32_t i) { return NibbleOf(bytes[i / 2], i); },
        clock_.MonotonicMs());
}

void SimulatedKelmor::Execute(const Frame& frame) {
    const ReceivedCommand& c = frame.command;
    const std::int64_t now = clock_.MonotonicMs();
    switch (c.command) {
        case KelmorCommand::Identify: {
            // Every model answers Identify as a nibble pair, so that the program can tell
            // the dialect before it speaks one.
            const std::uint8_t code = modelCode_.value_or(LayoutOf(model_).tag);
            ReplyNibblePairs(c.command, &code, 1, 2);
            break;
        }
        case KelmorCommand::ReadMemory:
            if (unplugAfter_) {
                unplugAt_ = replies_.PushedTotal() + *unplugAfter_;
                unplugAfter_.reset();
            }
            // The V5 and V6 send their memory one byte short of the whole nibble stream and
            // the V7 one byte short of its 128 KiB: the counts the program asks for.
            if (NibbleDialect()) {
                const auto size = static_cast<std::uint32_t>(memory_.size());
                ReplyNibblePairs(c.command, memory_.data(), size, 2 * size - 1);
            } else {
                const std::uint8_t* memory = memory_.data();
                Reply(
                    c.command, static_cast<std::uint32_t>(memory_.size() - 1),
                    [memory](std::uint32_t i) { return memory[i]; }, now);
            }
            break;
        case KelmorCommand::ReadRegisters: {
            const SimulatedClockRegisters::Registers registers = clockRegisters_.Read();
            if (NibbleDialect()) {
                ReplyNibblePairs(c.command, registers.data(),
                                 SimulatedClockRegisters::kRegisterCount,
                                 2 * SimulatedClockRegisters::kRegisterCount);
            } else {
                Reply(
                    c.command, SimulatedClockRegisters::kRegisterCount,
                    [&registers](std::uint32_t i) { return registers[i]; }, now);
            }
            break;
        }
        case KelmorCommand::ReadPressureCoefficients: {
            const std::uint8_t* memory = memory_.data();
            Reply(
                c.command, 8,
                [memory](std::uint32_t i) {
                    return i == 0 ? kCoefficientReplyLead : memory[8 + i];
                },
                now);
            break;
        }
        case KelmorCommand::WriteMemoryByte:
            if (c.address >= 0 && static_cast<std::size_t>(c.address) < memory_.size()) {
                memory_[static_cast<std::size_t>(c.address)] = static_cast<std::uint8_t>(c.value);
            }
            break;
        case KelmorCommand::WriteClockRegister:
            clockRegisters_.Write(static_cast<std::uint8_t>(c.address),
                                  static_cast<std::uint8_t>(c.value));
            break;
        case KelmorCommand::EraseMemory: {
            Erase();
            const int eraseMs = NibbleDialect() ? kEraseTimeMsV5V6 : kEraseTimeMsV7;
            const std::uint8_t erased = eraseReply_;
            if (NibbleDialect()) {
                Reply(
                    c.command, 2, [erased](std::uint32_t i) { return NibbleOf(erased, i); },
                    now + eraseMs);
            } else {
                Reply(
                    c.command, 1, [erased](std::uint32_t) { return erased; }, now + eraseMs);
            }
            break;
        }
        case KelmorCommand::Unknown:
            break;
    }
}

// An erase empties the directory and the data area; the header (write address,
// trigger, calibration and coefficients) stays as the program wrote it just before.
void SimulatedKelmor::Erase() {
    constexpr std::size_t kHeaderSize = 17;
    std::fill(memory_.begin() + kHeaderSize, memory_.end(), 0);
    ++eraseCount_;
}

}  // namespace kelmor
