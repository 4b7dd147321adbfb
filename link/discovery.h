#pragma once

#include <QString>
#include <array>

#include "link/d2xx_unit.h"

namespace kelmor {

// The device a discovery pass accepted last.
struct TV5 {
    QString SerialNumber;  // every exchange opens the instrument by it
    QString Description;   // the description it was accepted by
};

// The descriptions an FTDI bridge of a Kelmor reports, compared exactly: case and
// blanks count.
inline constexpr std::array<const char*, 3> kAcceptedDescriptions = {
    "USB <-> V5",
    "USB <-> Serial Cable",
    "USB <-> Serial",
};

bool IsAcceptedDescription(const QString& description);

// One discovery pass over the driver's listing; nothing is opened or sent. Every
// listed device is looked at, so of several accepted devices the one with the highest
// index ends in `InstrumentIdentity`; a pass that accepts none leaves it as it was. The
// statuses of the queries are not examined: a failing query shows only through the
// text it leaves in FTDeviceText. Returns whether a device was accepted
// (`InstrumentAttached`).
bool Discover(D2XXUnit& port, TV5& InstrumentIdentity);

}  // namespace kelmor
