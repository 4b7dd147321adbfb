#include "clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/cancellation.h"

namespace kelmor {

namespace {

// How often a pause looks at its cancellation: well within the half second in which a
// cancel must end a command.
constexpr int kCancelLookMs = 10;

}  // namespace

std::int64_t SystemClock::MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool SystemClock::Sleep(int ms, const Cancellation* cancel) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (cancel && cancel->Raised()) {
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            return true;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            end - now, std::chrono::milliseconds(kCancelLookMs)));
    }
}

void SystemClock::PollWait(int ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

QDateTime SystemClock::LocalNow() {
    return QDateTime::currentDateTime();
}

}  // namespace kelmor
