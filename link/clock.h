#pragma once

#include <QDateTime>
#include <cstdint>

namespace kelmor {

// Every pause and every time-out of the link and the instrument commands goes through
// one clock, so that tests can check the exact pause sequence of a command without
// waiting for it, and the window can keep repainting while a command waits.
class Clock {
  public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic scale, for time-outs.
    virtual std::int64_t MonotonicMs() = 0;
    // Pauses for `ms` milliseconds.
    virtual void Sleep(int ms) = 0;
    // The PC's local date and time.
    virtual QDateTime LocalNow() = 0;
};

// The real clock: blocking sleeps.
class SystemClock : public Clock {
  public:
    std::int64_t MonotonicMs() override;
    void Sleep(int ms) override;
    QDateTime LocalNow() override;
};

}  // namespace kelmor
