#include "timed_byte_queue.h"

#include <algorithm>

namespace kelmor {

TimedByteQueue::TimedByteQueue(std::uint32_t capacity) : bytes_(capacity) {}

std::int64_t TimedByteQueue::EndMs(const Reply& reply) const {
    if (reply.bytesPerSecond <= 0 || reply.end == reply.begin) {
        return reply.startMs;
    }
    const auto length = static_cast<std::int64_t>(reply.end - reply.begin);
    return reply.startMs + ((length - 1) * 1000 + reply.bytesPerSecond - 1) / reply.bytesPerSecond;
}

void TimedByteQueue::BeginReply(std::int64_t startMs, int bytesPerSecond) {
    if (!replies_.empty()) {
        startMs = std::max(startMs, EndMs(replies_.back()));
    }
    replies_.push_back(Reply{pushed_, pushed_, startMs, bytesPerSecond});
}

void TimedByteQueue::Push(std::uint8_t byte) {
    if (replies_.empty() || pushed_ - taken_ >= bytes_.size()) {
        return;
    }
    bytes_[pushed_ % bytes_.size()] = byte;
    ++pushed_;
    replies_.back().end = pushed_;
}

// Byte k of a reply arrives k / rate seconds after its start: the first one at once.
std::uint64_t TimedByteQueue::ArrivedEnd(std::int64_t nowMs) const {
    for (const Reply& reply : replies_) {
        if (nowMs < reply.startMs) {
            return reply.begin;
        }
        const std::uint64_t length = reply.end - reply.begin;
        std::uint64_t arrived = length;
        if (reply.bytesPerSecond > 0) {
            const auto elapsed = static_cast<std::uint64_t>(nowMs - reply.startMs);
            arrived = std::min(length, elapsed * reply.bytesPerSecond / 1000 + 1);
        }
        if (arrived < length) {
            return reply.begin + arrived;
        }
    }
    return pushed_;
}

std::uint32_t TimedByteQueue::Arrived(std::int64_t nowMs) const {
    const std::uint64_t end = ArrivedEnd(nowMs);
    return end > taken_ ? static_cast<std::uint32_t>(end - taken_) : 0;
}

std::uint32_t TimedByteQueue::Take(std::uint8_t* out, std::uint32_t count, std::int64_t nowMs) {
    const std::uint32_t n = std::min(count, Arrived(nowMs));
    for (std::uint32_t i = 0; i < n; ++i) {
        out[i] = bytes_[(taken_ + i) % bytes_.size()];
    }
    taken_ += n;
    DropTakenReplies();
    return n;
}

std::optional<std::int64_t> TimedByteQueue::NextArrivalMs(std::int64_t nowMs) const {
    const std::uint64_t end = ArrivedEnd(nowMs);
    for (const Reply& reply : replies_) {
        if (end >= reply.end) {
            continue;
        }
        if (end <= reply.begin || reply.bytesPerSecond <= 0) {
            return std::max(reply.startMs, nowMs);
        }
        const auto index = static_cast<std::int64_t>(end - reply.begin);
        return reply.startMs + (index * 1000 + reply.bytesPerSecond - 1) / reply.bytesPerSecond;
    }
    return std::nullopt;
}

void TimedByteQueue::DropArrived(std::int64_t nowMs) {
    taken_ = std::max(taken_, ArrivedEnd(nowMs));
    DropTakenReplies();
}

void TimedByteQueue::Clear() {
    taken_ = pushed_;
    replies_.clear();
}

void TimedByteQueue::DropTakenReplies() {
    while (!replies_.empty() && replies_.front().end <= taken_) {
        replies_.pop_front();
    }
}

}  // namespace kelmor
