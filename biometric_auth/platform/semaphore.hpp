#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vantoro::biometric_auth::platform {

// A counting semaphore that starts at zero: one thread waits, with a deadline,
// for another to signal. Safe to use from any number of threads.
class Semaphore {
 public:
  void signal();
  // True when a signal was taken, false when the deadline passed first.
  [[nodiscard]] bool waitUntil(std::chrono::steady_clock::time_point deadline);

 private:
  std::mutex mutex_;
  std::condition_variable signalled_;
  int count_ = 0;
};

}  // namespace vantoro::biometric_auth::platform
