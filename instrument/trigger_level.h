#pragma once

#include <cstdint>
#include <optional>

#include "data/extended.h"
#include "instrument/command_status.h"
#include "instrument/instrument_link.h"
#include "link/discovery.h"

namespace kelmor {

// The code the instrument keeps for a trigger level in Bq/m3: the level in counted
// pulses, trunc(level / calibrationFactor). The instrument holds one byte, so a code
// above 255 is sent as 255, the highest level it can keep, rather than as its low 8 bits
// (2000 Bq/m3 at 6.0 would have become 77). None when the factor gives no code (0).
std::optional<std::uint8_t> TriggerLevelCode(int level, Extended calibrationFactor);

struct TriggerOutcome : CommandOutcome {
    // What was sent: the level the instrument now has is levelCode x calibrationFactor.
    std::uint8_t levelCode = 0;
    std::uint8_t flashFlag = 0;  // 2: flash red and green
};

// The trigger-level dialog's "Set": closes the port first, pauses, opens,
// clears what the instrument had queued, identifies it and writes the level code and the
// flash flag to memory addresses 4 and 5. No reply is read. Refused, with nothing
// opened or sent, when the calibration factor gives no code.
TriggerOutcome SetTriggerLevel(const InstrumentLink& link, bool attached,
                               const InstrumentIdentity& identity, int level,
                               Extended calibrationFactor, bool flash);

}  // namespace kelmor
