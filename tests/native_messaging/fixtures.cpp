#include "fixtures.hpp"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "native_messaging/frame.hpp"
#include "native_messaging/ipc_path.hpp"

namespace vantoro::native_messaging::testing {

std::string frame_announcing(std::uint32_t length, std::string_view body) {
  std::string out(frame_length_size, '\0');
  for (std::size_t i = 0; i < frame_length_size; ++i) out[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  out.append(body);
  return out;
}

std::string frame(std::string_view body) { return frame_announcing(static_cast<std::uint32_t>(body.size()), body); }

std::vector<JsonValue> split_frames(std::string_view bytes) {
  std::vector<JsonValue> values;
  const auto fd = input_holding(bytes);
  while (true) {
    auto value = read_frame(fd.get());
    if (!value) {
      if (value.error().step != FrameReadStep::Length) throw std::runtime_error("bad frame: " + value.error().detail);
      return values;
    }
    values.push_back(std::move(*value));
  }
}

std::string json_string_of_size(std::size_t size) { return '"' + std::string(size - 2, 'a') + '"'; }

UniqueFd input_holding(std::string_view bytes) {
  UniqueFd fd(::memfd_create("input", MFD_CLOEXEC));
  if (fd.get() < 0 || ::write(fd.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
      ::lseek(fd.get(), 0, SEEK_SET) != 0) {
    throw std::runtime_error("cannot make in-memory input");
  }
  return fd;
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string read_rest(int fd) {
  std::string out;
  char buffer[65536];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
  return out;
}

ScratchDir::ScratchDir() {
  char name[] = "/tmp/qn-XXXXXX";
  if (::mkdtemp(name) == nullptr || ::chmod(name, 0777) != 0) throw std::runtime_error("cannot make scratch dir");
  path_ = name;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

void assign(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

}  // namespace

ScopedEnv::ScopedEnv(std::vector<std::pair<std::string, std::optional<std::string>>> values) {
  for (auto& [name, value] : values) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    assign(name, value);
  }
}

ScopedEnv::~ScopedEnv() {
  for (const auto& [name, value] : saved_) assign(name, value);
}

FallbackSocketLock::FallbackSocketLock()
    : lock_file_(::open("/tmp/quorvel-native.sock.test-lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666)) {
  if (lock_file_.get() < 0 || ::flock(lock_file_.get(), LOCK_EX) != 0) {
    throw std::runtime_error("cannot lock the fallback socket path");
  }
  ::unlink(std::string(fallback_socket_path).c_str());
}

FallbackSocketLock::~FallbackSocketLock() { ::unlink(std::string(fallback_socket_path).c_str()); }

}  // namespace vantoro::native_messaging::testing
