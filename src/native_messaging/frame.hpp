#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>

#include "native_messaging/json_value.hpp"
#include "native_messaging/text_error.hpp"

namespace vantoro::native_messaging {

// A frame, on standard input and output and on the IPC socket alike:
//   offset 0, 4 bytes: body length n, unsigned 32-bit, native byte order
//   offset 4, n bytes: one JSON value as UTF-8 text
inline constexpr std::size_t frame_length_size = 4;

// Largest body accepted when reading (1 MiB). Written frames have no limit
// beyond what the length field holds.
inline constexpr std::uint32_t max_frame_body_size = 1048576;

// The step at which reading a frame failed; each reader names its own texts.
enum class FrameReadStep { Length, TooLarge, Body, Json };

struct FrameReadError {
  FrameReadStep step;
  std::string detail;  // the I/O or parser text; empty for TooLarge
};

// Reads one frame from `fd` and parses its body. The body is read into one
// buffer allocated at the announced size, and parsed where it lies. A length
// above max_frame_body_size fails before anything of the body is read, so
// the input stays positioned inside that frame.
[[nodiscard]] std::expected<JsonValue, FrameReadError> read_frame(int fd);

// The whole frame for `value` (length, then compact body) in one buffer.
// Error: the encoder's text, or a body too long for the length field.
[[nodiscard]] TextResult<std::string> encode_frame(const JsonValue& value);

}  // namespace vantoro::native_messaging
