#pragma once

#include <map>
#include <mutex>

#include "biometric_auth/platform/keychain.hpp"

namespace vantoro::biometric_auth::platform {

// A keychain kept in memory for the life of the object, with the status codes
// of the real one. Used where the platform has no keychain service.
// Thread safe.
class MemoryKeychain final : public Keychain {
 public:
  [[nodiscard]] OSStatus add(const ItemQuery& query, const ItemAttributes& attributes) override;
  [[nodiscard]] OSStatus update(const ItemQuery& query, const ItemAttributes& changes) override;
  [[nodiscard]] CopyResult copyMatching(const ItemQuery& query) override;
  [[nodiscard]] OSStatus deleteItem(const ItemQuery& query) override;

 private:
  std::mutex mutex_;
  std::map<ItemQuery, ItemAttributes> items_;
};

}  // namespace vantoro::biometric_auth::platform
