#include "record_encoding/codec.hpp"

#include <gtest/gtest.h>

#include <set>
#include <unordered_map>
#include <unordered_set>

#include "record_encoding/test_records.hpp"

namespace vantoro::testing {
namespace {

using encoding::Bytes;
using encoding::DecodeError;
using encoding::decode_record;
using encoding::encode_record;
using encoding::encoded_size;

// "10 00 ff" -> {0x10, 0x00, 0xff}
Bytes hex(std::string_view text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == ' ') continue;
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16)));
  }
  return out;
}
Bytes u64le(std::uint64_t n) {
  Bytes out(8);
  for (auto& byte : out) {
    byte = static_cast<std::uint8_t>(n);
    n >>= 8;
  }
  return out;
}
Bytes ascii(std::string_view text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes uuid_bytes = hex("00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f");
const DateTime march_5 = *DateTime::parse_rfc3339("2024-03-05T14:07:09.120Z");

struct EncodeCase {
  std::string name;
  Bytes actual;
  std::size_t predicted_size;
  Bytes expected;
  bool round_trips;
};

template <class T>
EncodeCase encode_case(std::string name, const T& value, Bytes expected) {
  Bytes bytes = encode_record(value);
  auto back = decode_record<T>(bytes);
  return {std::move(name), bytes, encoded_size(value), std::move(expected), back.has_value() && *back == value};
}

TEST(CodecTest, EncodesEveryValueKindExactly) {
  const Bytes zero8 = u64le(0);
  const EncodeCase cases[] = {
      encode_case("u8", std::uint8_t{0xab}, hex("ab")),
      encode_case("u16", std::uint16_t{0x1234}, hex("34 12")),
      encode_case("u32", std::uint32_t{0x12345678}, hex("78 56 34 12")),
      encode_case("u64", std::uint64_t{0x0102030405060708}, hex("08 07 06 05 04 03 02 01")),
      encode_case("i8", std::int8_t{-1}, hex("ff")),
      encode_case("i16", std::int16_t{-2}, hex("fe ff")),
      encode_case("i32", std::int32_t{-3}, hex("fd ff ff ff")),
      encode_case("i64", std::int64_t{-2}, hex("fe ff ff ff ff ff ff ff")),
      encode_case("f32", 1.5f, hex("00 00 c0 3f")),
      encode_case("true", true, hex("01")),
      encode_case("false", false, hex("00")),
      encode_case("empty text", std::string(), zero8),
      encode_case("text", std::string("h\xc3\xa9"), u64le(3) + hex("68 c3 a9")),
      encode_case("absent text", std::optional<std::string>(), hex("00")),
      encode_case("present empty text", std::optional<std::string>(""), hex("01") + zero8),
      encode_case("present u32", std::optional<std::uint32_t>(7), hex("01 07 00 00 00")),
      encode_case("byte string", Bytes{1, 2, 3}, u64le(3) + hex("01 02 03")),
      encode_case("list", std::vector<std::uint16_t>{1, 2}, u64le(2) + hex("01 00 02 00")),
      encode_case("list of texts", std::vector<std::string>{"a"}, u64le(1) + u64le(1) + ascii("a")),
      encode_case("set", std::set<std::uint16_t>{3, 1}, u64le(2) + hex("01 00 03 00")),
      encode_case("byte array", std::array<std::uint8_t, 4>{1, 2, 3, 4}, hex("01 02 03 04")),
      encode_case("u32 array", std::array<std::uint32_t, 2>{1, 2}, hex("01 00 00 00 02 00 00 00")),
      encode_case("uuid", uuid_with_first_byte(0), hex("10 00 00 00 00 00 00 00") + uuid_bytes),
      encode_case("absent uuid", std::optional<Uuid>(), hex("00")),
      encode_case("present uuid", std::optional<Uuid>(uuid_with_first_byte(0)), hex("01") + u64le(16) + uuid_bytes),
      encode_case("date-time", march_5, u64le(24) + ascii("2024-03-05T14:07:09.120Z")),
      encode_case("present date-time", std::optional<DateTime>(march_5), hex("01") + u64le(24) + ascii("2024-03-05T14:07:09.120Z")),
      encode_case("map in key order", std::map<std::uint32_t, bool>{{2, true}, {1, false}},
                  u64le(2) + hex("01 00 00 00 00 02 00 00 00 01")),
      encode_case("uuid map by unsigned bytes", std::map<Uuid, std::uint8_t>{{uuid_with_first_byte(0xff), 1}, {uuid_with_first_byte(0x01), 2}},
                  u64le(2) + u64le(16) + hex("01") + Bytes(uuid_bytes.begin() + 1, uuid_bytes.end()) + hex("02") + u64le(16) +
                      hex("ff") + Bytes(uuid_bytes.begin() + 1, uuid_bytes.end()) + hex("01")),
      encode_case("unit enum", Color::Blue, hex("02 00 00 00")),
      encode_case("variant with fields", Shape{Circle{5, "x"}}, hex("00 00 00 00 05 00 00 00 01") + u64le(1) + ascii("x")),
      encode_case("second variant", Shape{Square{0x0102}}, hex("01 00 00 00 02 01")),
      encode_case("single-field record", Square{0x0102}, hex("02 01")),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
    EXPECT_EQ(c.predicted_size, c.expected.size());
    EXPECT_TRUE(c.round_trips);
  }
}

Sample sample() {
  Sample s;
  s.id = uuid_with_first_byte(9);
  s.color = Color::Green;
  s.title = "hello";
  s.shape = Circle{7, "seven"};
  s.note = "n";
  s.tags = {"a", "bc"};
  s.flag = true;
  s.when = march_5;
  s.seen = DateTime{1, 1};
  s.digest = {9, 8, 7, 6};
  s.blob = {1, 2, 3};
  s.counts = {{uuid_with_first_byte(1), 10}, {uuid_with_first_byte(2), 20}};
  s.ratio = 0.25f;
  s.delta = -5;
  return s;
}

TEST(CodecTest, IgnoresBytesAfterTheRecord) {
  auto decoded = decode_record<Sample>(encode_record(sample()) + hex("ff ff 02"));
  ASSERT_TRUE(decoded.has_value()) << decoded.error().message;
  EXPECT_EQ(*decoded, sample());
}

TEST(CodecTest, EveryPrefixFailsAsEndOfInput) {
  const Bytes bytes = encode_record(sample());
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    auto decoded = decode_record<Sample>(std::span(bytes).first(cut));
    ASSERT_FALSE(decoded.has_value()) << cut;
    EXPECT_TRUE(decoded.error().end_of_input) << cut;
    EXPECT_TRUE(decoded.error().message == "io error: unexpected end of file" || decoded.error().message == "io error: ")
        << cut << ": " << decoded.error().message;
  }
  // id (24) + color (4) + title length (8), then two of the five title bytes
  EXPECT_EQ(decode_record<Sample>(std::span(bytes).first(38)).error().message, "io error: ");
  EXPECT_EQ(decode_record<Sample>(std::span(bytes).first(30)).error().message, "io error: unexpected end of file");
}

