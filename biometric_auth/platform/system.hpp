#pragma once

#include <memory>

#include "biometric_auth/platform/keychain.hpp"
#include "biometric_auth/platform/la_context.hpp"

namespace vantoro::biometric_auth::platform {

// The running system's services. On Linux there is no biometric service: the
// context reports biometry not available, and the keychain is kept in memory
// for the life of the process.
[[nodiscard]] std::unique_ptr<LAContext> makeSystemContext();
[[nodiscard]] Keychain& systemKeychain();

}  // namespace vantoro::biometric_auth::platform
