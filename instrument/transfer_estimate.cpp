#include "transfer_estimate.h"

#include <algorithm>

#include "link/clock.h"

namespace kelmor {

namespace {

constexpr std::int64_t kShortestMeasurementMs = 1000;

QString Grouped(std::uint32_t value) {
    QString digits = QString::number(value);
    for (auto at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, QLatin1Char(' '));
    }
    return digits;
}

}  // namespace

void TransferEstimate::Report(std::uint32_t received, std::uint32_t requested) {
    const std::int64_t now = clock_.MonotonicMs();
    const std::uint32_t before = lastReceived_;
    lastReceived_ = received;
    if (!started_ || received < before) {
        started_ = true;
        startMs_ = now;
        receivedAtStart_ = received;
        secondsLeft_.reset();
        return;
    }
    const std::int64_t elapsedMs = now - startMs_;
    const std::uint32_t streamed = received - receivedAtStart_;
    if (elapsedMs < kShortestMeasurementMs || streamed == 0) {
        return;
    }
    const std::int64_t left = requested > received ? std::int64_t{requested - received} : 0;
    // Milliseconds left = bytes left x elapsed / streamed, rounded up to whole seconds.
    const std::int64_t msLeft = (left * elapsedMs + streamed - 1) / streamed;
    secondsLeft_ = static_cast<int>((msLeft + 999) / 1000);
}

QString TimeLeftText(int seconds) {
    if (seconds > 90) {
        return QStringLiteral("about %1 min left").arg((seconds + 59) / 60);
    }
    const int rounded = std::max(5, (seconds + 4) / 5 * 5);
    return QStringLiteral("about %1 s left").arg(rounded);
}

QString ByteCountText(std::uint32_t received, std::uint32_t requested) {
    return QStringLiteral("%1 of %2 bytes").arg(Grouped(received), Grouped(requested));
}

}  // namespace kelmor
