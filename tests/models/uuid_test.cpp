#include "models/uuid.hpp"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

constexpr const char* hyphenated = "67e55044-10b1-426f-9247-bb680e5fe0c8";

TEST(UuidTest, ReadsEveryStandardTextForm) {
  const char* forms[] = {
      "67e55044-10b1-426f-9247-bb680e5fe0c8",
      "67E55044-10B1-426F-9247-BB680E5FE0C8",
      "67e5504410b1426f9247bb680e5fe0c8",
      "{67e55044-10b1-426f-9247-bb680e5fe0c8}",
      "urn:uuid:67e55044-10b1-426f-9247-bb680e5fe0c8",
      "URN:UUID:67e55044-10b1-426f-9247-bb680e5fe0c8",
  };
  for (const char* form : forms) {
    auto id = Uuid::parse(form);
    ASSERT_TRUE(id.has_value()) << form;
    EXPECT_EQ(id->to_string(), hyphenated) << form;
  }
  EXPECT_EQ(Uuid::parse(hyphenated)->bytes[0], 0x67);
  EXPECT_EQ(Uuid::parse(hyphenated)->bytes[15], 0xc8);
}

TEST(UuidTest, RejectsMalformedText) {
  const char* bad[] = {
      "",
      "67e55044-10b1-426f-9247-bb680e5fe0c",     // one digit short
      "67e55044-10b1-426f-9247-bb680e5fe0c8a",   // one digit long
      "67e5504410b1-426f-9247-bb680e5fe0c8-",    // hyphen misplaced
      "67e55044-10b1-426f-9247-bb680e5fe0cg",    // not hex
      "{67e55044-10b1-426f-9247-bb680e5fe0c8",   // unclosed brace
      "urn:uuid:67e5504410b1426f9247bb680e5fe0c8",
  };
  for (const char* text : bad) EXPECT_FALSE(Uuid::parse(text).has_value()) << text;
}

TEST(UuidTest, OrdersByUnsignedBytes) {
  Uuid low, high;
  low.bytes[0] = 0x7f;
  high.bytes[0] = 0x80;
  EXPECT_LT(low, high);
  EXPECT_TRUE(Uuid{}.is_nil());
  EXPECT_FALSE(high.is_nil());
}

}  // namespace
}  // namespace vantoro
