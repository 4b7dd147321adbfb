#pragma once

#include "link/ft_driver.h"

namespace kelmor {

// How a step of the link or a whole instrument command ended. The window turns these into
// words; nothing below it does.
enum class LinkStatus {
    Ok,
    Timeout,    // the instrument stayed silent for the idle time-out
    Io,         // the bridge failed a transfer, or took fewer bytes than it was given
    Protocol,   // the instrument answered something it should not (an unknown model code)
    NoDevice,   // no instrument: not attached, not found, or unplugged
    NoAccess,   // the device may not be opened by this user (the udev rule is missing)
    InUse,      // another driver or program holds the device
    Cancelled,  // the user cancelled
    Refused,    // a command's input cannot be sent: nothing was opened or sent
};

// The driver's status of a read, write or purge as a link status.
LinkStatus LinkStatusOf(FT_STATUS status);

}  // namespace kelmor
