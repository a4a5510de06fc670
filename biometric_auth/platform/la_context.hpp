#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace vantoro::biometric_auth::platform {

// The platform's own biometry type values (not the bridge's BiometricType).
// A context may report a value that is not listed here.
enum class LABiometryType : std::int64_t {
  none = 0,
  touchID = 1,
  faceID = 2,
  opticID = 4,
};

enum class LAPolicy : std::int64_t {
  deviceOwnerAuthenticationWithBiometrics = 1,
};

// Codes of the platform's authentication error domain that the bridge maps.
namespace la_error {
inline constexpr std::int64_t userCancel = -2;
inline constexpr std::int64_t userFallback = -3;
inline constexpr std::int64_t systemCancel = -4;
inline constexpr std::int64_t passcodeNotSet = -5;
inline constexpr std::int64_t biometryNotAvailable = -6;
inline constexpr std::int64_t biometryNotEnrolled = -7;
inline constexpr std::int64_t biometryLockout = -8;
}  // namespace la_error

// Whether an error object comes from the authentication service itself or
// from somewhere else; only the former's codes are in `la_error`.
enum class ErrorDomain { localAuthentication, other };

struct PolicyError {
  ErrorDomain domain;
  std::int64_t code;
};

// The answer of canEvaluatePolicy; `error` may be missing even when the
// answer is no.
struct PolicyCheck {
  bool canEvaluate;
  std::optional<PolicyError> error;
};

// Called exactly once per evaluation, on any thread, possibly long after the
// context that started the evaluation has been released.
using EvaluateReply = std::function<void(bool success, std::optional<PolicyError> error)>;

// One short-lived authentication context of the platform. A context is used
// by one thread; a pending evaluation keeps what its reply needs, so the
// context may be released before the reply arrives.
class LAContext {
 public:
  virtual ~LAContext() = default;

  virtual void setLocalizedFallbackTitle(std::string_view title) = 0;
  [[nodiscard]] virtual LABiometryType biometryType() = 0;
  [[nodiscard]] virtual PolicyCheck canEvaluatePolicy(LAPolicy policy) = 0;
  // Shows the prompt with `localizedReason` and returns at once; the outcome
  // arrives through `reply`.
  virtual void evaluatePolicy(LAPolicy policy, std::string_view localizedReason,
                              EvaluateReply reply) = 0;
};

// Makes a fresh context on every call.
using LAContextFactory = std::function<std::unique_ptr<LAContext>()>;

}  // namespace vantoro::biometric_auth::platform
