#include "letter_dialect.h"

#include <algorithm>

#include "instrument/session.h"

namespace kelmor {

namespace {

constexpr std::uint8_t kFirstClockRegister = 2;
constexpr int kEraseWaitMs = 15000;
// All of the 128 KiB but the last byte, which never comes.
constexpr std::uint32_t kMemoryReply = 131071;
// Registers 0..8; the block takes ten bytes, the last from the position past the reply.
constexpr std::uint32_t kRegisterReply = 9;
constexpr int kRegisterBytesKept = 10;
// A lead byte and the coefficients; the block of eight coefficient bytes takes its last
// byte from the position past the reply.
constexpr std::uint32_t kCoefficientReply = 8;
constexpr int kCoefficientOffset = 9;
constexpr int kCoefficientBytes = 8;

}  // namespace

void LetterDialect::WriteMemoryByte(Session& s, std::uint16_t address, std::uint8_t value) const {
    s.Send(frames::kWriteMemoryByteV7);
    s.Pause(kFramePauseV7Ms);
    s.Send({static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), value});
    s.Pause(kFramePauseV7Ms);
}

void LetterDialect::WriteClock(Session& s, const ClockValues& values) const {
    for (std::uint8_t i = 0; i < values.size(); ++i) {
        const auto r = static_cast<std::uint8_t>(kFirstClockRegister + i);
        s.Send(frames::kWriteClockRegisterV7);
        s.Pause(kFramePauseV7Ms);
        s.Send({r, values[i]});
        s.Pause(kFramePauseV7Ms);
    }
}

void LetterDialect::Erase(Session& s, std::uint8_t& result) const {
    // 0x20000: the 24-bit write address in bytes 1..3.
    WriteMemoryByte(s, 1, 0x02);
    WriteMemoryByte(s, 2, 0);
    WriteMemoryByte(s, 3, 0);
    WriteMemoryByte(s, 6, 0);
    s.Send(frames::kEraseMemoryV7);
    s.Pause(kEraseWaitMs);
    if (s.Receive(1)) {
        result = s.Reply()[0];
    }
}

void LetterDialect::WriteTrigger(Session& s, std::uint8_t levelCode, std::uint8_t flashFlag) const {
    WriteMemoryByte(s, 4, levelCode);
    WriteMemoryByte(s, 5, flashFlag);
}

void LetterDialect::ReadOut(Session& s, ReadoutTarget& target, const ReadProgress& progress) const {
    const ModelLayout& layout = LayoutOf(Model::V7);
    s.Send(frames::kReadMemoryV7);
    s.Pause(kFramePauseV7Ms);
    if (!s.Receive(kMemoryReply, progress)) {
        return;
    }
    // Reply byte 0 is the instrument's own byte 0, which the tag replaces.
    std::copy_n(s.Reply() + 1, layout.imageSize - 1, target.image.begin() + 1);
    target.image[0] = layout.tag;

    s.Pause(kFramePauseV7Ms);
    s.Send(frames::kReadRegistersV7);
    s.Pause(kFramePauseV7Ms);
    if (!s.Receive(kRegisterReply)) {
        return;
    }
    std::copy_n(s.Reply(), kRegisterBytesKept, target.registerBlock.begin());

    s.Send(frames::kReadPressureCoefficientsV7);
    s.Pause(kFramePauseV7Ms);
    if (s.Receive(kCoefficientReply)) {
        // Into the image, so that a saved data file carries the coefficients.
        std::copy_n(s.Reply() + 1, kCoefficientBytes, target.image.begin() + kCoefficientOffset);
    }
}

}  // namespace kelmor
