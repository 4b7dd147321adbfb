#pragma once

#include <QString>
#include <array>

#include "link/port_layer.h"

namespace kelmor {

// The device a discovery pass accepted last.
struct InstrumentIdentity {
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
// index ends in `identity`; a pass that accepts none leaves it as it was. The
// statuses of the queries are not examined: a failing query shows only through the
// text it leaves in FTDeviceText. Returns whether a device was accepted
// (the instrument is attached).
bool Discover(PortLayer& port, InstrumentIdentity& identity);

}  // namespace kelmor
