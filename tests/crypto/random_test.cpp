#include "crypto/random.hpp"

#include <gtest/gtest.h>

namespace vantoro::crypto {
namespace {

TEST(Random, UuidsAreVersion4AndDistinct) {
  const Uuid a = random_uuid();
  const Uuid b = random_uuid();
  EXPECT_NE(a, b);
  for (const Uuid& id : {a, b}) {
    EXPECT_EQ(id.bytes[6] >> 4, 4);
    EXPECT_EQ(id.bytes[8] >> 6, 0b10);
  }
}

TEST(Random, FillsEveryByteRequested) {
  // 64 random bytes that are all zero would be a 2^-512 event.
  const auto bytes = random_array<64>();
  EXPECT_NE(bytes, (std::array<std::uint8_t, 64>{}));
  EXPECT_NE(random_array<64>(), bytes);
}

}  // namespace
}  // namespace vantoro::crypto
