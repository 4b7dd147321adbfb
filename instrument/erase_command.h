#pragma once

#include <cstdint>
#include <functional>

#include "instrument/command_status.h"
#include "instrument/instrument_link.h"
#include "link/discovery.h"

namespace kelmor {

struct EraseOutcome : CommandOutcome {
    bool erased = false;  // the instrument answered "e"
    // The reply to the erase; 'E' when none was read.
    std::uint8_t eraseResult = 'E';
};

// Erases the instrument's measurement memory (`EraseInstrument` after its confirmation):
// puts its write address back to the top of memory and its directory position to 0,
// then erases and waits for the acknowledgement (5 s on V5 and V6, 15 s on V7). A cancel
// during that wait ends the command with Cancelled; the instrument may still erase.
// `onErasing` is called, on the command's thread, once the port is open and before
// Identify: the moment the window shows "Erasing Kelmor".
EraseOutcome EraseMemory(const InstrumentLink& link, bool attached,
                         const InstrumentIdentity& identity,
                         const std::function<void()>& onErasing);

}  // namespace kelmor
