#include "biometric_auth/biometric_types.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace vantoro::biometric_auth {
namespace {

TEST(BiometricTypesTest, RawValuesRoundTripAndOthersGiveNoValue) {
  const std::pair<BiometricType, std::int32_t> types[] = {
      {BiometricType::none, 0}, {BiometricType::touchID, 1},
      {BiometricType::faceID, 2}, {BiometricType::opticID, 3}};
  for (const auto& [type, raw] : types) {
    EXPECT_EQ(std::to_underlying(type), raw);
    EXPECT_EQ(biometricTypeFromRaw(raw), type);
  }
  for (const std::int32_t raw : {-1, 4, 99}) EXPECT_EQ(biometricTypeFromRaw(raw), std::nullopt);

  const std::pair<BiometricError, std::int32_t> errors[] = {
      {BiometricError::success, 0},           {BiometricError::notAvailable, -1},
      {BiometricError::notEnrolled, -2},      {BiometricError::userCancel, -3},
      {BiometricError::userFallback, -4},     {BiometricError::systemCancel, -5},
      {BiometricError::passcodeNotSet, -6},   {BiometricError::biometryNotAvailable, -7},
      {BiometricError::biometryLockout, -8},  {BiometricError::biometryNotEnrolled, -9},
      {BiometricError::unknown, -99}};
  for (const auto& [error, raw] : errors) {
    EXPECT_EQ(std::to_underlying(error), raw);
    EXPECT_EQ(biometricErrorFromRaw(raw), error);
  }
  for (const std::int32_t raw : {1, -10, -98, -100}) {
    EXPECT_EQ(biometricErrorFromRaw(raw), std::nullopt);
  }
}

}  // namespace
}  // namespace vantoro::biometric_auth
