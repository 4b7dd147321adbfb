#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace kelmor {

// What a serial line holds for the reader: the replies an instrument has sent or is
// sending, each arriving from its own start time, all at once or spread at a transfer
// rate. Replies arrive one after the other, as on a real line. Storage is fixed at
// construction; bytes beyond it are lost, as in a full chip buffer.
class TimedByteQueue {
  public:
    explicit TimedByteQueue(std::uint32_t capacity);

    // A reply whose first byte arrives at `startMs`, or once the reply before it has
    // arrived; `bytesPerSecond` 0 makes the whole reply arrive at once.
    void BeginReply(std::int64_t startMs, int bytesPerSecond);
    void Push(std::uint8_t byte);

    // Bytes arrived by `nowMs` and not taken yet.
    std::uint32_t Arrived(std::int64_t nowMs) const;
    // Takes up to `count` arrived bytes into `out`; returns how many.
    std::uint32_t Take(std::uint8_t* out, std::uint32_t count, std::int64_t nowMs);
    // When the next byte still on its way arrives; none when nothing is on its way.
    std::optional<std::int64_t> NextArrivalMs(std::int64_t nowMs) const;
    // Drops the bytes that have arrived; those still on their way keep coming.
    void DropArrived(std::int64_t nowMs);
    void Clear();

    // Bytes pushed and taken since construction: positions in the stream of all replies.
    std::uint64_t PushedTotal() const { return pushed_; }
    std::uint64_t TakenTotal() const { return taken_; }

  private:
    struct Reply {
        std::uint64_t begin;
        std::uint64_t end;
        std::int64_t startMs;
        int bytesPerSecond;
    };

    std::uint64_t ArrivedEnd(std::int64_t nowMs) const;
    std::int64_t EndMs(const Reply& reply) const;
    void DropTakenReplies();

    std::vector<std::uint8_t> bytes_;
    std::deque<Reply> replies_;
    std::uint64_t pushed_ = 0;
    std::uint64_t taken_ = 0;
};

}  // namespace kelmor
