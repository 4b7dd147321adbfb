#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "data/measurement_image.h"
#include "instrument/command_status.h"
#include "link/clock.h"
#include "link/d2xx_unit.h"
#include "link/discovery.h"

namespace kelmor {

// The steps every instrument command is made of: the open, frames built in the port
// layer's transmit buffer, pauses through the clock, replies read into its receive
// buffer, and the close. A reply that comes short ends the command: reads give up after
// the driver's idle time-out, so a silent or unplugged instrument can never hang the
// window.
class Exchange {
  public:
    Exchange(D2XXUnit& port, Clock& clock);

    // Opens the instrument by the serial number discovery found, and goes on only when
    // the open returned 0 and an instrument is attached. A port that opened although no
    // instrument is attached is closed again, so no handle is left open.
    bool Open(bool attached, const TV5& identity, CommandOutcome& outcome);
    // Clears whatever the instrument still had to say: Identify, pause, read one byte,
    // pause, purge.
    bool ThrowAway(CommandOutcome& outcome);
    // Identify: the model, or none with UnknownModel or NotResponding in `outcome`.
    std::optional<Model> Identify(CommandOutcome& outcome);

    void Send(std::initializer_list<std::uint8_t> bytes);
    template <std::size_t N>
    void Send(const std::uint8_t (&frame)[N]) {
        SendBytes(frame, N);
    }
    void Pause(int ms) { clock_.Sleep(ms); }
    // Reads `count` bytes; false, with NotResponding in `outcome`, when fewer came.
    bool Receive(std::uint32_t count, CommandOutcome& outcome);
    // The reply as the receive buffer holds it, including positions past the last read.
    const std::uint8_t* Reply() const { return port_.FTReceiveBuffer.data(); }
    void Close() { port_.CloseFTDevice(); }

    D2XXUnit& Port() { return port_; }

  private:
    void SendBytes(const std::uint8_t* bytes, std::uint32_t count);

    D2XXUnit& port_;
    Clock& clock_;
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

// The pause after each frame: V5 and V6 are slower to take a frame than V7.
constexpr int kFramePauseV5V6Ms = 25;
constexpr int kFramePauseV7Ms = 10;

// V7 WriteMemoryByte: the letter, then the 16-bit address and the value, each write
// followed by the frame pause. (The V5 and V6 commands pace theirs differently.)
void WriteMemoryByteV7(Exchange& exchange, std::uint16_t address, std::uint8_t value);

}  // namespace kelmor
