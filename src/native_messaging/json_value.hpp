#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "native_messaging/text_error.hpp"

namespace vantoro::native_messaging {

// A message: any JSON value. Objects are std::maps, so members are held and
// written in ascending byte order of their keys. Non-negative integers are
// held as u64, negative ones as i64, every other number as a double.
using JsonValue = nlohmann::json;

// Deepest nesting of arrays and objects that parse_json accepts. Writing a
// value recurses once per level, so deeper input is refused up front rather
// than allowed to exhaust the stack later.
inline constexpr std::size_t max_json_depth = 128;

// Parses exactly one JSON value; whitespace around it is allowed, anything
// else after it is not. A key that occurs twice keeps its last value.
// Error: the parser's text (with line and column where it has them).
[[nodiscard]] TextResult<JsonValue> parse_json(std::string_view text);

// Appends the compact encoding of `value` (no spaces or line breaks) to
// `out`. Error: the encoder's text, e.g. for a string that is not UTF-8.
[[nodiscard]] TextResult<void> append_json(std::string& out, const JsonValue& value);

}  // namespace vantoro::native_messaging
