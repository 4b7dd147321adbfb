#pragma once

#include <QDateTime>
#include <cstdint>

namespace kelmor {

class Cancellation;

// Every pause and every time-out of the link and the instrument commands goes through
// one clock, so that tests can check the exact pause sequence of a command without
// waiting for it. The pauses a command specifies (Sleep) and the port layer's waits
// between two looks at the driver (PollWait) are separate calls, so that a test of a
// command's pacing sees the command's pauses only.
class Clock {
  public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic scale, for time-outs.
    virtual std::int64_t MonotonicMs() = 0;
    // A pause of `ms` milliseconds that a command specifies. Returns false when `cancel`
    // was raised before the pause ended; the pause then ends early.
    virtual bool Sleep(int ms, const Cancellation* cancel = nullptr) = 0;
    // The port layer's short wait before it looks at the driver again.
    virtual void PollWait(int ms) = 0;
    // The PC's local date and time.
    virtual QDateTime LocalNow() = 0;
};

// The real clock: blocking sleeps, safe on any thread.
class SystemClock : public Clock {
  public:
    std::int64_t MonotonicMs() override;
    bool Sleep(int ms, const Cancellation* cancel = nullptr) override;
    void PollWait(int ms) override;
    QDateTime LocalNow() override;
};

}  // namespace kelmor
