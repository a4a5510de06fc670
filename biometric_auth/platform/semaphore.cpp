#include "biometric_auth/platform/semaphore.hpp"

namespace vantoro::biometric_auth::platform {

void Semaphore::signal() {
  {
    const std::lock_guard lock(mutex_);
    ++count_;
  }
  signalled_.notify_one();
}

bool Semaphore::waitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (!signalled_.wait_until(lock, deadline, [this] { return count_ > 0; })) return false;
  --count_;
  return true;
}

}  // namespace vantoro::biometric_auth::platform
