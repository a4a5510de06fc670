#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "biometric_auth/biometric_types.hpp"
#include "biometric_auth/platform/keychain.hpp"
#include "biometric_auth/platform/la_context.hpp"

namespace vantoro::biometric_auth {

// Service name of every keychain item the bridge keeps; items under another
// service are not found.
inline constexpr std::string_view kKeychainService = "com.vantoro.biometric";
inline constexpr std::string_view kFallbackTitle = "Use Password";
inline constexpr std::string_view kDefaultReason = "Authenticate to unlock the vault";

// Biometric prompt and keychain storage for the desktop application, reached
// through the C interface of biometric_auth.h.
//
// Every biometric operation makes a fresh platform context and releases it
// before returning; no authentication state carries over between calls. The
// keychain must outlive the manager. Nothing throws on ordinary input:
// outcomes are the enumerations, booleans and status codes below.
//
// Thread safety: operations may be called from several threads; they are not
// serialised, so with concurrent authenticate calls getLastError holds the
// outcome of one of them.
class BiometricAuthManager {
 public:
  struct Availability {
    bool available;
    BiometricType type;
    BiometricError error;
  };

  struct StoreResult {
    bool success;
    platform::OSStatus errorCode;
  };

  static constexpr std::chrono::milliseconds kReplyTimeout = std::chrono::seconds(60);

  BiometricAuthManager(platform::LAContextFactory makeContext, platform::Keychain& keychain,
                       std::chrono::milliseconds replyTimeout = kReplyTimeout);

  // The one manager of the process over the system's services, made on first
  // use (safely when several threads get there at once) and kept until exit.
  [[nodiscard]] static BiometricAuthManager& shared();

  // Does not change getLastError.
  [[nodiscard]] Availability isBiometricAvailable() const;
  // Blocks the calling thread until the user answers the prompt showing
  // `reason`, or for at most the reply timeout, which gives `unknown`.
  [[nodiscard]] BiometricError authenticate(std::string_view reason);
  // Adds the item, or replaces the value of an existing one (whose
  // accessibility is then left as it was). A value that is not UTF-8 gives
  // (false, -50).
  [[nodiscard]] StoreResult storeInKeychain(std::string_view key, std::string_view value);
  [[nodiscard]] std::optional<std::string> retrieveFromKeychain(std::string_view key) const;
  // True when the item was deleted or did not exist.
  [[nodiscard]] bool deleteFromKeychain(std::string_view key);
  // The outcome of the last authenticate call, `success` before the first.
  [[nodiscard]] BiometricError getLastError() const;

 private:
  [[nodiscard]] std::unique_ptr<platform::LAContext> freshContext() const;
  [[nodiscard]] BiometricError awaitEvaluation(platform::LAContext& context,
                                               std::string_view reason) const;

  platform::LAContextFactory makeContext_;
  platform::Keychain& keychain_;
  std::chrono::milliseconds replyTimeout_;
  // Held for the manager's lifetime; the operations use fresh contexts.
  std::unique_ptr<platform::LAContext> context_;
  std::atomic<BiometricError> lastError_{BiometricError::success};
};

}  // namespace vantoro::biometric_auth
