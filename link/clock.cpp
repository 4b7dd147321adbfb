#include "clock.h"

#include <chrono>
#include <thread>

namespace kelmor {

std::int64_t SystemClock::MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemClock::Sleep(int ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

QDateTime SystemClock::LocalNow() {
    return QDateTime::currentDateTime();
}

}  // namespace kelmor
