#pragma once

#include <mutex>

namespace kelmor {

// A reference that holds its owner's lock for as long as it lives: `bus.Kelmor()->SetSilent(
// true)` changes the instrument under the lock of the bus, for the length of the
// statement. A reference taken through it (`Memory()`) is safe only while nothing else
// runs on the bus.
template <typename T>
class Locked {
  public:
    Locked(std::mutex& mutex, T& value) : lock_(mutex), value_(value) {}

    T* operator->() const { return &value_; }
    T& operator*() const { return value_; }

  private:
    std::unique_lock<std::mutex> lock_;
    T& value_;
};

}  // namespace kelmor
