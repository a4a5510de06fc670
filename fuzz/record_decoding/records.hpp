#pragma once

// The record shapes the decoding fuzz target reads: every value kind, split
// into a record whose encoding is canonical (one byte string per value) and
// one with date-times and a map, which have several encodings per value.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "models/date_time.hpp"
#include "models/uuid.hpp"

namespace vantoro::fuzzing {

enum class Kind : std::uint32_t { First, Second, Third };
inline constexpr std::array<std::string_view, 3> kind_names{"First", "Second", "Third"};
constexpr const auto& enum_names(Kind) { return kind_names; }

struct Leaf {
  static constexpr std::string_view variant_name = "Leaf";
  std::optional<std::string> label;
  std::array<std::uint8_t, 3> tag{};
};
template <class V> void visit_fields(V& v, Leaf& r) {
  v("label", r.label);
  v("tag", r.tag);
}

struct Branch {
  static constexpr std::string_view variant_name = "Branch";
  std::vector<Uuid> ids;
  std::int64_t weight = 0;
};
template <class V> void visit_fields(V& v, Branch& r) {
  v("ids", r.ids);
  v("weight", r.weight);
}

struct Plain {
  Uuid id;
  Kind kind = Kind::First;
  std::string name;
  std::variant<Leaf, Branch> node;
  std::optional<bool> flag;
  std::vector<std::uint8_t> blob;
  std::vector<std::string> tags;
  std::array<std::uint32_t, 2> pair{};
  float ratio = 0;
};
template <class V> void visit_fields(V& v, Plain& r) {
  v("id", r.id);
  v("kind", r.kind);
  v("name", r.name);
  v("node", r.node);
  v("flag", r.flag);
  v("blob", r.blob);
  v("tags", r.tags, std::vector<std::string>{});
  v("pair", r.pair);
  v("ratio", r.ratio);
}

struct Timed {
  DateTime when;
  std::optional<DateTime> seen;
  std::map<Uuid, std::uint16_t> counts;
  std::set<std::uint32_t> marks;
};
template <class V> void visit_fields(V& v, Timed& r) {
  v("when", r.when);
  v("seen", r.seen);
  v("counts", r.counts);
  v("marks", r.marks);
}

}  // namespace vantoro::fuzzing
