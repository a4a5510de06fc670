#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "native_messaging/fd_io.hpp"
#include "native_messaging/json_value.hpp"

namespace vantoro::native_messaging::testing {

// A frame with a little-endian length, as the host reads it on this platform.
[[nodiscard]] std::string frame(std::string_view body);

// A frame whose length field announces `length` bytes, followed by `body`.
[[nodiscard]] std::string frame_announcing(std::uint32_t length, std::string_view body = {});

// The parsed bodies of the frames in `bytes`, which must hold whole frames.
[[nodiscard]] std::vector<JsonValue> split_frames(std::string_view bytes);

// A JSON string of exactly `size` bytes of text (quotes included).
[[nodiscard]] std::string json_string_of_size(std::size_t size);

// A readable descriptor holding `bytes` (an in-memory file at offset 0).
[[nodiscard]] UniqueFd input_holding(std::string_view bytes);

// Writes all of `bytes` to a pipe or file, stopping at the first error.
void write_all(int fd, std::string_view bytes);

// Everything still readable from `fd`.
[[nodiscard]] std::string read_rest(int fd);

// A fresh directory under /tmp that any user may write to (so that a test
// server running as another user can listen there); removed on release.
class ScratchDir {
 public:
  ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir();

  [[nodiscard]] std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) environment variables for one scope.
class ScopedEnv {
 public:
  explicit ScopedEnv(std::vector<std::pair<std::string, std::optional<std::string>>> values);
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv();

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Exclusive use of the fixed fallback socket path among concurrently
// running tests; a stale socket file there is removed on entry and exit.
class FallbackSocketLock {
 public:
  FallbackSocketLock();
  FallbackSocketLock(const FallbackSocketLock&) = delete;
  FallbackSocketLock& operator=(const FallbackSocketLock&) = delete;
  ~FallbackSocketLock();

 private:
  UniqueFd lock_file_;
};

}  // namespace vantoro::native_messaging::testing
