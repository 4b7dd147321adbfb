#pragma once

// A clock for tests: every pause passes at once and is recorded, so that a 15-second
// erase runs in microseconds and a test can check the exact pause sequence of a command.
// Its local time runs on with its monotonic time from wherever it was set.

#include <QDateTime>
#include <cstdint>
#include <vector>

#include "link/clock.h"

namespace kelmor::testing {

class FakeClock : public Clock {
  public:
    std::int64_t MonotonicMs() override { return nowMs_; }

    void Sleep(int ms) override {
        sleeps_.push_back(ms);
        Advance(ms);
    }

    QDateTime LocalNow() override { return local_.addMSecs(nowMs_ - localSetAtMs_); }

    void SetLocalNow(const QDateTime& local) {
        local_ = local;
        localSetAtMs_ = nowMs_;
    }

    // Time that passes outside any pause (the user thinking, say); not recorded.
    void Advance(std::int64_t ms) { nowMs_ += ms > 0 ? ms : 0; }

    const std::vector<int>& Sleeps() const { return sleeps_; }
    void ClearSleeps() { sleeps_.clear(); }

  private:
    std::int64_t nowMs_ = 1'000'000;
    QDateTime local_ = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
    std::int64_t localSetAtMs_ = 1'000'000;
    std::vector<int> sleeps_;
};

}  // namespace kelmor::testing
