#include "models/date_time.hpp"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

constexpr std::int64_t march_5_2024_140709 = 1'709'647'629;  // 2024-03-05T14:07:09Z
constexpr std::int64_t year_0 = -62'167'219'200;              // 0000-01-01T00:00:00Z

TEST(DateTimeTest, WritesUtcWithThreeSixOrNineFractionDigits) {
  struct Case {
    DateTime value;
    const char* text;
  };
  const Case cases[] = {
      {{march_5_2024_140709, 120'000'000}, "2024-03-05T14:07:09.120Z"},
      {{march_5_2024_140709, 1'000}, "2024-03-05T14:07:09.000001Z"},
      {{march_5_2024_140709, 1}, "2024-03-05T14:07:09.000000001Z"},
      {{march_5_2024_140709, 0}, "2024-03-05T14:07:09Z"},
      {{march_5_2024_140709, 123'456'789}, "2024-03-05T14:07:09.123456789Z"},
      {{-1, 999'000'000}, "1969-12-31T23:59:59.999Z"},
      {{0, 0}, "1970-01-01T00:00:00Z"},
      {{253'402'300'799, 0}, "9999-12-31T23:59:59Z"},
      {{253'402'300'800, 0}, "+10000-01-01T00:00:00Z"},
      {{year_0, 0}, "0000-01-01T00:00:00Z"},
      {{year_0 - 365 * 86'400, 0}, "-0001-01-01T00:00:00Z"},
      {{march_5_2024_140709 + 35'570, 1'500'000'000}, "2024-03-05T23:59:60.500Z"},  // leap second
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value.to_rfc3339(), c.text);
    auto back = DateTime::parse_rfc3339(c.text);
    ASSERT_TRUE(back.has_value()) << c.text << ": " << back.error();
    EXPECT_EQ(*back, c.value) << c.text;
  }
}

TEST(DateTimeTest, ReadsSeparatorsOffsetsAndFractions) {
  struct Case {
    const char* text;
    std::int64_t seconds;
    std::uint32_t nanos;
  };
  const std::int64_t t = march_5_2024_140709;
  const Case cases[] = {
      {"2024-03-05 14:07:09+02:00", t - 2 * 3600, 0},
      {"2024-03-05t14:07:09z", t, 0},
      {"2024-03-05T14:07:09-05:30", t + 5 * 3600 + 30 * 60, 0},
      {"2024-03-05T14:07:09+23:59", t - 23 * 3600 - 59 * 60, 0},
      {"2024-03-05T14:07:09 \tUtC", t, 0},
      {"2024-03-05T14:07:09Z \n", t, 0},
      {"2024-03-05T14:07:09.5Z", t, 500'000'000},
      {"2024-03-05T14:07:09.123456789999Z", t, 123'456'789},
      {"2024-02-29T00:00:00Z", t - 5 * 86'400 - 14 * 3600 - 7 * 60 - 9, 0},
  };
  for (const auto& c : cases) {
    auto parsed = DateTime::parse_rfc3339(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text << ": " << parsed.error();
    EXPECT_EQ(*parsed, (DateTime{c.seconds, c.nanos})) << c.text;
  }
}

TEST(DateTimeTest, RejectsMalformedTextWithTheReadersTexts) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"", "premature end of input"},
      {"2024-03-05", "premature end of input"},
      {"2024-03-05T14:07:09", "premature end of input"},
      {"2024-03-05T14:07:09.", "premature end of input"},
      {"2024-03-05T14:07:09+02", "premature end of input"},
      {"2024-03-05T14:07:09UT", "premature end of input"},
      {"2024-03-0xT14:07:09Z", "input contains invalid characters"},
      {"2024-3-05T14:07:09Z", "input contains invalid characters"},
      {"2024-03-05X14:07:09Z", "input contains invalid characters"},
      {"2024-03-05T14:07:09.Z", "input contains invalid characters"},
      {"2024-03-05T14:07:09+0200", "input contains invalid characters"},
      {"2024-03-05T14:07:09UTX", "input contains invalid characters"},
      {"2024-03-05T14:07:09Q", "input contains invalid characters"},
      {"2024-13-05T14:07:09Z", "input is out of range"},
      {"2024-02-30T14:07:09Z", "input is out of range"},
      {"2023-02-29T14:07:09Z", "input is out of range"},
      {"2024-03-05T24:00:00Z", "input is out of range"},
      {"2024-03-05T14:60:00Z", "input is out of range"},
      {"2024-03-05T14:07:61Z", "input is out of range"},
      {"2024-03-05T14:07:09+24:00", "input is out of range"},
      {"2024-03-05T14:07:09-24:00", "input is out of range"},
      {"2024-03-05T14:07:09+02:60", "input is out of range"},
      {"+1234567890123-01-01T00:00:00Z", "input is out of range"},
      {"2024-03-05T14:07:09Z x", "trailing input"},
      {"2024-02-30T14:07:09Zx", "trailing input"},
  };
  for (const auto& c : cases) {
    auto parsed = DateTime::parse_rfc3339(c.text);
    ASSERT_FALSE(parsed.has_value()) << c.text;
    EXPECT_EQ(parsed.error(), c.error) << c.text;
  }
}

TEST(DateTimeTest, NowRoundTripsThroughText) {
  const DateTime now = DateTime::now();
  EXPECT_GT(now.seconds, 1'700'000'000);
  EXPECT_LT(now.nanos, 1'000'000'000u);
  EXPECT_EQ(DateTime::parse_rfc3339(now.to_rfc3339()), now);
}

TEST(DateTimeTest, ExtremeInstantsRoundTrip) {
  for (const DateTime value : {DateTime{INT64_MAX, 999'999'999}, DateTime{INT64_MIN, 0}}) {
    EXPECT_EQ(DateTime::parse_rfc3339(value.to_rfc3339()), value) << value.to_rfc3339();
  }
}

}  // namespace
}  // namespace vantoro
