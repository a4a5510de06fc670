#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "biometric_auth/platform/keychain.hpp"
#include "biometric_auth/platform/la_context.hpp"

namespace vantoro::biometric_auth::testing {

namespace platform = vantoro::biometric_auth::platform;

// What every fake context answers, and what the bridge asked of them.
struct ContextScript {
  platform::LABiometryType biometryType = platform::LABiometryType::none;
  platform::PolicyCheck check{true, std::nullopt};
  // Called with the reply of each evaluation; the default answers success.
  std::function<void(platform::EvaluateReply)> onEvaluate = [](platform::EvaluateReply reply) {
    reply(true, std::nullopt);
  };

  int contextsMade = 0;
  std::vector<std::string> fallbackTitles;
  std::vector<platform::LAPolicy> policies;
  std::vector<std::string> reasons;
};

class FakeContext final : public platform::LAContext {
 public:
  explicit FakeContext(ContextScript& script) : script_(script) {}

  void setLocalizedFallbackTitle(std::string_view title) override {
    script_.fallbackTitles.emplace_back(title);
  }
  platform::LABiometryType biometryType() override { return script_.biometryType; }
  platform::PolicyCheck canEvaluatePolicy(platform::LAPolicy policy) override {
    script_.policies.push_back(policy);
    return script_.check;
  }
  void evaluatePolicy(platform::LAPolicy policy, std::string_view reason,
                      platform::EvaluateReply reply) override {
    script_.policies.push_back(policy);
    script_.reasons.emplace_back(reason);
    script_.onEvaluate(std::move(reply));
  }

 private:
  ContextScript& script_;
};

inline platform::LAContextFactory fakeContexts(ContextScript& script) {
  return [&script] {
    ++script.contextsMade;
    return std::make_unique<FakeContext>(script);
  };
}

// Answers evaluations from other threads, as the platform does; joins them
// when it goes.
class ReplyThreads {
 public:
  std::function<void(platform::EvaluateReply)> answer(bool success,
                                                      std::optional<platform::PolicyError> error) {
    return [this, success, error](platform::EvaluateReply reply) {
      threads_.emplace_back([reply = std::move(reply), success, error] { reply(success, error); });
    };
  }

 private:
  std::vector<std::jthread> threads_;
};

struct KeychainCall {
  enum Kind { add, update, copyMatching, deleteItem } kind;
  platform::ItemQuery query;
  platform::ItemAttributes attributes;
};

// Answers every call with a scripted status and records it.
class FakeKeychain final : public platform::Keychain {
 public:
  platform::OSStatus addStatus = platform::sec_status::success;
  platform::OSStatus updateStatus = platform::sec_status::success;
  platform::OSStatus deleteStatus = platform::sec_status::success;
  platform::CopyResult copyResult{platform::sec_status::itemNotFound, std::nullopt};
  std::vector<KeychainCall> calls;

  platform::OSStatus add(const platform::ItemQuery& query,
                         const platform::ItemAttributes& attributes) override {
    calls.push_back({KeychainCall::add, query, attributes});
    return addStatus;
  }
  platform::OSStatus update(const platform::ItemQuery& query,
                            const platform::ItemAttributes& changes) override {
    calls.push_back({KeychainCall::update, query, changes});
    return updateStatus;
  }
  platform::CopyResult copyMatching(const platform::ItemQuery& query) override {
    calls.push_back({KeychainCall::copyMatching, query, {}});
    return copyResult;
  }
  platform::OSStatus deleteItem(const platform::ItemQuery& query) override {
    calls.push_back({KeychainCall::deleteItem, query, {}});
    return deleteStatus;
  }
};

inline std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace vantoro::biometric_auth::testing
