#pragma once

// Small records used only by the encoding tests: one of every value kind.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "models/date_time.hpp"
#include "models/uuid.hpp"

namespace vantoro::testing {

// The UUID 00 01 02 ... 0f with its first byte replaced.
inline Uuid uuid_with_first_byte(std::uint8_t first) {
  Uuid id;
  for (std::uint8_t i = 0; i < 16; ++i) id.bytes[i] = i;
  id.bytes[0] = first;
  return id;
}

enum class Color : std::uint32_t { Red, Green, Blue };
inline constexpr std::array<std::string_view, 3> color_names{"Red", "Green", "Blue"};
constexpr const auto& enum_names(Color) { return color_names; }

struct Circle {
  static constexpr std::string_view variant_name = "Circle";
  std::uint32_t radius = 0;
  std::optional<std::string> label;
  bool operator==(const Circle&) const = default;
};
template <class V> void visit_fields(V& v, Circle& r) {
  v("radius", r.radius);
  v("label", r.label);
}

struct Square {
  static constexpr std::string_view variant_name = "Square";
  std::uint16_t side = 0;
  bool operator==(const Square&) const = default;
};
template <class V> void visit_fields(V& v, Square& r) { v("side", r.side); }

using Shape = std::variant<Circle, Square>;

// A record with every kind of field; `tags` and `flag` have JSON defaults.
struct Sample {
  Uuid id;
  Color color = Color::Red;
  std::string title;
  Shape shape;
  std::optional<std::string> note;
  std::vector<std::string> tags;
  bool flag = false;
  DateTime when;
  std::optional<DateTime> seen;
  std::array<std::uint8_t, 4> digest{};
  std::vector<std::uint8_t> blob;
  std::map<Uuid, std::uint32_t> counts;
  float ratio = 0;
  std::int16_t delta = 0;
  bool operator==(const Sample&) const = default;
};
template <class V> void visit_fields(V& v, Sample& r) {
  v("id", r.id);
  v("color", r.color);
  v("title", r.title);
  v("shape", r.shape);
  v("note", r.note);
  v("tags", r.tags, std::vector<std::string>{});
  v("flag", r.flag, false);
  v("when", r.when);
  v("seen", r.seen);
  v("digest", r.digest);
  v("blob", r.blob);
  v("counts", r.counts);
  v("ratio", r.ratio);
  v("delta", r.delta);
}

}  // namespace vantoro::testing
