#pragma once

#include <cstdint>
#include <optional>

namespace vantoro::biometric_auth {

// The kind of biometric sensor. Raw values cross the C interface: never renumber.
enum class BiometricType : std::int32_t {
  none = 0,
  touchID = 1,
  faceID = 2,
  opticID = 3,
};

// The outcome of a biometric operation. Raw values cross the C interface and
// are the bridge's own, not the platform's error codes: never renumber.
// `notEnrolled` is part of the interface but no operation produces it.
enum class BiometricError : std::int32_t {
  success = 0,
  notAvailable = -1,
  notEnrolled = -2,
  userCancel = -3,
  userFallback = -4,
  systemCancel = -5,
  passcodeNotSet = -6,
  biometryNotAvailable = -7,
  biometryLockout = -8,
  biometryNotEnrolled = -9,
  unknown = -99,
};

// The case with this raw value, or none when no case has it.
[[nodiscard]] constexpr std::optional<BiometricType> biometricTypeFromRaw(std::int32_t raw) {
  if (raw < 0 || raw > 3) return std::nullopt;
  return static_cast<BiometricType>(raw);
}

// The case with this raw value, or none when no case has it.
[[nodiscard]] constexpr std::optional<BiometricError> biometricErrorFromRaw(std::int32_t raw) {
  if (raw == -99 || (raw >= -9 && raw <= 0)) return static_cast<BiometricError>(raw);
  return std::nullopt;
}

}  // namespace vantoro::biometric_auth