enum class Twenty : std::uint32_t {};
inline constexpr std::array<std::string_view, 20> twenty_names{"V0",  "V1",  "V2",  "V3",  "V4",  "V5",  "V6",
                                                               "V7",  "V8",  "V9",  "V10", "V11", "V12", "V13",
                                                               "V14", "V15", "V16", "V17", "V18", "V19"};
constexpr const auto& enum_names(Twenty) { return twenty_names; }

struct DecodeCase {
  std::string name;
  DecodeError actual;
  std::string message;
  bool end_of_input;
};

template <class T>
DecodeCase decode_case(std::string name, const Bytes& bytes, std::string message, bool end_of_input) {
  auto decoded = decode_record<T>(bytes);
  return {std::move(name), decoded ? DecodeError{false, "decoded"} : decoded.error(), std::move(message), end_of_input};
}

TEST(CodecTest, RejectsBadInputWithTheDecodersMessages) {
  const std::string eof = "io error: unexpected end of file";
  const DecodeCase cases[] = {
      decode_case<bool>("bool 2", hex("02"), "invalid u8 while decoding bool, expected 0 or 1, found 2", false),
      decode_case<std::optional<std::uint8_t>>("option tag 2", hex("02 00"), "tag for enum is not valid, found 2", false),
      decode_case<Twenty>("enum index 20 of 20", hex("14 00 00 00"),
                          "invalid value: integer `20`, expected variant index 0 <= i < 20", false),
      decode_case<Shape>("variant index 2 of 2", hex("02 00 00 00 00 00"),
                         "invalid value: integer `2`, expected variant index 0 <= i < 2", false),
      decode_case<std::string>("invalid utf-8", u64le(1) + hex("ff"),
                               "string is not valid utf8: invalid utf-8 sequence of 1 bytes from index 0", false),
      decode_case<std::string>("incomplete utf-8", u64le(3) + hex("61 e2 82"),
                               "string is not valid utf8: incomplete utf-8 byte sequence from index 1", false),
      decode_case<Uuid>("uuid of 15 bytes", u64le(15) + Bytes(15, 0xaa),
                        "UUID parsing failed: invalid length: expected 16 bytes, found 15", false),
      decode_case<Uuid>("uuid of 17 bytes", u64le(17) + Bytes(17, 0xaa),
                        "UUID parsing failed: invalid length: expected 16 bytes, found 17", false),
      decode_case<DateTime>("month 13", u64le(20) + ascii("2024-13-05T14:07:09Z"), "input is out of range", false),
      decode_case<DateTime>("date-time junk", u64le(4) + ascii("soon"), "input contains invalid characters", false),
      decode_case<std::uint8_t>("empty input", {}, eof, true),
      decode_case<std::uint32_t>("short integer", hex("01 02 03"), eof, true),
      decode_case<std::array<std::uint8_t, 4>>("short array", hex("01 02 03"), eof, true),
      decode_case<std::string>("short length", hex("05 00 00 00"), eof, true),
      decode_case<std::string>("short text", u64le(5) + ascii("ab"), "io error: ", true),
      decode_case<Uuid>("short uuid", u64le(16) + hex("01 02 03"), "io error: ", true),
      decode_case<Bytes>("huge byte string", u64le(1ull << 63) + hex("01"), "io error: ", true),
      // Huge counts reserve at most 1 MiB and then run out of input.
      decode_case<std::vector<Uuid>>("2^60 uuids", u64le(1ull << 60) + u64le(16) + hex("aa bb"), "io error: ", true),
      decode_case<std::vector<std::uint64_t>>("2^62 integers", u64le(1ull << 62), eof, true),
      decode_case<std::vector<std::string>>("2^61 texts", u64le(1ull << 61) + u64le(0), eof, true),
      decode_case<std::map<std::uint32_t, std::uint32_t>>("2^60 map entries", u64le(1ull << 60), eof, true),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual.message, c.message);
    EXPECT_EQ(c.actual.end_of_input, c.end_of_input);
  }
}

TEST(CodecTest, MapsReadInAnyOrderAndTheLaterDuplicateWins) {
  const Bytes bytes = u64le(3) + hex("02 00 00 00 aa  01 00 00 00 bb  02 00 00 00 cc");
  auto decoded = decode_record<std::map<std::uint32_t, std::uint8_t>>(bytes);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, (std::map<std::uint32_t, std::uint8_t>{{1, 0xbb}, {2, 0xcc}}));
}

TEST(CodecTest, HashContainersRoundTrip) {
  const std::unordered_map<std::uint32_t, std::string> map{{1, "a"}, {2, "b"}, {3, "c"}};
  const std::unordered_set<std::uint64_t> set{5, 6, 7};
  EXPECT_EQ((decode_record<std::unordered_map<std::uint32_t, std::string>>(encode_record(map))), map);
  EXPECT_EQ((decode_record<std::unordered_set<std::uint64_t>>(encode_record(set))), set);
  EXPECT_EQ(encoded_size(map), 8 + 3 * (4 + 8 + 1));
}

}  // namespace
}  // namespace vantoro::testing
