#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantoro::encoding {

// Where UTF-8 validation first fails: the length of the valid prefix, and the
// length of the invalid sequence there (absent when the input ends inside a
// sequence that could still be completed).
struct Utf8Failure {
  std::size_t valid_up_to = 0;
  std::optional<std::size_t> invalid_length;
};

[[nodiscard]] std::optional<Utf8Failure> find_utf8_failure(std::span<const std::uint8_t> bytes);

// Checks that `bytes` are valid UTF-8. On failure returns the detail text:
// "invalid utf-8 sequence of {} bytes from index {}" or
// "incomplete utf-8 byte sequence from index {}".
[[nodiscard]] std::optional<std::string> utf8_error(std::span<const std::uint8_t> bytes);

// The text with every invalid sequence replaced by U+FFFD.
[[nodiscard]] std::string to_utf8_lossy(std::string_view text);

}  // namespace vantoro::encoding
