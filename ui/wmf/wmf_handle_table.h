#pragma once

#include <array>

namespace kelmor {

// The reader's table of objects: creating an object takes the lowest free slot and deleting
// it frees the slot again, so the writer must hand out slots the same way to know the index
// each object gets. The metafile header states how many slots were ever in use.
class WmfHandleTable {
  public:
    static constexpr int kSlots = 16;

    // The slot the next created object lands in, now taken; -1 when all are taken.
    int Acquire();
    void Release(int slot);
    bool InUse(int slot) const;
    int HighWater() const { return highWater; }

  private:
    std::array<bool, kSlots> used_{};
    int highWater = 0;
};

}  // namespace kelmor
