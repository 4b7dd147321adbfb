#pragma once

#include <atomic>

namespace kelmor {

// A request to stop the command that runs, raised from any thread (the window's Cancel
// button while the command runs on a worker thread). The command's pauses and the port
// layer's reads look at it, so a raised cancel ends the command within a few
// milliseconds of the next look. Whoever starts a command resets it first.
class Cancellation {
  public:
    void Raise() { raised_.store(true, std::memory_order_release); }
    void Reset() { raised_.store(false, std::memory_order_release); }
    bool Raised() const { return raised_.load(std::memory_order_acquire); }

  private:
    std::atomic<bool> raised_{false};
};

}  // namespace kelmor
