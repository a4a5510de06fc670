#pragma once

#include <expected>
#include <filesystem>
#include <string_view>

namespace vantoro::native_messaging {

// Where the desktop application listens when nothing else is found, and the
// one path tried again when connecting to the resolved path fails.
inline constexpr std::string_view fallback_socket_path = "/tmp/quorvel-native.sock";

// The application-group directory shared with the desktop application:
// "group." + the vendor's reverse-DNS prefix + ".ipc".
inline constexpr std::string_view app_group_directory = "group.com.vantoro.ipc";

// Path resolution fails only where Unix-domain sockets are not supported.
enum class IpcPathError { UnsupportedPlatform };

// "IPC path is not supported on this platform"
[[nodiscard]] std::string_view display(IpcPathError error);

// The IPC socket path, from the current environment, first match wins:
//   1. QV_IPC_SOCKET_PATH, trimmed of surrounding whitespace, if not empty;
//   2. QUORVEL_APP_GROUP_CONTAINER without trailing '/', if not empty,
//      joined with "IPC/quorvel-native.sock";
//   3. the home directory (HOME if set and not empty, else the password
//      database) joined with "Library/Group Containers", the application
//      group directory and "IPC/quorvel-native.sock";
//   4. fallback_socket_path.
// A variable that is not valid UTF-8 counts as unset.
[[nodiscard]] std::expected<std::filesystem::path, IpcPathError> resolve_ipc_socket_path();

}  // namespace vantoro::native_messaging
