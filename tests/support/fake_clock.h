#pragma once

// A clock for tests: every pause passes at once and is recorded, so that a 15-second
// erase runs in microseconds and a test can check the exact pause sequence of a command.
// The port layer's poll waits pass time too but are not recorded as pauses. Actions set
// for a moment (a cancel, an unplug) run when the clock passes it. Its local time runs
// on with its monotonic time from wherever it was set. For one thread.

#include <QDateTime>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "link/cancellation.h"
#include "link/clock.h"

namespace kelmor::testing {

class FakeClock : public Clock {
  public:
    std::int64_t MonotonicMs() override { return nowMs_; }

    bool Sleep(int ms, const Cancellation* cancel = nullptr) override {
        sleeps_.push_back(ms);
        const std::int64_t end = nowMs_ + (ms > 0 ? ms : 0);
        for (;;) {
            if (cancel && cancel->Raised()) {
                return false;
            }
            if (nowMs_ >= end) {
                return true;
            }
            AdvanceToNextAction(end);
        }
    }

    void PollWait(int ms) override {
        ++pollWaits_;
        Advance(ms);
    }

    QDateTime LocalNow() override { return local_.addMSecs(nowMs_ - localSetAtMs_); }

    void SetLocalNow(const QDateTime& local) {
        local_ = local;
        localSetAtMs_ = nowMs_;
    }

    // Time that passes outside any pause (the user thinking, say); not recorded.
    void Advance(std::int64_t ms) {
        const std::int64_t end = nowMs_ + (ms > 0 ? ms : 0);
        while (nowMs_ < end) {
            AdvanceToNextAction(end);
        }
    }

    // Runs `action` once the clock reaches `atMs`.
    void At(std::int64_t atMs, std::function<void()> action) {
        actions_.emplace(atMs, std::move(action));
    }

    const std::vector<int>& Sleeps() const { return sleeps_; }
    void ClearSleeps() { sleeps_.clear(); }
    int PollWaits() const { return pollWaits_; }

  private:
    // Moves to the next action due by `end` and runs it, or to `end`.
    void AdvanceToNextAction(std::int64_t end) {
        const auto next = actions_.begin();
        if (next == actions_.end() || next->first > end) {
            nowMs_ = end;
            return;
        }
        nowMs_ = std::max(nowMs_, next->first);
        const std::function<void()> action = next->second;
        actions_.erase(next);
        action();
    }

    std::int64_t nowMs_ = 1'000'000;
    QDateTime local_ = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
    std::int64_t localSetAtMs_ = 1'000'000;
    std::vector<int> sleeps_;
    int pollWaits_ = 0;
    std::multimap<std::int64_t, std::function<void()>> actions_;
};

}  // namespace kelmor::testing
