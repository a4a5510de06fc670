#include "crypto/secret.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <vector>

namespace vantoro::crypto {
namespace {

// Records every wipe the secret types report, reading the buffer through a
// volatile pointer while it is still allocated.
struct WipeLog {
  static inline std::vector<std::pair<const void*, bool>> wipes;  // address, all zero

  static void observe(std::span<const std::uint8_t> wiped) {
    const volatile std::uint8_t* bytes = wiped.data();
    bool zero = true;
    for (std::size_t i = 0; i < wiped.size(); ++i) zero = zero && bytes[i] == 0;
    wipes.emplace_back(wiped.data(), zero);
  }
  static bool wiped_to_zero(const void* address) {
    return std::ranges::any_of(wipes, [&](const auto& w) { return w.first == address && w.second; });
  }
};

class SecretWipe : public ::testing::Test {
 protected:
  void SetUp() override {
    WipeLog::wipes.clear();
    testing::set_wipe_observer(&WipeLog::observe);
  }
  void TearDown() override { testing::set_wipe_observer(nullptr); }
};

TEST_F(SecretWipe, SecretBytesWipesOnReleaseClearAndAssignment) {
  const void* address = nullptr;
  {
    SecretBytes secret(std::vector<std::uint8_t>(100, 0xAB));
    address = secret.data();
  }
  EXPECT_TRUE(WipeLog::wiped_to_zero(address));

  SecretBytes target(std::vector<std::uint8_t>(50, 0xCD));
  address = target.data();
  target = SecretBytes(std::vector<std::uint8_t>(10, 1));
  EXPECT_TRUE(WipeLog::wiped_to_zero(address));

  address = target.data();
  target.clear();
  EXPECT_TRUE(WipeLog::wiped_to_zero(address));
  EXPECT_TRUE(target.empty());
}

TEST_F(SecretWipe, ShrinkWipesTheCutTail) {
  SecretBytes secret(std::vector<std::uint8_t>(20, 0xEE));
  secret.shrink(5);
  EXPECT_EQ(secret.size(), 5u);
  EXPECT_EQ(secret.span()[4], 0xEE);
  EXPECT_TRUE(WipeLog::wiped_to_zero(secret.data() + 5));
}

TEST_F(SecretWipe, SecretStringWipesItsBufferAndTheAdoptedSource) {
  const std::string long_text(64, 'p');  // past any inline buffer
  const void* address = nullptr;
  {
    SecretString secret(long_text);
    address = secret.view().data();
  }
  EXPECT_TRUE(WipeLog::wiped_to_zero(address));

  std::string source = "short pw";  // lives inside the string object
  const void* inline_buffer = source.data();
  SecretString adopted(std::move(source));
  EXPECT_EQ(adopted.view(), "short pw");
  EXPECT_TRUE(WipeLog::wiped_to_zero(inline_buffer));
}

TEST_F(SecretWipe, KeyWipesOnRelease) {
  alignas(Key) std::array<std::uint8_t, sizeof(Key)> storage{};
  auto* key = new (storage.data()) Key(std::array<std::uint8_t, 32>{1, 2, 3});
  key->~Key();
  EXPECT_TRUE(WipeLog::wiped_to_zero(storage.data()));
}

TEST(SecretBytes, MoveHandsOverTheBuffer) {
  SecretBytes source(std::vector<std::uint8_t>{1, 2, 3});
  const auto* address = source.data();
  SecretBytes target(std::move(source));
  EXPECT_EQ(target.data(), address);
  EXPECT_TRUE(source.empty());  // NOLINT(bugprone-use-after-move): checking the moved-from state
  EXPECT_EQ(target.clone().span()[2], 3);
}

}  // namespace
}  // namespace vantoro::crypto
