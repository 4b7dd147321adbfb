#pragma once

// A test of something that must not block fails instead of hanging: when the scope takes
// longer than its limit, the test program ends with a message.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace kelmor::testing {

class TimeLimit {
  public:
    TimeLimit(std::chrono::seconds limit, const char* what)
        : watcher_([this, limit, what] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!ended_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s took longer than %lld s: it blocks\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}

    ~TimeLimit() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        watcher_.join();
    }

    TimeLimit(const TimeLimit&) = delete;
    TimeLimit& operator=(const TimeLimit&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watcher_;  // last: starts once the members it uses exist
};

}  // namespace kelmor::testing
