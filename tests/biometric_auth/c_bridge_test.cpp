#include "biometric_auth/c_bridge.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "fake_platform.hpp"

namespace vantoro::biometric_auth {
namespace {

using testing::bytes;
using platform::ErrorDomain;

// The C rules over a manager on fakes; biometric_auth_c_test covers the
// exported functions themselves on the system's services.
class CBridgeTest : public ::testing::Test {
 protected:
  testing::ContextScript script_;
  testing::FakeKeychain keychain_;
  BiometricAuthManager manager_{testing::fakeContexts(script_), keychain_};
};

TEST_F(CBridgeTest, IsAvailableStoresRawValues) {
  script_.biometryType = platform::LABiometryType::faceID;
  script_.check = {false, platform::PolicyError{ErrorDomain::localAuthentication, -8}};
  std::int32_t available = 7, type = 7, error = 7;
  EXPECT_EQ(c_bridge::isAvailable(manager_, &available, &type, &error), 0);
  EXPECT_EQ(available, 0);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(error, -8);

  script_.check = {true, std::nullopt};
  EXPECT_EQ(c_bridge::isAvailable(manager_, &available, &type, &error), 0);
  EXPECT_EQ(available, 1);
  EXPECT_EQ(error, 0);
}

TEST_F(CBridgeTest, AuthenticatePromptsWithTheDefaultReasonForNull) {
  std::int32_t error = 7;
  EXPECT_EQ(c_bridge::authenticate(manager_, nullptr, &error), 1);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(script_.reasons.back(), "Authenticate to unlock the vault");

  script_.onEvaluate = [](platform::EvaluateReply reply) {
    reply(false, platform::PolicyError{ErrorDomain::localAuthentication, -2});
  };
  EXPECT_EQ(c_bridge::authenticate(manager_, "Sign in", &error), 0);
  EXPECT_EQ(error, -3);
  EXPECT_EQ(script_.reasons.back(), "Sign in");
}

TEST_F(CBridgeTest, StorePassesTheKeychainStatusThrough) {
  std::int32_t success = 7;
  EXPECT_EQ(c_bridge::storeKeychain(manager_, "k", "v", &success), 0);
  EXPECT_EQ(success, 1);
  keychain_.addStatus = -34018;
  EXPECT_EQ(c_bridge::storeKeychain(manager_, "k", "v", &success), -34018);
  EXPECT_EQ(success, 0);
  EXPECT_EQ(keychain_.calls.size(), 2u);

  success = 7;
  EXPECT_EQ(c_bridge::storeKeychain(manager_, nullptr, "v", &success), -50);
  EXPECT_EQ(success, 0);
  EXPECT_EQ(keychain_.calls.size(), 2u) << "a NULL argument reaches no keychain";
}

TEST_F(CBridgeTest, RetrieveCopiesTheValueWithItsByteLength) {
  keychain_.copyResult = {0, bytes("p\xC3\xA4ss")};
  char* value = nullptr;
  std::int32_t length = 7;
  ASSERT_EQ(c_bridge::retrieveKeychain(manager_, "k", &value, &length), 0);
  EXPECT_EQ(length, 5);
  EXPECT_STREQ(value, "p\xC3\xA4ss");
  std::free(value);

  // Data that is not UTF-8 is a miss.
  keychain_.copyResult = {0, bytes("\xC0\x80")};
  char untouched = 'x';
  value = &untouched;
  EXPECT_EQ(c_bridge::retrieveKeychain(manager_, "k", &value, &length), -1);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(value, &untouched);
}

TEST_F(CBridgeTest, DeleteReportsFailureOfTheKeychain) {
  std::int32_t success = 7;
  keychain_.deleteStatus = -25308;
  EXPECT_EQ(c_bridge::deleteKeychain(manager_, "k", &success), -1);
  EXPECT_EQ(success, 0);
  keychain_.deleteStatus = -25300;
  EXPECT_EQ(c_bridge::deleteKeychain(manager_, "k", &success), 0);
  EXPECT_EQ(success, 1);
}

}  // namespace
}  // namespace vantoro::biometric_auth
