#include "biometric_auth/platform/memory_keychain.hpp"

namespace vantoro::biometric_auth::platform {

OSStatus MemoryKeychain::add(const ItemQuery& query, const ItemAttributes& attributes) {
  const std::lock_guard lock(mutex_);
  return items_.try_emplace(query, attributes).second ? sec_status::success
                                                      : sec_status::duplicateItem;
}

OSStatus MemoryKeychain::update(const ItemQuery& query, const ItemAttributes& changes) {
  const std::lock_guard lock(mutex_);
  const auto item = items_.find(query);
  if (item == items_.end()) return sec_status::itemNotFound;
  if (changes.accessible) item->second.accessible = changes.accessible;
  if (changes.valueData) item->second.valueData = changes.valueData;
  return sec_status::success;
}

CopyResult MemoryKeychain::copyMatching(const ItemQuery& query) {
  const std::lock_guard lock(mutex_);
  const auto item = items_.find(query);
  if (item == items_.end()) return {sec_status::itemNotFound, std::nullopt};
  return {sec_status::success, item->second.valueData};
}

OSStatus MemoryKeychain::deleteItem(const ItemQuery& query) {
  const std::lock_guard lock(mutex_);
  return items_.erase(query) == 1 ? sec_status::success : sec_status::itemNotFound;
}

}  // namespace vantoro::biometric_auth::platform
