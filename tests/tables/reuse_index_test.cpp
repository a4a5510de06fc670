#include "stats/reuse_index.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tables_support.hpp"

namespace vantoro::stats {
namespace {

// Every buffer wiped while a test runs: where it was, how long, and whether
// it really was all zeros when the wipe returned.
struct Wipe {
  const std::uint8_t* data;
  std::size_t size;
  bool zeroed;
};
std::vector<Wipe> wipes;

void record_wipe(std::span<const std::uint8_t> bytes) {
  wipes.push_back({bytes.data(), bytes.size(), std::ranges::all_of(bytes, [](std::uint8_t b) { return b == 0; })});
}

class ReuseIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wipes.clear();
    crypto::testing::set_wipe_observer(record_wipe);
  }
  void TearDown() override { crypto::testing::set_wipe_observer(nullptr); }

  static bool was_wiped(const std::uint8_t* data) {
    return std::ranges::any_of(wipes, [&](const Wipe& w) { return w.data == data && w.size == 32 && w.zeroed; });
  }

  static PasswordHash hash(std::uint8_t n) {
    PasswordHash value{};
    value.fill(n);
    return value;
  }

  // Addresses of the stored hashes, which a clear must wipe in place.
  static std::vector<const std::uint8_t*> stored_hashes(const ReuseIndex& index) {
    std::vector<const std::uint8_t*> addresses;
    for (const auto& [stored, count] : index.index()) addresses.push_back(stored.data());
    return addresses;
  }
};

TEST_F(ReuseIndexTest, InitializeReplacesTheKeyAndWipesTheOldOne) {
  ReuseIndex index;
  index.index()[hash(1)] = 2;
  index.initialize(test::master_key(1));
  const std::uint8_t* held = index.hmac_key()->bytes().data();
  wipes.clear();

  index.initialize(test::master_key(2));
  EXPECT_TRUE(was_wiped(held));
  EXPECT_EQ(*index.hmac_key(), test::master_key(2));
  EXPECT_EQ(index.index().at(hash(1)), 2u);
}

TEST_F(ReuseIndexTest, ClearIndexOnlyWipesEveryHashAndKeepsTheKey) {
  ReuseIndex index;
  index.initialize(test::master_key(1));
  for (std::uint8_t n = 1; n <= 3; ++n) index.index()[hash(n)] = n;
  const auto hashes = stored_hashes(index);
  const auto buckets = index.index().bucket_count();

  index.clear_index_only();
  EXPECT_TRUE(index.index().empty());
  EXPECT_EQ(index.index().bucket_count(), buckets);
  for (const std::uint8_t* stored : hashes) EXPECT_TRUE(was_wiped(stored));
  EXPECT_EQ(*index.hmac_key(), test::master_key(1));
}

TEST_F(ReuseIndexTest, ClearWipesHashesAndKeyAndLeavesNoKey) {
  ReuseIndex index;
  index.initialize(test::master_key(1));
  index.index()[hash(1)] = 1;
  const auto hashes = stored_hashes(index);
  const std::uint8_t* held = index.hmac_key()->bytes().data();

  index.clear();
  EXPECT_TRUE(index.index().empty());
  EXPECT_FALSE(index.hmac_key().has_value());
  EXPECT_TRUE(was_wiped(hashes.front()));
  EXPECT_TRUE(was_wiped(held));
  index.clear();  // clearing an empty, unkeyed index is harmless
  EXPECT_FALSE(index.hmac_key().has_value());
}

TEST_F(ReuseIndexTest, ReleasingTheIndexWipesItsKey) {
  const std::uint8_t* held = nullptr;
  {
    ReuseIndex index;
    index.initialize(test::master_key(1));
    held = index.hmac_key()->bytes().data();
  }
  EXPECT_TRUE(was_wiped(held));
}

}  // namespace
}  // namespace vantoro::stats
