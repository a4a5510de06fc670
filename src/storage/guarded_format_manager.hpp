#pragma once

#include <memory>

#include "format/format_manager.hpp"
#include "storage/async_mutex.hpp"

namespace vantoro::storage {

// The one FormatManager of a storage manager and the lock that guards it.
// Shared by the storage manager and its repository; touch `manager` only
// while holding `mutex`.
struct GuardedFormatManager {
  GuardedFormatManager(const asio::any_io_executor& executor, const Uuid& device_id)
      : mutex(executor), manager(device_id) {}

  AsyncMutex mutex;
  format::FormatManager manager;
};

using SharedFormatManager = std::shared_ptr<GuardedFormatManager>;

}  // namespace vantoro::storage
