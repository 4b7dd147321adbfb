#pragma once

#include <QDateTime>

#include "instrument/command_status.h"
#include "instrument/dialect.h"
#include "instrument/instrument_link.h"
#include "link/discovery.h"

namespace kelmor {

// The values of clock registers 2..8 for a local time: seconds, minutes, hours (masked
// with 0x3F), day of month, day of week (1..7, Sunday = 1), month and two-digit year,
// each packed BCD.
ClockValues ClockRegisterValues(const QDateTime& localTime);

// Sets the instrument's clock (`SetInstrumentClock` after its confirmation) to
// `localTimeAtClick`, the PC's time read when the button was clicked. The instrument
// acknowledges no clock write, so Ok means every frame was written whole.
CommandOutcome SynchroniseClock(const InstrumentLink& link, bool attached,
                                const InstrumentIdentity& identity,
                                const QDateTime& localTimeAtClick);

}  // namespace kelmor
