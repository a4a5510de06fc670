#include "biometric_auth/c_bridge.hpp"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace vantoro::biometric_auth::c_bridge {
namespace {

constexpr std::int32_t kMissingKey = -1;

std::int32_t flag(bool value) { return value ? 1 : 0; }

}  // namespace

std::int32_t isAvailable(BiometricAuthManager& manager, std::int32_t* available,
                         std::int32_t* type, std::int32_t* error) {
  const auto result = manager.isBiometricAvailable();
  *available = flag(result.available);
  *type = std::to_underlying(result.type);
  *error = std::to_underlying(result.error);
  return 0;
}

std::int32_t authenticate(BiometricAuthManager& manager, const char* reason,
                          std::int32_t* error) {
  const BiometricError result =
      manager.authenticate(reason != nullptr ? std::string_view(reason) : kDefaultReason);
  *error = std::to_underlying(result);
  return flag(result == BiometricError::success);
}

std::int32_t storeKeychain(BiometricAuthManager& manager, const char* key, const char* value,
                           std::int32_t* success) {
  if (key == nullptr || value == nullptr) {
    *success = 0;
    return platform::sec_status::param;
  }
  const auto result = manager.storeInKeychain(key, value);
  *success = flag(result.success);
  return result.errorCode;
}

std::int32_t retrieveKeychain(BiometricAuthManager& manager, const char* key, char** value,
                              std::int32_t* length) {
  *length = 0;
  if (key == nullptr) return kMissingKey;
  const std::optional<std::string> text = manager.retrieveFromKeychain(key);
  // A length the caller cannot be told, or no memory for the copy, is a miss
  // rather than a wrong length.
  if (!text || text->size() > std::numeric_limits<std::int32_t>::max()) return kMissingKey;
  auto* copy = static_cast<char*>(std::malloc(text->size() + 1));
  if (copy == nullptr) return kMissingKey;
  std::memcpy(copy, text->c_str(), text->size() + 1);
  *value = copy;
  *length = static_cast<std::int32_t>(text->size());
  return 0;
}

std::int32_t deleteKeychain(BiometricAuthManager& manager, const char* key,
                            std::int32_t* success) {
  const bool deleted = key != nullptr && manager.deleteFromKeychain(key);
  *success = flag(deleted);
  return deleted ? 0 : kMissingKey;
}

}  // namespace vantoro::biometric_auth::c_bridge
