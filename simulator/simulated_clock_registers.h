#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <array>
#include <bitset>
#include <cstdint>

#include "link/clock.h"

namespace kelmor {

// The real-time clock of a simulated Kelmor, as its registers show it: 2 seconds,
// 3 minutes, 4 hours, 5 day of month, 6 day of week (1..7, Sunday = 1), 7 month, 8 year
// of the century, all packed BCD; 0 and 1 are plain bytes that are kept as written.
// The clock runs with the PC clock plus an offset. The program writes the seven time
// registers one by one; a register written is held until all seven are, and a complete
// set that makes a valid date and time moves the offset, so the clock runs on from it.
class SimulatedClockRegisters {
  public:
    static constexpr int kRegisterCount = 9;
    using Registers = std::array<std::uint8_t, kRegisterCount>;

    explicit SimulatedClockRegisters(Clock& clock);

    Registers Read();
    // The time the instrument's clock shows now.
    QDateTime Now();
    // Registers above 8 do not exist and are ignored.
    void Write(std::uint8_t reg, std::uint8_t value);

    // How far the instrument's clock is ahead of the PC clock.
    qint64 OffsetMs() const { return offsetMs_; }
    void SetOffsetMs(qint64 ms) { offsetMs_ = ms; }

  private:
    Clock& clock_;
    qint64 offsetMs_ = 0;
    Registers written_{};
    std::bitset<kRegisterCount> held_;
};

}  // namespace kelmor
