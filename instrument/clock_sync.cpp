#include "clock_sync.h"

#include "instrument/nibble_pair.h"

namespace kelmor {

namespace {

constexpr std::uint8_t kFirstClockRegister = 2;
// Between the two one-byte writes of the clock code and the register frame.
constexpr int kClockCodePauseMs = 5;
constexpr int kClockRegisterPauseV5V6Ms = 50;

std::uint8_t Bcd(int n) {
    return static_cast<std::uint8_t>(n / 10 * 16 + n % 10);
}

}  // namespace

std::array<std::uint8_t, 7> ClockRegisterValues(const QDateTime& localTime) {
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    return {
        Bcd(time.second()),
        Bcd(time.minute()),
        static_cast<std::uint8_t>(Bcd(time.hour()) & 0x3F),
        Bcd(date.day()),
        // Qt counts from Monday = 1 to Sunday = 7; the instrument from Sunday = 1.
        static_cast<std::uint8_t>(date.dayOfWeek() % 7 + 1),
        Bcd(date.month()),
        Bcd(date.year() % 100),
    };
}

CommandOutcome SynchroniseClock(Exchange& exchange, bool attached, const TV5& identity,
                                const QDateTime& localTimeAtClick) {
    const std::array<std::uint8_t, 7> values = ClockRegisterValues(localTimeAtClick);
    CommandOutcome outcome;
    if (!exchange.Open(attached, identity, outcome)) {
        return outcome;
    }
    const std::optional<Model> model = exchange.Identify(outcome);
    if (model == Model::V5 || model == Model::V6) {
        for (std::uint8_t i = 0; i < values.size(); ++i) {
            const auto r = static_cast<std::uint8_t>(kFirstClockRegister + i);
            exchange.Pause(kClockRegisterPauseV5V6Ms);
            exchange.Send({frames::kWriteClockRegisterV5V6[0]});
            exchange.Send({frames::kWriteClockRegisterV5V6[1]});
            exchange.Pause(kClockCodePauseMs);
            exchange.Send(
                {HighNibble(r), LowNibble(r), HighNibble(values[i]), LowNibble(values[i])});
        }
    } else if (model == Model::V7) {
        for (std::uint8_t i = 0; i < values.size(); ++i) {
            const auto r = static_cast<std::uint8_t>(kFirstClockRegister + i);
            exchange.Send(frames::kWriteClockRegisterV7);
            exchange.Pause(kFramePauseV7Ms);
            exchange.Send({r, values[i]});
            exchange.Pause(kFramePauseV7Ms);
        }
    }
    exchange.Close();
    return outcome;
}

}  // namespace kelmor
