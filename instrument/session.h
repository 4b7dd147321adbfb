#pragma once

#include <cstdint>
#include <initializer_list>

#include "data/measurement_image.h"
#include "instrument/command_status.h"
#include "instrument/instrument_link.h"
#include "link/discovery.h"

namespace kelmor {

class Dialect;

// One command's use of the instrument: the open, Identify and the model's dialect, frames
// built in the port layer's transmit buffer, pauses through the clock, replies read into
// its receive buffer, and the close, which the session makes however the command ends.
//
// The first step that fails (an open refused, a write that fails or comes short, a reply
// that comes short, a cancel) records its status in the outcome, and every step after it
// does nothing: a dialect's sequence of frames stops where the instrument stopped
// answering without testing each step.
class Session {
  public:
    Session(const InstrumentLink& link, CommandOutcome& outcome);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the instrument by the serial number discovery found, and goes on only when
    // the open returned 0 and an instrument is attached. A port that opened although no
    // instrument is attached is closed again, so no handle is left open.
    bool Open(bool attached, const InstrumentIdentity& identity);
    // Clears whatever the instrument still had to say: Identify, pause, read one byte,
    // pause, purge.
    void ThrowAway();
    // Identify: the model's dialect, or none with Protocol (an unknown model code) or the
    // failure in the outcome.
    const Dialect* Identify();

    void Send(std::initializer_list<std::uint8_t> bytes);
    template <std::size_t N>
    void Send(const std::uint8_t (&frame)[N]) {
        SendBytes(frame, N);
    }
    void Pause(int ms);
    // Reads `count` bytes, with `progress` while they come; false when fewer came.
    bool Receive(std::uint32_t count, const ReadProgress& progress = ReadProgress());
    void Purge();
    // The reply as the receive buffer holds it, including positions past the last read.
    const std::uint8_t* Reply() const { return link_.port.FTReceiveBuffer.data(); }
    void Close();

    bool Ok() const { return outcome_.status == CommandStatus::Ok; }
    CommandOutcome& Outcome() { return outcome_; }

  private:
    void SendBytes(const std::uint8_t* bytes, std::uint32_t count);
    void Fail(CommandStatus status);

    InstrumentLink link_;
    CommandOutcome& outcome_;
    bool open_ = false;
};

// The command codes of both dialects: two bytes on V5 and V6, a letter on V7.
namespace frames {
constexpr std::uint8_t kIdentify[] = {0xF3, 0x3F};
constexpr std::uint8_t kReadMemoryV5V6[] = {0x04, 0x0D};
constexpr std::uint8_t kReadRegistersV5V6[] = {0x03, 0x00};
constexpr std::uint8_t kWriteMemoryByteV5V6[] = {0x05, 0x07};
constexpr std::uint8_t kEraseMemoryV5V6[] = {0x04, 0x05};
// Sent as two one-byte writes.
constexpr std::uint8_t kWriteClockRegisterV5V6[] = {0x04, 0x03};
constexpr std::uint8_t kReadMemoryV7[] = {'M'};
constexpr std::uint8_t kReadRegistersV7[] = {'0'};
constexpr std::uint8_t kReadPressureCoefficientsV7[] = {'P'};
constexpr std::uint8_t kWriteMemoryByteV7[] = {'W'};
constexpr std::uint8_t kWriteClockRegisterV7[] = {'C'};
constexpr std::uint8_t kEraseMemoryV7[] = {'E'};
}  // namespace frames

// The pause after each frame: V5 and V6 are slower to take a frame than V7. Identify
// speaks to every model at the slower pace.
constexpr int kFramePauseV5V6Ms = 25;
constexpr int kFramePauseV7Ms = 10;

}  // namespace kelmor
