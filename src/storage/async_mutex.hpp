#pragma once

#include <utility>

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/experimental/concurrent_channel.hpp>
#include <asio/use_awaitable.hpp>

namespace vantoro::storage {

// An asynchronous mutual-exclusion lock: a task that waits for it suspends
// instead of blocking its thread. Built on a channel of capacity one: sending
// takes the lock (it suspends while the slot is full), receiving frees it.
// Not reentrant; release it before awaiting anything else that may lock.
class AsyncMutex {
 public:
  explicit AsyncMutex(const asio::any_io_executor& executor) : slot_(executor, 1) {}

  class Guard {
   public:
    explicit Guard(AsyncMutex& mutex) : mutex_(&mutex) {}
    Guard(Guard&& other) noexcept : mutex_(std::exchange(other.mutex_, nullptr)) {}
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    Guard& operator=(Guard&&) = delete;
    ~Guard() {
      if (mutex_) mutex_->unlock();
    }

   private:
    AsyncMutex* mutex_;
  };

  // Suspends until the lock is free; the guard releases it.
  [[nodiscard]] asio::awaitable<Guard> lock() {
    co_await slot_.async_send(asio::error_code{}, true, asio::use_awaitable);
    co_return Guard(*this);
  }

 private:
  void unlock() {
    slot_.try_receive([](asio::error_code, bool) {});
  }

  // The two-argument signature avoids an overload ambiguity of this Asio
  // version with a lone error_code.
  asio::experimental::concurrent_channel<void(asio::error_code, bool)> slot_;
};

}  // namespace vantoro::storage
