#include "wmf_handle_table.h"

#include <algorithm>

namespace kelmor {

int WmfHandleTable::Acquire() {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!used_[slot]) {
            used_[slot] = true;
            highWater = std::max(highWater, slot + 1);
            return slot;
        }
    }
    return -1;
}

void WmfHandleTable::Release(int slot) {
    if (slot >= 0 && slot < kSlots) {
        used_[slot] = false;
    }
}

bool WmfHandleTable::InUse(int slot) const {
    return slot >= 0 && slot < kSlots && used_[slot];
}

}  // namespace kelmor
