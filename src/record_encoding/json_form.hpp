#pragma once

// The JSON form of a record, read only: an object keyed by the field names of
// the record's visit_fields list, in any order, other members ignored. A
// missing optional member reads as absent, a missing member with a default
// (the third visit argument) as that default; any other missing member fails
// with "missing field `name`". Unit enums are their variant names, data enums
// (std::variant) an object with one member named after the variant, UUIDs
// any standard text form, date-times RFC 3339 text, fixed arrays exactly N
// items, lists and sets arrays, maps objects.
//
// Every error reads "<description> at line {} column {}", the place being the
// end of the offending value (of the object, for a missing field).

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <expected>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "record_encoding/codec.hpp"
#include "record_encoding/json_tree.hpp"

namespace vantoro::encoding {

// Walks a parsed tree; keeps the first failure, after which reads do nothing.
class JsonReader {
 public:
  explicit JsonReader(const JsonTree& tree) : tree_(tree) {}

  [[nodiscard]] bool ok() const { return failure_.empty(); }
  [[nodiscard]] const std::string& failure() const { return failure_; }
  [[nodiscard]] const JsonNode& node(std::size_t index) const { return tree_.node(index); }

  // Records "<description> at line {} column {}" for the place `end`.
  void fail(std::string_view description, std::size_t end);
  // "invalid type: string \"abc\", expected u32"
  void invalid_type(const JsonNode& node, std::string_view expected);
  // "invalid value: integer `300`, expected u8"
  void invalid_value(const JsonNode& node, std::string_view expected);
  // "unknown variant `X`, expected one of `A`, `B`"
  void unknown_variant(std::string_view name, std::span<const std::string_view> names, std::size_t end);

  // The node's text, or null after failing with an invalid type.
  [[nodiscard]] const std::string* text(const JsonNode& node, std::string_view expected);

 private:
  const JsonTree& tree_;
  std::string failure_;
};

template <class T> void read_json(JsonReader& in, const JsonNode& node, T& value);

template <class T>
std::string integer_name() {
  return (std::is_signed_v<T> ? "i" : "u") + std::to_string(sizeof(T) * 8);
}

template <class T>
void read_json_integer(JsonReader& in, const JsonNode& node, T& value) {
  auto fits = [&](auto number) {
    if (!std::in_range<T>(number)) return in.invalid_value(node, integer_name<T>());
    value = static_cast<T>(number);
  };
  if (auto* number = std::get_if<std::uint64_t>(&node.value)) return fits(*number);
  if (auto* number = std::get_if<std::int64_t>(&node.value)) return fits(*number);
  in.invalid_type(node, integer_name<T>());
}

template <class T>
void read_json_float(JsonReader& in, const JsonNode& node, T& value) {
  constexpr std::string_view name = sizeof(T) == 4 ? "f32" : "f64";
  if (auto* number = std::get_if<double>(&node.value)) {
    // A double beyond the float's range has no float value to become.
    if (std::abs(*number) > std::numeric_limits<T>::max()) return in.invalid_value(node, name);
    return void(value = static_cast<T>(*number));
  }
  if (auto* number = std::get_if<std::uint64_t>(&node.value)) return void(value = static_cast<T>(*number));
  if (auto* number = std::get_if<std::int64_t>(&node.value)) return void(value = static_cast<T>(*number));
  in.invalid_type(node, name);
}

// Map keys are member names; integer keys are written as decimal text.
template <class K>
void read_json_key(JsonReader& in, const JsonMember& member, K& key) {
  const JsonNode name{member.name_end, member.name};
  if constexpr (std::is_integral_v<K> && !std::same_as<K, bool>) {
    const char* last = member.name.data() + member.name.size();
    auto [end, error] = std::from_chars(member.name.data(), last, key);
    if (error != std::errc{} || end != last) in.invalid_value(name, integer_name<K>());
  } else {
    read_json(in, name, key);
  }
}

// Reads the members that name a field, in the order they appear; a field's
// second member fails with "duplicate field `name`".
struct JsonMemberReader {
  JsonReader& in;
  const JsonMember& member;
  std::vector<std::string_view>& seen;

  template <class F, class... D>
  void operator()(std::string_view name, F& field, const D&...) {
    if (!in.ok() || name != member.name) return;
    if (std::ranges::find(seen, name) != seen.end()) return in.fail("duplicate field `" + std::string(name) + "`", member.name_end);
    seen.push_back(name);
    read_json(in, in.node(member.value), field);
  }
};

// Settles the fields that had no member: absent, their default, or an error
// at the end of the object.
struct JsonMissingFields {
  JsonReader& in;
  const JsonNode& object;
  const std::vector<std::string_view>& seen;

  [[nodiscard]] bool missing(std::string_view name) const { return in.ok() && std::ranges::find(seen, name) == seen.end(); }

