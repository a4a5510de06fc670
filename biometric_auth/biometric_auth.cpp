#include "biometric_auth/biometric_auth.h"

#include <cstdlib>

#include "biometric_auth/c_bridge.hpp"

using vantoro::biometric_auth::BiometricAuthManager;
namespace c_bridge = vantoro::biometric_auth::c_bridge;

extern "C" int32_t biometric_is_available(int32_t* available, int32_t* type,
                                          int32_t* error) noexcept {
  return c_bridge::isAvailable(BiometricAuthManager::shared(), available, type, error);
}

extern "C" int32_t biometric_authenticate(const char* reason, int32_t* error) noexcept {
  return c_bridge::authenticate(BiometricAuthManager::shared(), reason, error);
}

extern "C" int32_t biometric_store_keychain(const char* key, const char* value,
                                            int32_t* success) noexcept {
  return c_bridge::storeKeychain(BiometricAuthManager::shared(), key, value, success);
}

extern "C" int32_t biometric_retrieve_keychain(const char* key, char** value,
                                               int32_t* length) noexcept {
  return c_bridge::retrieveKeychain(BiometricAuthManager::shared(), key, value, length);
}

extern "C" int32_t biometric_delete_keychain(const char* key, int32_t* success) noexcept {
  return c_bridge::deleteKeychain(BiometricAuthManager::shared(), key, success);
}

extern "C" void biometric_free_string(char* string) noexcept { std::free(string); }
