#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace kelmor {

class Clock;

// How long the rest of a read-out will take, from the rate the line has delivered so far.
// The first report starts the measurement: the pauses and the identification before the
// memory streams are not part of the line's rate. A rate is trusted once a second of
// streaming has passed, so that the first USB packets (up to 62 bytes at once) do not
// promise a read-out of a few seconds. Fed on the thread that reads, like its clock.
class TransferEstimate {
  public:
    explicit TransferEstimate(Clock& clock) : clock_(clock) {}

    // Forgets the read-out before: the next report starts a new measurement.
    void Restart() { started_ = false; }
    void Report(std::uint32_t received, std::uint32_t requested);
    // Whole seconds left, rounded up; none until the rate is known.
    std::optional<int> SecondsLeft() const { return secondsLeft_; }

  private:
    Clock& clock_;
    bool started_ = false;
    std::int64_t startMs_ = 0;
    std::uint32_t receivedAtStart_ = 0;
    std::uint32_t lastReceived_ = 0;
    std::optional<int> secondsLeft_;
};

// "about 2 min left", "about 40 s left": rounded up to a minute above 90 seconds and to
// 5 seconds below, so that the figure does not flicker with every packet.
QString TimeLeftText(int seconds);
// "123 456 of 131 071 bytes".
QString ByteCountText(std::uint32_t received, std::uint32_t requested);

}  // namespace kelmor
