#include "kelmor_model.h"

#include <algorithm>

namespace kelmor {

namespace {

// Room for a whole V7 memory reply and whatever small replies wait behind it.
constexpr std::uint32_t kLineCapacity = 262144;

std::uint8_t Nibbles(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint8_t>((high & 0x0F) << 4 | (low & 0x0F));
}

std::uint8_t NibbleOf(std::uint8_t byte, std::uint32_t position) {
    return position % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

}  // namespace

struct KelmorModel::Frame {
    enum class Kind { NeedMore, Complete } kind = Kind::NeedMore;
    int length = 0;
    ReceivedCommand command;
};

int KelmorModel::MemorySize(Model model) {
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

KelmorModel::KelmorModel(Clock& clock, Model model)
    : clock_(clock),
      model_(model),
      memory_(static_cast<std::size_t>(MemorySize(model))),
      clockRegisters_(clock),
      replies_(kLineCapacity) {}

void KelmorModel::LoadMemory(const std::uint8_t* bytes, std::size_t count) {
    std::fill(memory_.begin(), memory_.end(), 0);
    std::copy_n(bytes, std::min(count, memory_.size()), memory_.begin());
}

void KelmorModel::ClearRecord() {
    writes_.clear();
    commands_.clear();
    lastWriteMs_.reset();
}

void KelmorModel::SetShortReply(KelmorCommand command, int bytesLess) {
    shortBy_[static_cast<int>(command)] = std::max(bytesLess, 0);
}

void KelmorModel::SetShortReplies(int bytesLess) {
    shortBy_.fill(std::max(bytesLess, 0));
}

void KelmorModel::SetWriteFault(WriteFault fault, int writesBefore) {
    writeFault_ = fault;
    writesBeforeFault_ = std::max(writesBefore, 0);
}

void KelmorModel::ResetLine() {
    replies_.Clear();
    pendingCount_ = 0;
    cutAt_.reset();
    lineCut_ = false;
}

WriteFault KelmorModel::Write(const std::uint8_t* bytes, std::uint32_t count) {
    if (writeFault_ != WriteFault::None) {
        if (writesBeforeFault_ == 0) {
            const WriteFault fault = writeFault_;
            writeFault_ = WriteFault::None;
            return fault;
        }
        --writesBeforeFault_;
    }
    const std::int64_t now = clock_.MonotonicMs();
    if (recording_) {
        writes_.push_back(ReceivedWrite{std::vector<std::uint8_t>(bytes, bytes + count),
                                        lastWriteMs_ ? now - *lastWriteMs_ : 0});
    }
    lastWriteMs_ = now;
    for (std::uint32_t i = 0; i < count; ++i) {
        Receive(bytes[i]);
    }
    return WriteFault::None;
}

std::uint32_t KelmorModel::Arrived() {
    return replies_.Arrived(clock_.MonotonicMs());
}

std::uint32_t KelmorModel::Take(std::uint8_t* out, std::uint32_t count) {
    if (lineCut_) {
        return 0;
    }
    if (cutAt_) {
        count = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(count, *cutAt_ - replies_.TakenTotal()));
    }
    const std::uint32_t taken = replies_.Take(out, count, clock_.MonotonicMs());
    if (cutAt_ && replies_.TakenTotal() >= *cutAt_) {
        lineCut_ = true;
        cutAt_.reset();
    }
    return taken;
}

void KelmorModel::DropArrived() {
    replies_.DropArrived(clock_.MonotonicMs());
}

std::uint32_t KelmorModel::DropArrivedBeyond(std::uint32_t kept) {
    const std::uint32_t arrived = Arrived();
    if (arrived <= kept) {
        return 0;
    }
    std::uint8_t lost[256];
    std::uint32_t dropped = 0;
    while (dropped < arrived - kept) {
        const std::uint32_t n = std::min<std::uint32_t>(arrived - kept - dropped, sizeof lost);
        dropped += replies_.Take(lost, n, clock_.MonotonicMs());
    }
    return dropped;
}

void KelmorModel::Receive(std::uint8_t byte) {
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
KelmorModel::Frame KelmorModel::Parse() const {
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
void KelmorModel::Reply(KelmorCommand command, std::uint32_t length, ByteAt byteAt,
                        std::int64_t startMs) {
    if (silent_) {
        return;
    }
    const auto shortBy = static_cast<std::uint32_t>(shortBy_[static_cast<int>(command)]);
    length -= std::min(length, shortBy);
    replies_.BeginReply(startMs, bytesPerSecond_);
    for (const std::uint8_t byte : stray_) {
        replies_.Push(byte);
    }
    stray_.clear();
    for (std::uint32_t i = 0; i < length; ++i) {
        replies_.Push(byteAt(i));
    }
}

void KelmorModel::ReplyNibblePairs(KelmorCommand command, const std::uint8_t* bytes,
                                   std::uint32_t pairs, std::uint32_t length,
                                   std::int64_t startMs) {
    length = std::min(length, 2 * pairs);
    const std::uint8_t high = nibbleHighBits_;
    Reply(
        command, length,
        [bytes, high](std::uint32_t i) {
            return static_cast<std::uint8_t>(high | NibbleOf(bytes[i / 2], i));
        },
        startMs);
}

void KelmorModel::Execute(const Frame& frame) {
    const ReceivedCommand& c = frame.command;
    const std::int64_t now = clock_.MonotonicMs();
    switch (c.command) {
        case KelmorCommand::Identify: {
            // Every model answers Identify as a nibble pair, so that the program can tell
            // the dialect before it speaks one.
            const std::uint8_t code = modelCode_.value_or(LayoutOf(model_).tag);
            ReplyNibblePairs(c.command, &code, 1, 2, now);
            break;
        }
        case KelmorCommand::ReadMemory:
            if (cutAfter_) {
                cutAt_ = replies_.PushedTotal() + stray_.size() + *cutAfter_;
                cutAfter_.reset();
            }
            // The V5 and V6 send their memory one byte short of the whole nibble stream and
            // the V7 one byte short of its 128 KiB: the counts the program asks for.
            if (NibbleDialect()) {
                const auto size = static_cast<std::uint32_t>(memory_.size());
                ReplyNibblePairs(c.command, memory_.data(), size, 2 * size - 1, now);
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
                                 2 * SimulatedClockRegisters::kRegisterCount, now);
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
                ReplyNibblePairs(c.command, &erased, 1, 2, now + eraseMs);
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
void KelmorModel::Erase() {
    constexpr std::size_t kHeaderSize = 17;
    std::fill(memory_.begin() + kHeaderSize, memory_.end(), 0);
    ++eraseCount_;
}

}  // namespace kelmor
