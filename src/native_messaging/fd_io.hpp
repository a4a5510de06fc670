#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "native_messaging/text_error.hpp"

namespace vantoro::native_messaging {

// Owns one file descriptor and closes it when released. Move-only.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_ = -1;
};

// The operating system's text for `error_number` (strerror).
[[nodiscard]] std::string os_error_text(int error_number);

// Reads exactly `buffer.size()` bytes, waiting as long as it takes.
// Errors: the OS error text, or "unexpected end of file" when the input
// ends first.
[[nodiscard]] TextResult<void> read_exact(int fd, std::span<char> buffer);

// Writes all of `bytes` to a socket. A peer that has gone away gives an
// error, never SIGPIPE.
[[nodiscard]] TextResult<void> send_all(int fd, std::string_view bytes);

// Writes "[quorvel-native] " + `message` and a line break to standard
// error in one write. Diagnostics are best effort: failures are ignored.
void write_diagnostic(std::string_view message);

}  // namespace vantoro::native_messaging
