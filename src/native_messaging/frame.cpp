#include "native_messaging/frame.hpp"

#include <cstring>
#include <limits>
#include <memory>
#include <span>

#include "native_messaging/fd_io.hpp"

namespace vantoro::native_messaging {

std::expected<JsonValue, FrameReadError> read_frame(int fd) {
  std::uint32_t length = 0;
  char length_bytes[frame_length_size];
  if (auto read = read_exact(fd, length_bytes); !read) {
    return std::unexpected(FrameReadError{FrameReadStep::Length, std::move(read.error().text)});
  }
  std::memcpy(&length, length_bytes, sizeof length);
  if (length > max_frame_body_size) return std::unexpected(FrameReadError{FrameReadStep::TooLarge, {}});

  const auto body = std::make_unique_for_overwrite<char[]>(length);
  if (auto read = read_exact(fd, std::span(body.get(), length)); !read) {
    return std::unexpected(FrameReadError{FrameReadStep::Body, std::move(read.error().text)});
  }
  auto value = parse_json(std::string_view(body.get(), length));
  if (!value) return std::unexpected(FrameReadError{FrameReadStep::Json, std::move(value.error().text)});
  return std::move(*value);
}

TextResult<std::string> encode_frame(const JsonValue& value) {
  std::string frame(frame_length_size, '\0');
  if (auto encoded = append_json(frame, value); !encoded) return std::unexpected(encoded.error());
  const std::size_t body_size = frame.size() - frame_length_size;
  if (body_size > std::numeric_limits<std::uint32_t>::max()) {
    return std::unexpected(TextError{"message of " + std::to_string(body_size) + " bytes is too long for a frame"});
  }
  const auto length = static_cast<std::uint32_t>(body_size);
  std::memcpy(frame.data(), &length, sizeof length);
  return frame;
}

}  // namespace vantoro::native_messaging
