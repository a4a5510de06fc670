#include "biometric_auth/platform/memory_keychain.hpp"
#include "biometric_auth/platform/system.hpp"

namespace vantoro::biometric_auth::platform {
namespace {

// A context on a machine without biometric hardware.
class NoBiometryContext final : public LAContext {
 public:
  void setLocalizedFallbackTitle(std::string_view) override {}

  LABiometryType biometryType() override { return LABiometryType::none; }

  PolicyCheck canEvaluatePolicy(LAPolicy) override { return {false, kNotAvailable}; }

  void evaluatePolicy(LAPolicy, std::string_view, EvaluateReply reply) override {
    reply(false, kNotAvailable);
  }

 private:
  static constexpr PolicyError kNotAvailable{ErrorDomain::localAuthentication,
                                             la_error::biometryNotAvailable};
};

}  // namespace

std::unique_ptr<LAContext> makeSystemContext() { return std::make_unique<NoBiometryContext>(); }

Keychain& systemKeychain() {
  static MemoryKeychain keychain;
  return keychain;
}

}  // namespace vantoro::biometric_auth::platform
