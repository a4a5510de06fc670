#include "record_encoding/json_form.hpp"

#include <gtest/gtest.h>

#include "record_encoding/test_records.hpp"

namespace vantoro::testing {
namespace {

using encoding::decode_json_record;

template <class T>
std::expected<T, std::string> decode(std::string_view json) {
  return decode_json_record<T>(std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
}

struct Small {
  std::uint32_t count = 0;
  std::string name;
  std::optional<Color> color;
  bool operator==(const Small&) const = default;
};
template <class V> void visit_fields(V& v, Small& r) {
  v("count", r.count);
  v("name", r.name);
  v("color", r.color);
}

// The members of a JSON Sample, deliberately out of field order and with a
// member the record does not have.
const std::pair<std::string_view, std::string_view> sample_members[] = {
    {"extra", R"({"ignored": [1, 2, {"deep": null}]})"},
    {"delta", "-5"},
    {"id", R"("09010203-0405-0607-0809-0a0b0c0d0e0f")"},
    {"color", R"("Green")"},
    {"title", R"("hello")"},
    {"shape", R"({"Circle": {"radius": 7, "label": "seven"}})"},
    {"note", R"("n")"},
    {"tags", R"(["a", "bc"])"},
    {"flag", "true"},
    {"when", R"("2024-03-05 16:07:09.120+02:00")"},
    {"seen", R"("1970-01-01T00:00:01.000000001Z")"},
    {"digest", "[9, 8, 7, 6]"},
    {"blob", "[1, 2, 3]"},
    {"counts", R"({"01010203-0405-0607-0809-0a0b0c0d0e0f": 10, "{02010203-0405-0607-0809-0a0b0c0d0e0f}": 20})"},
    {"ratio", "0.25"},
};

// The sample as JSON text, one member per line, with `member` given `value`.
std::string sample_json(std::string_view member = {}, std::string_view value = {}) {
  std::string json = "{";
  for (const auto& [name, text] : sample_members) {
    json += (json.size() > 1 ? ",\n  \"" : "\n  \"") + std::string(name) + "\": " + std::string(name == member ? value : text);
  }
  return json + "\n}";
}

TEST(JsonFormTest, ReadsEveryValueKindInAnyMemberOrder) {
  auto decoded = decode<Sample>(sample_json());
  ASSERT_TRUE(decoded.has_value()) << decoded.error();
  EXPECT_EQ(decoded->id, uuid_with_first_byte(9));
  EXPECT_EQ(decoded->color, Color::Green);
  EXPECT_EQ(decoded->title, "hello");
  EXPECT_EQ(decoded->shape, Shape(Circle{7, "seven"}));
  EXPECT_EQ(decoded->note, "n");
  EXPECT_EQ(decoded->tags, (std::vector<std::string>{"a", "bc"}));
  EXPECT_TRUE(decoded->flag);
  EXPECT_EQ(decoded->when.to_rfc3339(), "2024-03-05T14:07:09.120Z");
  EXPECT_EQ(decoded->seen, (DateTime{1, 1}));
  EXPECT_EQ(decoded->digest, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
  EXPECT_EQ(decoded->blob, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(decoded->counts, (std::map<Uuid, std::uint32_t>{{uuid_with_first_byte(1), 10}, {uuid_with_first_byte(2), 20}}));
  EXPECT_EQ(decoded->ratio, 0.25f);
  EXPECT_EQ(decoded->delta, -5);
}

TEST(JsonFormTest, MissingMembersReadAsAbsentOrTheirDefault) {
  auto decoded = decode<Sample>(R"({"id": "090102030405060708090a0b0c0d0e0f", "color": "Red", "title": "t",
      "shape": {"Square": {"side": 3}}, "note": null, "when": "2024-03-05T14:07:09Z",
      "digest": [0, 0, 0, 0], "blob": [], "counts": {}, "ratio": 1, "delta": 0})");
  ASSERT_TRUE(decoded.has_value()) << decoded.error();
  EXPECT_EQ(decoded->note, std::nullopt);
  EXPECT_EQ(decoded->seen, std::nullopt);
  EXPECT_TRUE(decoded->tags.empty());
  EXPECT_FALSE(decoded->flag);
  EXPECT_EQ(decoded->shape, Shape(Square{3}));
}

TEST(JsonFormTest, ErrorsNameTheProblemAndItsPlace) {
  struct Case {
    std::string_view json;
    std::string_view error;
  };
  const Case cases[] = {
      {R"({"name": "x"})", "missing field `count` at line 1 column 13"},
      {R"({"count": 1})", "missing field `name` at line 1 column 12"},
      {"{\n  \"count\": 1\n}", "missing field `name` at line 3 column 1"},
      {R"({"count": "abc", "name": "x"})", R"(invalid type: string "abc", expected u32 at line 1 column 15)"},
      {R"({"count": 1, "name": 5})", "invalid type: integer `5`, expected a string at line 1 column 22"},
      {R"({"count": 1.5, "name": "x"})", "invalid type: floating point `1.5`, expected u32 at line 1 column 13"},
      {R"({"count": null, "name": "x"})", "invalid type: null, expected u32 at line 1 column 14"},
      {R"({"count": 4294967296, "name": "x"})", "invalid value: integer `4294967296`, expected u32 at line 1 column 20"},
      {R"({"count": -1, "name": "x"})", "invalid value: integer `-1`, expected u32 at line 1 column 12"},
      {R"({"count": 1, "name": "x", "color": "Purple"})",
       "unknown variant `Purple`, expected one of `Red`, `Green`, `Blue` at line 1 column 43"},
      {R"({"count": 1, "name": "x", "count": 2})", "duplicate field `count` at line 1 column 33"},
      {"[1, 2]", "invalid type: sequence, expected a map at line 1 column 6"},
      {R"({"count": 1, "name": "x"} x)", "trailing characters at line 1 column 27"},
      {"{\"count\": 1, \"name\": \"x\"}\n\n  }", "trailing characters at line 3 column 3"},
      {"7 8", "trailing characters at line 1 column 3"},
      {R"({"count": })", "expected value at line 1 column 11"},
      {R"({"count" 1})", "expected `:` at line 1 column 10"},
      {"{1: 2}", "key must be a string at line 1 column 2"},
      {R"({"count": tru})", "invalid literal at line 1 column 14"},
      {R"({"count": 1)", "EOF while parsing a value at line 1 column 11"},
      {"{\"count\": 1,\n", "EOF while parsing a value at line 2 column 0"},
      {"", "EOF while parsing a value at line 1 column 0"},
  };
  for (const auto& c : cases) {
    auto decoded = decode<Small>(c.json);
    ASSERT_FALSE(decoded.has_value()) << c.json;
    EXPECT_EQ(decoded.error(), c.error) << c.json;
  }
}

TEST(JsonFormTest, RejectsMalformedValuesOfEachKind) {
  struct Case {
    std::string_view member;
    std::string_view value;
    std::string_view description;
  };
  const Case cases[] = {
      {"id", R"("nope")", R"(invalid value: string "nope", expected a UUID)"},
      {"when", R"("2024-03-05")", "premature end of input"},
      {"when", "5", "invalid type: integer `5`, expected an RFC 3339 date-time string"},
      {"shape", R"({"Triangle": {}})", "unknown variant `Triangle`, expected one of `Circle`, `Square`"},
      {"shape", R"({"Square": {}})", "missing field `side`"},
      {"shape", R"("Square")", R"(invalid type: string "Square", expected a map with a single key)"},
      {"shape", R"({"Square": {"side": 1}, "Circle": {"radius": 1}})", "invalid length 2, expected a map with a single key"},
      {"digest", "[1, 2, 3]", "invalid length 3, expected an array of length 4"},
      {"digest", "[1, 2, 3, 256]", "invalid value: integer `256`, expected u8"},
      {"blob", "{}", "invalid type: map, expected a sequence"},
      {"counts", R"({"x": 1})", R"(invalid value: string "x", expected a UUID)"},
      {"flag", "1", "invalid type: integer `1`, expected a boolean"},
      {"ratio", R"("fast")", R"(invalid type: string "fast", expected f32)"},
      {"ratio", "1e300", "invalid value: floating point `1e+300`, expected f32"},
  };
  for (const auto& c : cases) {
    const std::string json = sample_json(c.member, c.value);
    auto decoded = decode<Sample>(json);
    ASSERT_FALSE(decoded.has_value()) << json;
    EXPECT_EQ(decoded.error().substr(0, decoded.error().find(" at line ")), c.description) << json;
  }
}

TEST(JsonFormTest, MapsWithIntegerKeysAndDeepIgnoredMembers) {
  using Flags = std::map<std::uint16_t, bool>;
  auto flags = decode<Flags>(R"({"2": true, "10": false, "2": false})");
  ASSERT_TRUE(flags.has_value()) << flags.error();
  EXPECT_EQ(*flags, (Flags{{2, false}, {10, false}}));
  EXPECT_EQ(decode<Flags>(R"({"x": true})").error(),
            R"(invalid value: string "x", expected u16 at line 1 column 4)");

  // A deeply nested ignored member neither recurses nor fails.
  std::string deep = R"({"count": 1, "name": "x", "deep": )" + std::string(100'000, '[') + std::string(100'000, ']') + "}";
  EXPECT_EQ(decode<Small>(deep), (Small{1, "x", std::nullopt}));
}

}  // namespace
}  // namespace vantoro::testing
