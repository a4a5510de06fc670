#include <gtest/gtest.h>

#include <array>
#include <latch>
#include <thread>

#include "biometric_auth/biometric_auth_manager.hpp"

namespace vantoro::biometric_auth {
namespace {

// Each test runs in a process of its own, so this is the first use of shared.
TEST(SharedManagerTest, ConcurrentFirstUseMakesOneManager) {
  constexpr std::size_t kThreads = 8;
  std::array<BiometricAuthManager*, kThreads> seen{};
  std::latch start(kThreads);
  {
    std::array<std::jthread, kThreads> threads;
    for (std::size_t i = 0; i < kThreads; ++i) {
      threads[i] = std::jthread([&, i] {
        start.arrive_and_wait();
        seen[i] = &BiometricAuthManager::shared();
      });
    }
  }
  for (auto* manager : seen) EXPECT_EQ(manager, &BiometricAuthManager::shared());
}

}  // namespace
}  // namespace vantoro::biometric_auth
