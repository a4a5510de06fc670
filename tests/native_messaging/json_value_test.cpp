#include "native_messaging/json_value.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantoro::native_messaging {
namespace {

using Kind = JsonValue::value_t;
using ::testing::HasSubstr;

std::string reencoded(std::string_view text) {
  const auto value = parse_json(text);
  if (!value) return "error: " + value.error().text;
  std::string out;
  EXPECT_TRUE(append_json(out, *value));
  return out;
}

TEST(JsonValue, NumbersKeepIntegersExactAndOtherwiseBecomeDoubles) {
  const struct {
    std::string_view text;
    Kind kind;
    std::string_view written;
  } cases[] = {
      {"0", Kind::number_unsigned, "0"},
      {"18446744073709551615", Kind::number_unsigned, "18446744073709551615"},
      {"-9223372036854775808", Kind::number_integer, "-9223372036854775808"},
      {"18446744073709551616", Kind::number_float, "1.8446744073709552e+19"},
      {"-9223372036854775809", Kind::number_float, "-9.223372036854776e+18"},
      {"-0", Kind::number_float, "-0.0"},
      {"1.0", Kind::number_float, "1.0"},
      {"1e2", Kind::number_float, "100.0"},
  };
  for (const auto& c : cases) {
    const auto value = parse_json(c.text);
    ASSERT_TRUE(value) << c.text;
    EXPECT_EQ(value->type(), c.kind) << c.text;
    EXPECT_EQ(reencoded(c.text), c.written);
  }
}

TEST(JsonValue, WritesCompactlyWithKeysInByteOrderAndLastDuplicateWinning) {
  EXPECT_EQ(reencoded(R"( {"b": 1, "a": {"d": [1, 2], "c": null}, "a2": true} )"),
            R"({"a":{"c":null,"d":[1,2]},"a2":true,"b":1})");
  EXPECT_EQ(reencoded(R"({"k": 1, "j": 0, "k": 2})"), R"({"j":0,"k":2})");
  EXPECT_EQ(reencoded("{\"z\":1,\"\xC3\xA9\":2,\"Z\":3}"), "{\"Z\":3,\"z\":1,\"\xC3\xA9\":2}");
  EXPECT_EQ(reencoded(R"(["a\/b\u00e9\n"])"), "[\"a/b\xC3\xA9\\n\"]");
}

TEST(JsonValue, RefusesAnythingButExactlyOneValue) {
  const struct {
    std::string_view text;
    std::string_view detail;
  } cases[] = {
      {"", "line 1, column 1"},
      {"  ", "unexpected end of input"},
      {"[1] x", "line 1, column 5"},
      {"{\"a\":}", "unexpected '}'"},
      {"1e400", "number overflow"},
      {"\"\xFF\"", "invalid string"},
  };
  for (const auto& c : cases) {
    const auto value = parse_json(c.text);
    ASSERT_FALSE(value) << c.text;
    EXPECT_THAT(value.error().text, HasSubstr(c.detail)) << c.text;
  }
}

TEST(JsonValue, NestingIsBoundedSoThatWritingCannotExhaustTheStack) {
  const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  EXPECT_EQ(reencoded(nested(max_json_depth)), nested(max_json_depth));
  EXPECT_EQ(reencoded(nested(max_json_depth + 1)), "error: nesting deeper than 128 levels");
  const auto siblings = "[" + nested(max_json_depth - 1) + "," + nested(max_json_depth - 1) + "]";
  EXPECT_EQ(reencoded(siblings), siblings);
  EXPECT_EQ(reencoded(std::string(1048576, '[')), "error: nesting deeper than 128 levels");
}

TEST(JsonValue, EncoderRefusesTextThatIsNotUtf8) {
  std::string out;
  const auto written = append_json(out, JsonValue("\xFF"));
  ASSERT_FALSE(written);
  EXPECT_THAT(written.error().text, HasSubstr("invalid UTF-8 byte"));
}

}  // namespace
}  // namespace vantoro::native_messaging
