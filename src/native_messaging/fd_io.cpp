#include "native_messaging/fd_io.hpp"

#include <cerrno>
#include <system_error>

#include <sys/socket.h>
#include <unistd.h>

namespace vantoro::native_messaging {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) ::close(fd_);
}

std::string os_error_text(int error_number) {
  return std::generic_category().message(error_number);
}

TextResult<void> read_exact(int fd, std::span<char> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0) {
      return std::unexpected(TextError{"unexpected end of file"});
    } else if (errno != EINTR) {
      return std::unexpected(TextError{os_error_text(errno)});
    }
  }
  return {};
}

TextResult<void> send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
    } else if (errno != EINTR) {
      return std::unexpected(TextError{os_error_text(errno)});
    }
  }
  return {};
}

void write_diagnostic(std::string_view message) {
  std::string line = "[quorvel-native] ";
  line.append(message);
  line.push_back('\n');
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace vantoro::native_messaging
