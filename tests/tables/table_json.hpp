#pragma once

// The tables as the fixtures' expect.json describes them: UUIDs hyphenated,
// date-times as RFC 3339, byte strings and fixed byte arrays in hex, a float
// as the hex of its four stored bytes, enums by name, hash sets as sorted
// arrays. Test-only: nothing in the system writes JSON.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "record_encoding/codec.hpp"
#include "share/share_table.hpp"

namespace vantoro::test {

using Json = nlohmann::json;

inline std::string hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", b);
    text += pair;
  }
  return text;
}

template <class T> Json to_json(const T& value);

struct JsonFields {
  Json object = Json::object();
  template <class F, class... D> void operator()(std::string_view name, const F& field, const D&...) {
    object[std::string(name)] = to_json(field);
  }
};

template <class T>
std::string key_text(const T& key) {
  if constexpr (std::same_as<T, Uuid>) return key.to_string();
  else return std::string(enum_names(key)[static_cast<std::size_t>(key)]);
}

template <class T>
Json to_json(const T& value) {
  using namespace encoding;
  if constexpr (std::same_as<T, bool> || std::is_integral_v<T>) {
    return value;
  } else if constexpr (std::same_as<T, float>) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    return hex(bytes);
  } else if constexpr (std::same_as<T, std::string>) {
    return value;
  } else if constexpr (std::same_as<T, Uuid>) {
    return value.to_string();
  } else if constexpr (std::same_as<T, DateTime>) {
    return value.to_rfc3339();
  } else if constexpr (std::same_as<T, share::SharePerm>) {
    return value.value;
  } else if constexpr (NamedEnum<T>) {
    return key_text(value);
  } else if constexpr (IsOptional<T>::value) {
    return value ? to_json(*value) : Json(nullptr);
  } else if constexpr (IsArray<T>::value || IsVector<T>::value || IsSet<T>::value) {
    if constexpr (!IsSet<T>::value && std::same_as<typename T::value_type, std::uint8_t>) {
      return hex(value);
    } else {
      Json array = Json::array();
      for (const auto& element : value) array.push_back(to_json(element));
      if constexpr (IsSet<T>::value) std::sort(array.begin(), array.end());
      return array;
    }
  } else if constexpr (IsMap<T>::value) {
    Json object = Json::object();
    for (const auto& [key, mapped] : value) object[key_text(key)] = to_json(mapped);
    return object;
  } else {
    JsonFields fields;
    visit_fields(fields, const_cast<T&>(value));  // only reads
    return fields.object;
  }
}

}  // namespace vantoro::test
