#include "simulated_clock_registers.h"

#include <QDateTime>

namespace kelmor {

namespace {

constexpr int kFirstTimeRegister = 2;
constexpr int kLastTimeRegister = 8;

std::uint8_t ToBcd(int value) {
    return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

// A nibble above 9 makes no valid clock value.
int FromBcd(std::uint8_t value) {
    const int high = value >> 4;
    const int low = value & 0x0F;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

}  // namespace

SimulatedClockRegisters::SimulatedClockRegisters(Clock& clock) : clock_(clock) {}

QDateTime SimulatedClockRegisters::Now() {
    return clock_.LocalNow().addMSecs(offsetMs_);
}

SimulatedClockRegisters::Registers SimulatedClockRegisters::Read() {
    const QDateTime now = Now();
    Registers registers = written_;
    registers[2] = ToBcd(now.time().second());
    registers[3] = ToBcd(now.time().minute());
    registers[4] = ToBcd(now.time().hour());
    registers[5] = ToBcd(now.date().day());
    registers[6] = static_cast<std::uint8_t>(now.date().dayOfWeek() % 7 + 1);
    registers[7] = ToBcd(now.date().month());
    registers[8] = ToBcd(now.date().year() % 100);
    for (int r = kFirstTimeRegister; r <= kLastTimeRegister; ++r) {
        if (held_[r]) {
            registers[r] = written_[r];
        }
    }
    return registers;
}

void SimulatedClockRegisters::Write(std::uint8_t reg, std::uint8_t value) {
    if (reg >= kRegisterCount) {
        return;
    }
    written_[reg] = value;
    if (reg < kFirstTimeRegister) {
        return;
    }
    held_.set(reg);
    for (int r = kFirstTimeRegister; r <= kLastTimeRegister; ++r) {
        if (!held_[r]) {
            return;
        }
    }
    const int year = FromBcd(written_[8]);
    const int month = FromBcd(written_[7]);
    const int day = FromBcd(written_[5]);
    const int hour = FromBcd(written_[4] & 0x3F);
    const int minute = FromBcd(written_[3]);
    const int second = FromBcd(written_[2]);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) {
        return;
    }
    const QDateTime set(QDate(2000 + year, month, day), QTime(hour, minute, second));
    if (set.isValid()) {
        offsetMs_ = clock_.LocalNow().msecsTo(set);
        held_.reset();
    }
}

}  // namespace kelmor
