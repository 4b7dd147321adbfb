#include "nibble_dialect.h"

#include "instrument/nibble_pair.h"
#include "instrument/session.h"

namespace kelmor {

namespace {

constexpr std::uint8_t kFirstClockRegister = 2;
constexpr int kClockRegisterPauseMs = 50;
// Between the two one-byte writes of the clock code and the register frame.
constexpr int kClockCodePauseMs = 5;
constexpr int kEraseWaitMs = 5000;
// The top of memory, as the write address's high byte: 0x2000 on V5, 0x8000 on V6.
constexpr std::uint8_t kTopOfMemoryHighV5 = 0x20;
constexpr std::uint8_t kTopOfMemoryHighV6 = 0x80;
constexpr int kAfterSettingMs = 100;
// The instruments send their memory one byte short: the last nibble never comes, and
// the decode takes it from whatever an earlier read left in the receive buffer.
constexpr std::uint32_t kMemoryReplyV5 = 16383;
constexpr std::uint32_t kMemoryReplyV6 = 65535;
// Registers 0..8 as nibble pairs; the block takes ten bytes, the last from the
// position past the reply.
constexpr std::uint32_t kRegisterReply = 18;
constexpr int kRegisterBytesKept = 10;
constexpr int kBeforeRegistersV5Ms = 100;
constexpr int kBeforeRegistersV6Ms = 250;

// WriteMemoryByte's data after its code: the 16-bit address and the value, as nibble
// pairs. The program writes only addresses below 256.
void SendMemoryByteData(Session& s, std::uint8_t address, std::uint8_t value) {
    s.Send({0, 0, HighNibble(address), LowNibble(address), HighNibble(value), LowNibble(value)});
}

}  // namespace

void NibbleDialect::WriteClock(Session& s, const ClockValues& values) const {
    for (std::uint8_t i = 0; i < values.size(); ++i) {
        const auto r = static_cast<std::uint8_t>(kFirstClockRegister + i);
        s.Pause(kClockRegisterPauseMs);
        s.Send({frames::kWriteClockRegisterV5V6[0]});
        s.Send({frames::kWriteClockRegisterV5V6[1]});
        s.Pause(kClockCodePauseMs);
        s.Send({HighNibble(r), LowNibble(r), HighNibble(values[i]), LowNibble(values[i])});
    }
}

void NibbleDialect::Erase(Session& s, std::uint8_t& result) const {
    // The erase's header writes: the code followed at once by its data.
    auto write = [&s](std::uint8_t address, std::uint8_t value) {
        s.Send(frames::kWriteMemoryByteV5V6);
        SendMemoryByteData(s, address, value);
        s.Pause(kFramePauseV5V6Ms);
    };
    s.Pause(kFramePauseV5V6Ms);
    write(2, model_ == Model::V5 ? kTopOfMemoryHighV5 : kTopOfMemoryHighV6);
    write(3, 0);
    write(6, 0);
    s.Send(frames::kEraseMemoryV5V6);
    s.Pause(kEraseWaitMs);
    if (s.Receive(2)) {
        result = DecodeNibblePair(s.Reply()[0], s.Reply()[1]);
    }
}

void NibbleDialect::WriteTrigger(Session& s, std::uint8_t levelCode, std::uint8_t flashFlag) const {
    // The settings' writes: the code, a frame pause, the data, a longer pause.
    auto write = [&s](std::uint8_t address, std::uint8_t value) {
        s.Send(frames::kWriteMemoryByteV5V6);
        s.Pause(kFramePauseV5V6Ms);
        SendMemoryByteData(s, address, value);
        s.Pause(kAfterSettingMs);
    };
    write(4, levelCode);
    write(5, flashFlag);
}

void NibbleDialect::ReadOut(Session& s, ReadoutTarget& target, const ReadProgress& progress) const {
    const ModelLayout& layout = LayoutOf(model_);
    s.Send(frames::kReadMemoryV5V6);
    s.Pause(kFramePauseV5V6Ms);
    if (!s.Receive(model_ == Model::V5 ? kMemoryReplyV5 : kMemoryReplyV6, progress)) {
        return;
    }
    DecodeNibblePairs(s.Reply(), target.image.data(), layout.imageSize);
    target.image[0] = layout.tag;
    s.Pause(model_ == Model::V5 ? kBeforeRegistersV5Ms : kBeforeRegistersV6Ms);
    s.Send(frames::kReadRegistersV5V6);
    // The V5 is read at once; the V6 gets the frame pause first.
    if (model_ == Model::V6) {
        s.Pause(kFramePauseV5V6Ms);
    }
    if (s.Receive(kRegisterReply)) {
        DecodeNibblePairs(s.Reply(), target.registerBlock.data(), kRegisterBytesKept);
    }
}

}  // namespace kelmor
