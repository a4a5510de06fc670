#include "native_messaging/ipc_path.hpp"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace vantoro::native_messaging {
namespace {

constexpr std::string_view socket_file = "IPC/quorvel-native.sock";

// True when `text` is well-formed UTF-8: shortest forms only, no UTF-16
// surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;
      high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;
      high = lead == 0xF4 ? 0x8F : 0xBF;
    } else if (lead >= 0x80) {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

std::optional<std::string_view> utf8_variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || !is_valid_utf8(value)) return std::nullopt;
  return std::string_view(value);
}

std::optional<std::filesystem::path> from_socket_variable() {
  auto value = utf8_variable("QV_IPC_SOCKET_PATH");
  if (!value) return std::nullopt;
  constexpr std::string_view whitespace = " \t\n\v\f\r";
  const auto first = value->find_first_not_of(whitespace);
  if (first == std::string_view::npos) return std::nullopt;
  return std::filesystem::path(value->substr(first, value->find_last_not_of(whitespace) - first + 1));
}

std::optional<std::filesystem::path> from_container_variable() {
  auto value = utf8_variable("QUORVEL_APP_GROUP_CONTAINER");
  if (!value) return std::nullopt;
  const auto last = value->find_last_not_of('/');
  if (last == std::string_view::npos) return std::nullopt;
  return std::filesystem::path(value->substr(0, last + 1)) / socket_file;
}

std::optional<std::filesystem::path> home_directory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr || *found->pw_dir == '\0') {
    return std::nullopt;
  }
  return found->pw_dir;
}

}  // namespace

std::string_view display(IpcPathError error) {
  switch (error) {
    case IpcPathError::UnsupportedPlatform:
      return "IPC path is not supported on this platform";
  }
  return {};
}

std::expected<std::filesystem::path, IpcPathError> resolve_ipc_socket_path() {
  if (auto path = from_socket_variable()) return *path;
  if (auto path = from_container_variable()) return *path;
  if (auto home = home_directory()) return *home / "Library/Group Containers" / app_group_directory / socket_file;
  return std::filesystem::path(fallback_socket_path);
}

}  // namespace vantoro::native_messaging
