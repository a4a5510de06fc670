#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantoro::encoding {

// Checks that `bytes` are valid UTF-8. On failure returns the detail text:
// "invalid utf-8 sequence of {} bytes from index {}" or
// "incomplete utf-8 byte sequence from index {}".
[[nodiscard]] std::optional<std::string> utf8_error(std::span<const std::uint8_t> bytes);

}  // namespace vantoro::encoding
