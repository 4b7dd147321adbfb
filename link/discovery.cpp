#include "discovery.h"

#include <algorithm>

namespace kelmor {

namespace {

// A USB bus holds at most 127 devices: a larger count is a driver fault, not a reason to
// spend the user-interface thread on billions of queries.
constexpr std::uint32_t kMostListedDevices = 127;

}  // namespace

bool IsAcceptedDescription(const QString& description) {
    for (const char* accepted : kAcceptedDescriptions) {
        if (description == QLatin1String(accepted)) {
            return true;
        }
    }
    return false;
}

bool Discover(PortLayer& port, InstrumentIdentity& identity) {
    bool attached = false;
    port.GetFTDeviceCount();
    const std::uint32_t count = std::min(port.FTDeviceCount, kMostListedDevices);
    for (std::uint32_t n = 0; n < count; ++n) {
        port.GetFTDeviceDescription(n);
        if (IsAcceptedDescription(port.FTDeviceText)) {
            identity.Description = port.FTDeviceText;
            port.GetFTDeviceSerialNo(n);
            identity.SerialNumber = port.FTDeviceText;
            attached = true;
        }
    }
    return attached;
}

}  // namespace kelmor
