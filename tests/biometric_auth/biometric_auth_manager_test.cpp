#include "biometric_auth/biometric_auth_manager.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "fake_platform.hpp"

namespace vantoro::biometric_auth {
namespace {

using namespace std::chrono_literals;
using testing::bytes;
using testing::KeychainCall;
using platform::ErrorDomain;
using platform::LABiometryType;
using platform::PolicyError;
using platform::sec_status::duplicateItem;
using platform::sec_status::itemNotFound;

constexpr auto kBiometrics = platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics;
constexpr std::optional<PolicyError> kNoError = std::nullopt;

constexpr PolicyError laError(std::int64_t code) {
  return {ErrorDomain::localAuthentication, code};
}
constexpr PolicyError otherError(std::int64_t code) { return {ErrorDomain::other, code}; }

class BiometricAuthManagerTest : public ::testing::Test {
 protected:
  testing::ContextScript script_;
  testing::ReplyThreads replies_;
  testing::FakeKeychain keychain_;
  BiometricAuthManager manager_{testing::fakeContexts(script_), keychain_};
};

struct AvailabilityCase {
  LABiometryType sensor;
  platform::PolicyCheck check;
  bool available;
  BiometricType type;
  BiometricError error;
};

TEST_F(BiometricAuthManagerTest, AvailabilityMapsSensorAndPolicyCheck) {
  using Sensor = LABiometryType;
  using Type = BiometricType;
  using Error = BiometricError;
  const auto unlisted = static_cast<Sensor>(7);
  const AvailabilityCase cases[] = {
      {Sensor::touchID, {true, kNoError}, true, Type::touchID, Error::success},
      {Sensor::faceID, {true, kNoError}, true, Type::faceID, Error::success},
      {Sensor::opticID, {true, kNoError}, true, Type::opticID, Error::success},
      {Sensor::none, {true, kNoError}, true, Type::touchID, Error::success},
      {unlisted, {true, kNoError}, true, Type::touchID, Error::success},
      {Sensor::none, {false, laError(-8)}, false, Type::touchID, Error::biometryLockout},
      {Sensor::none, {false, laError(-7)}, false, Type::touchID, Error::biometryNotEnrolled},
      {Sensor::none, {false, laError(-6)}, false, Type::none, Error::biometryNotAvailable},
      {Sensor::faceID, {false, laError(-6)}, false, Type::faceID, Error::biometryNotAvailable},
      {Sensor::none, {false, laError(-5)}, false, Type::touchID, Error::passcodeNotSet},
      {Sensor::faceID, {false, laError(-5)}, false, Type::faceID, Error::passcodeNotSet},
      {Sensor::none, {false, laError(-2)}, false, Type::touchID, Error::unknown},
      {Sensor::none, {false, kNoError}, false, Type::touchID, Error::unknown},
      // The code of an error from elsewhere is read all the same.
      {Sensor::none, {false, otherError(-6)}, false, Type::none, Error::biometryNotAvailable},
      {Sensor::none, {false, otherError(-8)}, false, Type::touchID, Error::biometryLockout},
  };
  for (const auto& c : cases) {
    script_.biometryType = c.sensor;
    script_.check = c.check;
    const auto result = manager_.isBiometricAvailable();
    SCOPED_TRACE(::testing::Message() << "sensor " << std::to_underlying(c.sensor) << " error "
                                      << std::to_underlying(c.error));
    EXPECT_EQ(result.available, c.available);
    EXPECT_EQ(result.type, c.type);
    EXPECT_EQ(result.error, c.error);
  }
  EXPECT_EQ(manager_.getLastError(), BiometricError::success);
  EXPECT_TRUE(script_.reasons.empty());
}

struct OutcomeCase {
  std::optional<PolicyError> error;
  BiometricError expected;
};

TEST_F(BiometricAuthManagerTest, AuthenticateMapsWhyThePolicyCannotBeEvaluated) {
  const OutcomeCase cases[] = {
      {laError(-8), BiometricError::biometryLockout},
      {laError(-7), BiometricError::biometryNotEnrolled},
      {laError(-6), BiometricError::biometryNotAvailable},
      {laError(-5), BiometricError::passcodeNotSet},
      {laError(-2), BiometricError::unknown},
      {kNoError, BiometricError::notAvailable},
      {otherError(-6), BiometricError::notAvailable},
  };
  for (const auto& c : cases) {
    script_.check = {false, c.error};
    SCOPED_TRACE(std::to_underlying(c.expected));
    EXPECT_EQ(manager_.authenticate("Unlock"), c.expected);
    EXPECT_EQ(manager_.getLastError(), c.expected);
  }
  EXPECT_TRUE(script_.reasons.empty()) << "no prompt when the policy cannot be evaluated";
}

TEST_F(BiometricAuthManagerTest, AuthenticateMapsTheReplyFromAnotherThread) {
  const OutcomeCase failures[] = {
      {laError(-2), BiometricError::userCancel},
      {laError(-3), BiometricError::userFallback},
      {laError(-4), BiometricError::systemCancel},
      {laError(-8), BiometricError::biometryLockout},
      {laError(-1), BiometricError::unknown},
      {laError(-6), BiometricError::unknown},
      {kNoError, BiometricError::unknown},
      {otherError(-2), BiometricError::unknown},
  };
  for (const auto& c : failures) {
    script_.onEvaluate = replies_.answer(false, c.error);
    SCOPED_TRACE(std::to_underlying(c.expected));
    EXPECT_EQ(manager_.authenticate("Unlock"), c.expected);
    EXPECT_EQ(manager_.getLastError(), c.expected);
  }
  script_.onEvaluate = replies_.answer(true, kNoError);
  EXPECT_EQ(manager_.authenticate("Unlock the vault"), BiometricError::success);
  EXPECT_EQ(manager_.getLastError(), BiometricError::success);
  EXPECT_EQ(script_.reasons.back(), "Unlock the vault");
}

TEST_F(BiometricAuthManagerTest, EveryOperationUsesAFreshContextWithTheFallbackTitle) {
  EXPECT_EQ(script_.contextsMade, 1);  // the manager's own
  (void)manager_.isBiometricAvailable();
  (void)manager_.authenticate("Unlock");
  EXPECT_EQ(script_.contextsMade, 3);
  EXPECT_EQ(script_.fallbackTitles, std::vector<std::string>(3, "Use Password"));
  for (const auto policy : script_.policies) EXPECT_EQ(policy, kBiometrics);
}

TEST_F(BiometricAuthManagerTest, LastErrorFollowsOnlyAuthenticate) {
  EXPECT_EQ(manager_.getLastError(), BiometricError::success);
  script_.onEvaluate = replies_.answer(false, laError(-2));
  EXPECT_EQ(manager_.authenticate("Unlock"), BiometricError::userCancel);
  script_.check = {false, laError(-8)};
  (void)manager_.isBiometricAvailable();
  EXPECT_EQ(manager_.getLastError(), BiometricError::userCancel);
  EXPECT_EQ(manager_.authenticate("Unlock"), BiometricError::biometryLockout);
  EXPECT_EQ(manager_.getLastError(), BiometricError::biometryLockout);
}

TEST_F(BiometricAuthManagerTest, UnansweredPromptTimesOutAndALateReplyChangesNothing) {
  BiometricAuthManager manager(testing::fakeContexts(script_), keychain_, 20ms);
  platform::EvaluateReply pending;
  script_.onEvaluate = [&pending](platform::EvaluateReply reply) { pending = std::move(reply); };

  EXPECT_EQ(manager.authenticate("Unlock"), BiometricError::unknown);
  EXPECT_EQ(manager.getLastError(), BiometricError::unknown);

  // authenticate and its context are gone; the reply still has what it needs.
  std::thread([reply = std::move(pending)] { reply(true, std::nullopt); }).join();
  EXPECT_EQ(manager.getLastError(), BiometricError::unknown);

  script_.onEvaluate = replies_.answer(true, kNoError);
  EXPECT_EQ(manager.authenticate("Unlock"), BiometricError::success);
}

TEST_F(BiometricAuthManagerTest, StoreAddsWithAccessibilityAndUpdatesOnlyTheValue) {
  keychain_.addStatus = duplicateItem;
  const auto result = manager_.storeInKeychain("vault-key", "second");
  EXPECT_TRUE(result.success);
  EXPECT_EQ(result.errorCode, 0);

  const platform::ItemQuery query{platform::ItemClass::genericPassword, "com.vantoro.biometric",
                                  "vault-key"};
  ASSERT_EQ(keychain_.calls.size(), 2u);
  const auto& add = keychain_.calls[0];
  EXPECT_EQ(add.kind, KeychainCall::add);
  EXPECT_EQ(add.query, query);
  EXPECT_EQ(add.attributes.accessible, platform::Accessibility::whenUnlockedThisDeviceOnly);
  EXPECT_EQ(add.attributes.valueData, bytes("second"));
  const auto& update = keychain_.calls[1];
  EXPECT_EQ(update.kind, KeychainCall::update);
  EXPECT_EQ(update.query, query);
  EXPECT_EQ(update.attributes.accessible, std::nullopt);
  EXPECT_EQ(update.attributes.valueData, bytes("second"));
}

TEST_F(BiometricAuthManagerTest, StoreReportsTheLastKeychainStatus) {
  struct Case {
    platform::OSStatus add, update;
    bool success;
    platform::OSStatus code;
    std::size_t calls;
  };
  const Case cases[] = {
      {0, 0, true, 0, 1},
      {-34018, 0, false, -34018, 1},
      {duplicateItem, itemNotFound, false, itemNotFound, 2},
  };
  for (const auto& c : cases) {
    keychain_.calls.clear();
    keychain_.addStatus = c.add;
    keychain_.updateStatus = c.update;
    const auto result = manager_.storeInKeychain("k", "v");
    SCOPED_TRACE(c.add);
    EXPECT_EQ(result.success, c.success);
    EXPECT_EQ(result.errorCode, c.code);
    EXPECT_EQ(keychain_.calls.size(), c.calls);
  }
}

TEST_F(BiometricAuthManagerTest, StoreRefusesAValueThatIsNotUtf8) {
  const auto result = manager_.storeInKeychain("k", "\xC3(");
  EXPECT_FALSE(result.success);
  EXPECT_EQ(result.errorCode, -50);
  EXPECT_TRUE(keychain_.calls.empty());
}

TEST_F(BiometricAuthManagerTest, RetrieveGivesOnlyUtf8DataFoundWithSuccess) {
  struct Case {
    platform::CopyResult found;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {{0, bytes("s\xC3\xA9same")}, "s\xC3\xA9same"},
      {{0, bytes("")}, ""},
      {{0, std::nullopt}, std::nullopt},
      {{0, bytes("\xFF")}, std::nullopt},
      {{itemNotFound, std::nullopt}, std::nullopt},
      {{-25308, bytes("value")}, std::nullopt},
  };
  for (const auto& c : cases) {
    keychain_.copyResult = c.found;
    EXPECT_EQ(manager_.retrieveFromKeychain("vault-key"), c.expected) << c.found.status;
  }
  EXPECT_EQ(keychain_.calls.back().query.account, "vault-key");
  EXPECT_EQ(keychain_.calls.back().query.service, "com.vantoro.biometric");
}

TEST_F(BiometricAuthManagerTest, DeleteSucceedsWhenTheItemIsGoneEitherWay) {
  const std::pair<platform::OSStatus, bool> cases[] = {
      {0, true}, {itemNotFound, true}, {-25308, false}, {-50, false}};
  for (const auto& [status, expected] : cases) {
    keychain_.deleteStatus = status;
    EXPECT_EQ(manager_.deleteFromKeychain("k"), expected) << status;
  }
  EXPECT_EQ(keychain_.calls.back().kind, KeychainCall::deleteItem);
}

}  // namespace
}  // namespace vantoro::biometric_auth
