#pragma once

#include <cstdint>

#include "link/link_status.h"

namespace kelmor {

// How an instrument command ended: the link's status, with Ok for a command that ran to
// its end and Protocol for an instrument of unknown model. The window turns it into words.
using CommandStatus = LinkStatus;

struct CommandOutcome {
    CommandStatus status = CommandStatus::Ok;
    // Whether the port was opened. When not, `status` says why the command ended at its
    // open (NoDevice also when no instrument is attached) and nothing was sent.
    bool opened = false;
    // The code Identify gave, also an unrecognised one; 0 before Identify.
    std::uint8_t modelCode = 0;
    // A reply that came short: the bytes that came of the bytes asked for.
    std::uint32_t received = 0;
    std::uint32_t requested = 0;
};

}  // namespace kelmor
