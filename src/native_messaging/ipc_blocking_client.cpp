#include "native_messaging/ipc_blocking_client.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "native_messaging/frame.hpp"
#include "native_messaging/ipc_path.hpp"

namespace vantoro::native_messaging {
namespace {

// The path inside double quotes, with backslash escapes for quotes,
// backslashes and control characters.
std::string quoted(const std::filesystem::path& path) {
  std::string out = "\"";
  for (const char c : path.native()) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

TextResult<uid_t> peer_uid(int fd) {
#ifdef __APPLE__
  uid_t uid = 0;
  gid_t gid = 0;
  if (::getpeereid(fd, &uid, &gid) != 0) return std::unexpected(TextError{os_error_text(errno)});
  return uid;
#else
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
    return std::unexpected(TextError{os_error_text(errno)});
  }
  return credentials.uid;
#endif
}

// Messages carry the user's secrets: nothing is sent to a listener that
// another local user may have put in place.
TextResult<void> check_peer_is_same_user(int fd) {
  const auto uid = peer_uid(fd);
  if (!uid) return std::unexpected(uid.error());
  if (*uid != ::geteuid()) {
    return std::unexpected(TextError{"socket peer runs as another user (uid " + std::to_string(*uid) + ")"});
  }
  return {};
}

TextResult<UniqueFd> connect_to(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string& name = path.native();
  if (name.size() >= sizeof address.sun_path) return std::unexpected(TextError{"socket path is too long"});
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);

  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (socket.get() < 0) return std::unexpected(TextError{os_error_text(errno)});
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return std::unexpected(TextError{os_error_text(errno)});
  }
  if (auto checked = check_peer_is_same_user(socket.get()); !checked) return std::unexpected(checked.error());
  return socket;
}

}  // namespace

TextResult<UniqueFd> connect_ipc_unix_stream() {
  const auto path = resolve_ipc_socket_path();
  if (!path) return std::unexpected(TextError{std::string(display(path.error()))});
  auto first = connect_to(*path);
  const std::filesystem::path fallback(fallback_socket_path);
  if (first || *path == fallback) return first;

  auto second = connect_to(fallback);
  if (second) {
    write_diagnostic("IPC via fallback socket " + quoted(fallback));
    return second;
  }
  return std::unexpected(TextError{"IPC: " + quoted(*path) + ": " + first.error().text + " ; " + quoted(fallback) +
                                   ": " + second.error().text});
}

TextResult<JsonValue> ipc_send_receive(const UniqueFd& stream, const JsonValue& request) {
  const auto frame = encode_frame(request);
  if (!frame) return std::unexpected(frame.error());
  if (auto sent = send_all(stream.get(), *frame); !sent) return std::unexpected(sent.error());

  auto answer = read_frame(stream.get());
  if (answer) return std::move(*answer);
  if (answer.error().step == FrameReadStep::TooLarge) return std::unexpected(TextError{"IPC response too large"});
  return std::unexpected(TextError{std::move(answer.error().detail)});
}

}  // namespace vantoro::native_messaging
