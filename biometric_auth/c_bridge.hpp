#pragma once

#include <cstdint>

#include "biometric_auth/biometric_auth_manager.hpp"

// The rules of the C interface (biometric_auth.h) over any manager: the
// exported functions apply them to BiometricAuthManager::shared(). Argument
// conversion, NULL handling and result conversion live here; nothing is kept.
namespace vantoro::biometric_auth::c_bridge {

[[nodiscard]] std::int32_t isAvailable(BiometricAuthManager& manager, std::int32_t* available,
                                       std::int32_t* type, std::int32_t* error);
[[nodiscard]] std::int32_t authenticate(BiometricAuthManager& manager, const char* reason,
                                        std::int32_t* error);
[[nodiscard]] std::int32_t storeKeychain(BiometricAuthManager& manager, const char* key,
                                         const char* value, std::int32_t* success);
[[nodiscard]] std::int32_t retrieveKeychain(BiometricAuthManager& manager, const char* key,
                                            char** value, std::int32_t* length);
[[nodiscard]] std::int32_t deleteKeychain(BiometricAuthManager& manager, const char* key,
                                          std::int32_t* success);

}  // namespace vantoro::biometric_auth::c_bridge
