#include "clock_sync.h"

#include "instrument/session.h"

namespace kelmor {

namespace {

std::uint8_t Bcd(int n) {
    return static_cast<std::uint8_t>(n / 10 * 16 + n % 10);
}

}  // namespace

ClockValues ClockRegisterValues(const QDateTime& localTime) {
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

CommandOutcome SynchroniseClock(const InstrumentLink& link, bool attached,
                                const InstrumentIdentity& identity,
                                const QDateTime& localTimeAtClick) {
    const ClockValues values = ClockRegisterValues(localTimeAtClick);
    CommandOutcome outcome;
    Session session(link, outcome);
    if (session.Open(attached, identity)) {
        if (const Dialect* dialect = session.Identify()) {
            dialect->WriteClock(session, values);
        }
    }
    return outcome;
}

}  // namespace kelmor
