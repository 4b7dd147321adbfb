#pragma once

#include "link/clock.h"

namespace kelmor {

// The clock of the window's instrument exchanges. The exchanges run on the user-interface
// thread and wait for the instrument; while they wait the window keeps repainting: the
// event loop runs, but no input from the user is taken.
class ResponsiveClock : public Clock {
  public:
    std::int64_t MonotonicMs() override;
    bool Sleep(int ms, const Cancellation* cancel = nullptr) override;
    void PollWait(int ms) override;
    QDateTime LocalNow() override;
};

}  // namespace kelmor
