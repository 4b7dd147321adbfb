#include "link_status.h"

namespace kelmor {

LinkStatus LinkStatusOf(FT_STATUS status) {
    switch (status) {
        case FT_OK:
            return LinkStatus::Ok;
        case FT_DEVICE_NOT_FOUND:
            return LinkStatus::NoDevice;
        default:
            return LinkStatus::Io;
    }
}

}  // namespace kelmor
