#pragma once

#include <array>
#include <cstdint>

#include "data/measurement_image.h"
#include "link/port_layer.h"

namespace kelmor {

class Session;

// The register block of a read-out: bytes 0..9 from the register reply, the rest zero.
using RegisterBlock = std::array<std::uint8_t, 1024>;
// Clock registers 2..8: seconds, minutes, hours, day, day of week, month, year.
using ClockValues = std::array<std::uint8_t, 7>;

// Where a read-out puts what it receives.
struct ReadoutTarget {
    ImageBuffer& image;
    RegisterBlock& registerBlock;
};

// How one family of models is spoken to: its frames and its pacing. V5 and V6 take
// two-byte codes, every data byte as a nibble pair, and longer pauses; V7 takes a letter,
// plain bytes, and sends a command's letter and its data as separate writes 10 ms apart.
// Each operation runs on an open, identified session and stops where the session fails.
class Dialect {
  public:
    virtual ~Dialect() = default;

    virtual Model InstrumentModel() const = 0;
    // Clock registers 2..8 in order. The instrument acknowledges none.
    virtual void WriteClock(Session& session, const ClockValues& values) const = 0;
    // Puts the write address back to the top of memory and the directory position to 0,
    // erases, waits for the erase and reads the acknowledgement into `result`.
    virtual void Erase(Session& session, std::uint8_t& result) const = 0;
    // The trigger level code to memory address 4 and the flash flag to address 5.
    virtual void WriteTrigger(Session& session, std::uint8_t levelCode,
                              std::uint8_t flashFlag) const = 0;
    // The whole memory into the image (byte 0 the model's tag), the registers into the
    // register block, and on V7 the pressure coefficients into image bytes 9..16.
    // `progress` follows the memory reply.
    virtual void ReadOut(Session& session, ReadoutTarget& target,
                         const ReadProgress& progress) const = 0;
};

// The dialect of `model`: one object per model for the program's life.
const Dialect& DialectOf(Model model);

}  // namespace kelmor