  template <class F>
  void operator()(std::string_view name, F& field) {
    if (!missing(name)) return;
    if constexpr (IsOptional<F>::value) {
      field.reset();
    } else {
      in.fail("missing field `" + std::string(name) + "`", object.end);
    }
  }
  template <class F, class D>
  void operator()(std::string_view name, F& field, const D& fallback) {
    if (missing(name)) field = fallback;
  }
};

template <class R>
void read_json_record(JsonReader& in, const JsonNode& node, R& record) {
  const auto* members = std::get_if<JsonObject>(&node.value);
  if (!members) return in.invalid_type(node, "a map");
  std::vector<std::string_view> seen;
  for (const auto& member : *members) {
    JsonMemberReader reader{in, member, seen};
    visit_fields(reader, record);
  }
  JsonMissingFields settle{in, node, seen};
  visit_fields(settle, record);
}

// A data enum: {"VariantName": {fields...}}.
template <class V, std::size_t... I>
void read_json_variant(JsonReader& in, const JsonNode& node, V& value, std::index_sequence<I...>) {
  static constexpr std::array<std::string_view, sizeof...(I)> names{std::variant_alternative_t<I, V>::variant_name...};
  const auto* members = std::get_if<JsonObject>(&node.value);
  if (!members) return in.invalid_type(node, "a map with a single key");
  if (members->size() != 1) return in.fail("invalid length " + std::to_string(members->size()) + ", expected a map with a single key", node.end);
  const JsonMember& member = members->front();
  const auto index = static_cast<std::size_t>(std::ranges::find(names, member.name) - names.begin());
  if (index == names.size()) return in.unknown_variant(member.name, names, member.name_end);
  ((index == I ? read_json(in, in.node(member.value), value.template emplace<I>()) : void()), ...);
}

template <class T>
void read_json(JsonReader& in, const JsonNode& node, T& value) {
  if (!in.ok()) return;
  if constexpr (std::same_as<T, bool>) {
    if (auto* flag = std::get_if<bool>(&node.value)) return void(value = *flag);
    in.invalid_type(node, "a boolean");
  } else if constexpr (std::is_integral_v<T>) {
    read_json_integer(in, node, value);
  } else if constexpr (std::is_floating_point_v<T>) {
    read_json_float(in, node, value);
  } else if constexpr (std::same_as<T, std::string>) {
    if (auto* text = in.text(node, "a string")) value = *text;
  } else if constexpr (std::same_as<T, Uuid>) {
    auto* text = in.text(node, "a UUID string");
    if (!text) return;
    if (auto id = Uuid::parse(*text)) return void(value = *id);
    in.invalid_value(node, "a UUID");
  } else if constexpr (std::same_as<T, DateTime>) {
    auto* text = in.text(node, "an RFC 3339 date-time string");
    if (!text) return;
    auto parsed = DateTime::parse_rfc3339(*text);
    if (!parsed) return in.fail(parsed.error(), node.end);
    value = *parsed;
  } else if constexpr (NamedEnum<T>) {
    auto* text = in.text(node, "a variant name");
    if (!text) return;
    const auto& names = enum_names(T{});
    const auto index = static_cast<std::size_t>(std::ranges::find(names, *text) - names.begin());
    if (index == names.size()) return in.unknown_variant(*text, names, node.end);
    value = static_cast<T>(index);
  } else if constexpr (IsOptional<T>::value) {
    if (std::holds_alternative<std::nullptr_t>(node.value)) return value.reset();
    read_json(in, node, value.emplace());
  } else if constexpr (IsArray<T>::value || IsVector<T>::value || IsSet<T>::value) {
    const auto* items = std::get_if<JsonArray>(&node.value);
    if (!items) return in.invalid_type(node, "a sequence");
    if constexpr (IsArray<T>::value) {
      if (items->size() != value.size()) {
        return in.fail("invalid length " + std::to_string(items->size()) + ", expected an array of length " +
                           std::to_string(value.size()), node.end);
      }
      for (std::size_t i = 0; i < value.size(); ++i) read_json(in, in.node((*items)[i]), value[i]);
    } else {
      value.clear();
      for (std::size_t item : *items) {
        typename T::value_type element{};
        read_json(in, in.node(item), element);
        if (in.ok()) value.insert(value.end(), std::move(element));
      }
    }
  } else if constexpr (IsMap<T>::value) {
    const auto* members = std::get_if<JsonObject>(&node.value);
    if (!members) return in.invalid_type(node, "a map");
    value.clear();
    for (const auto& member : *members) {
      typename T::key_type key{};
      typename T::mapped_type mapped{};
      read_json_key(in, member, key);
      read_json(in, in.node(member.value), mapped);
      if (in.ok()) value.insert_or_assign(std::move(key), std::move(mapped));  // a repeated key: the later wins
    }
  } else if constexpr (IsVariant<T>::value) {
    read_json_variant(in, node, value, std::make_index_sequence<std::variant_size_v<T>>{});
  } else {
    read_json_record(in, node, value);
  }
}

// Parses `bytes` as one JSON value (nothing but whitespace after it) and
// reads the record from it. The error is the reader's message, ending in
// " at line {} column {}".
template <class T>
[[nodiscard]] std::expected<T, std::string> decode_json_record(std::span<const std::uint8_t> bytes) {
  auto tree = JsonTree::parse(bytes);
  if (!tree) return std::unexpected(std::move(tree.error()));
  JsonReader in(*tree);
  T record{};
  read_json(in, tree->root(), record);
  if (!in.ok()) return std::unexpected(in.failure());
  return record;
}

}  // namespace vantoro::encoding
