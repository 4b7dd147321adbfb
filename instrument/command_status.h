#pragma once

#include <cstdint>

#include "link/ft_driver.h"

namespace kelmor {

// How an instrument command ended; the window turns it into words.
enum class CommandStatus {
    Done,           // ran to its end
    NotAttached,    // the open failed or no instrument is attached: nothing was sent
    UnknownModel,   // Identify gave no known model code: nothing more was sent
    NotResponding,  // a reply came short (silent or unplugged): the command stopped there
    Refused,        // the command's input cannot be sent: nothing was opened or sent
};

struct CommandOutcome {
    CommandStatus status = CommandStatus::Done;
    // The port's status where the command stopped: the open's for NotAttached, the read's
    // for NotResponding (FT_IO_ERROR: the instrument went away; FT_OK: it stayed silent).
    FT_STATUS portStatus = FT_OK;
    // The code Identify gave, also an unrecognised one; 0 before Identify.
    std::uint8_t modelCode = 0;
    // NotResponding: the bytes that came of the bytes asked for.
    std::uint32_t received = 0;
    std::uint32_t requested = 0;
};

}  // namespace kelmor
