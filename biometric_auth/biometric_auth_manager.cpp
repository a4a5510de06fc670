#include "biometric_auth/biometric_auth_manager.hpp"

#include <cassert>
#include <utility>
#include <vector>

#include "biometric_auth/platform/semaphore.hpp"
#include "biometric_auth/platform/system.hpp"
#include "biometric_auth/utf8.hpp"

namespace vantoro::biometric_auth {
namespace {

namespace la_error = platform::la_error;
namespace sec_status = platform::sec_status;
using platform::ErrorDomain;
using platform::LABiometryType;
using platform::PolicyError;

constexpr platform::LAPolicy kBiometricsPolicy =
    platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics;

BiometricType typeOf(LABiometryType type) {
  switch (type) {
    case LABiometryType::touchID: return BiometricType::touchID;
    case LABiometryType::faceID: return BiometricType::faceID;
    case LABiometryType::opticID: return BiometricType::opticID;
    default: return BiometricType::none;
  }
}

// Why the biometric policy cannot be evaluated.
BiometricError cannotEvaluateError(std::int64_t code) {
  switch (code) {
    case la_error::biometryLockout: return BiometricError::biometryLockout;
    case la_error::biometryNotEnrolled: return BiometricError::biometryNotEnrolled;
    case la_error::biometryNotAvailable: return BiometricError::biometryNotAvailable;
    case la_error::passcodeNotSet: return BiometricError::passcodeNotSet;
    default: return BiometricError::unknown;
  }
}

// The availability check reads the code of any error object.
BiometricError availabilityError(const std::optional<PolicyError>& error) {
  return error ? cannotEvaluateError(error->code) : BiometricError::unknown;
}

// authenticate maps only the authentication service's own errors.
BiometricError authenticationRefusal(const std::optional<PolicyError>& error) {
  if (!error || error->domain != ErrorDomain::localAuthentication) {
    return BiometricError::notAvailable;
  }
  return cannotEvaluateError(error->code);
}

BiometricError evaluationOutcome(bool success, const std::optional<PolicyError>& error) {
  if (success) return BiometricError::success;
  if (!error || error->domain != ErrorDomain::localAuthentication) return BiometricError::unknown;
  switch (error->code) {
    case la_error::userCancel: return BiometricError::userCancel;
    case la_error::userFallback: return BiometricError::userFallback;
    case la_error::systemCancel: return BiometricError::systemCancel;
    case la_error::biometryLockout: return BiometricError::biometryLockout;
    default: return BiometricError::unknown;
  }
}

// Shared by authenticate and the reply, which may come after authenticate
// has stopped waiting and returned; only the reply writes `result` then.
struct PendingEvaluation {
  platform::Semaphore done;
  std::atomic<BiometricError> result{BiometricError::unknown};
};

platform::ItemQuery itemQuery(std::string_view key) {
  return {platform::ItemClass::genericPassword, std::string(kKeychainService), std::string(key)};
}

}  // namespace

BiometricAuthManager::BiometricAuthManager(platform::LAContextFactory makeContext,
                                           platform::Keychain& keychain,
                                           std::chrono::milliseconds replyTimeout)
    : makeContext_(std::move(makeContext)),
      keychain_(keychain),
      replyTimeout_(replyTimeout),
      context_(freshContext()) {}

BiometricAuthManager& BiometricAuthManager::shared() {
  // A function-local static is made exactly once, also when threads race to it.
  static BiometricAuthManager manager(platform::makeSystemContext, platform::systemKeychain());
  return manager;
}

auto BiometricAuthManager::isBiometricAvailable() const -> Availability {
  const auto context = freshContext();
  const BiometricType type = typeOf(context->biometryType());
  const platform::PolicyCheck check = context->canEvaluatePolicy(kBiometricsPolicy);
  if (check.canEvaluate) {
    return {true, type == BiometricType::none ? BiometricType::touchID : type,
            BiometricError::success};
  }
  const BiometricError error = availabilityError(check.error);
  if (type != BiometricType::none) return {false, type, error};
  const bool noSensor = error == BiometricError::biometryNotAvailable;
  return {false, noSensor ? BiometricType::none : BiometricType::touchID, error};
}

BiometricError BiometricAuthManager::authenticate(std::string_view reason) {
  const auto context = freshContext();
  const platform::PolicyCheck check = context->canEvaluatePolicy(kBiometricsPolicy);
  const BiometricError outcome =
      check.canEvaluate ? awaitEvaluation(*context, reason) : authenticationRefusal(check.error);
  lastError_.store(outcome);
  return outcome;
}

BiometricError BiometricAuthManager::awaitEvaluation(platform::LAContext& context,
                                                     std::string_view reason) const {
  // The reply holds its own reference: after a timeout it still has a
  // semaphore to signal and a cell to write, though nobody reads them.
  auto pending = std::make_shared<PendingEvaluation>();
  context.evaluatePolicy(kBiometricsPolicy, reason,
                         [pending](bool success, std::optional<PolicyError> error) {
                           pending->result.store(evaluationOutcome(success, error));
                           pending->done.signal();
                         });
  // The pending evaluation is not cancelled on timeout.
  if (!pending->done.waitUntil(std::chrono::steady_clock::now() + replyTimeout_)) {
    return BiometricError::unknown;
  }
  return pending->result.load();
}

auto BiometricAuthManager::storeInKeychain(std::string_view key, std::string_view value)
    -> StoreResult {
  std::vector<std::uint8_t> data(value.begin(), value.end());
  if (!isValidUtf8(data)) return {false, sec_status::param};
  const platform::ItemQuery query = itemQuery(key);
  platform::OSStatus status = keychain_.add(
      query, {platform::Accessibility::whenUnlockedThisDeviceOnly, data});
  if (status == sec_status::duplicateItem) {
    status = keychain_.update(query, {std::nullopt, std::move(data)});
  }
  return {status == sec_status::success, status};
}

std::optional<std::string> BiometricAuthManager::retrieveFromKeychain(std::string_view key) const {
  const platform::CopyResult found = keychain_.copyMatching(itemQuery(key));
  if (found.status != sec_status::success || !found.data || !isValidUtf8(*found.data)) {
    return std::nullopt;
  }
  return std::string(found.data->begin(), found.data->end());
}

bool BiometricAuthManager::deleteFromKeychain(std::string_view key) {
  const platform::OSStatus status = keychain_.deleteItem(itemQuery(key));
  return status == sec_status::success || status == sec_status::itemNotFound;
}

BiometricError BiometricAuthManager::getLastError() const { return lastError_.load(); }

std::unique_ptr<platform::LAContext> BiometricAuthManager::freshContext() const {
  auto context = makeContext_();
  assert(context != nullptr);
  context->setLocalizedFallbackTitle(kFallbackTitle);
  return context;
}

}  // namespace vantoro::biometric_auth
