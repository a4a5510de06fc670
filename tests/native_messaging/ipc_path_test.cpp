#include "native_messaging/ipc_path.hpp"

#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "fixtures.hpp"

namespace vantoro::native_messaging {
namespace {

using testing::ScopedEnv;
using Value = std::optional<std::string>;

const std::string group_socket = "Library/Group Containers/group.com.vantoro.ipc/IPC/quorvel-native.sock";

std::string resolved() {
  const auto path = resolve_ipc_socket_path();
  return path ? path->string() : std::string(display(path.error()));
}

TEST(ResolveIpcSocketPath, CandidatesInOrder) {
  const struct {
    std::string name;
    Value socket, container, home;
    std::string expected;
  } cases[] = {
      {"socket variable trimmed", " \t/run/a.sock \n", "/c", "/h", "/run/a.sock"},
      {"socket variable kept inside", "/run/my app.sock", {}, {}, "/run/my app.sock"},
      {"blank socket variable ignored", "  \n", "/c", "/h", "/c/IPC/quorvel-native.sock"},
      {"socket variable not UTF-8 ignored", "/run/\xFF.sock", "/c", "/h", "/c/IPC/quorvel-native.sock"},
      {"container without trailing slashes", {}, "/c/d///", "/h", "/c/d/IPC/quorvel-native.sock"},
      {"container not trimmed", {}, " /c", "/h", " /c/IPC/quorvel-native.sock"},
      {"container of slashes ignored", {}, "///", "/h", "/h/" + group_socket},
      {"home with trailing slash", "", "", "/h/", "/h/" + group_socket},
  };
  for (const auto& c : cases) {
    const ScopedEnv env({{"QV_IPC_SOCKET_PATH", c.socket}, {"QUORVEL_APP_GROUP_CONTAINER", c.container},
                         {"HOME", c.home}});
    EXPECT_EQ(resolved(), c.expected) << c.name;
  }
}

TEST(ResolveIpcSocketPath, HomeFromThePasswordDatabaseWhenHomeIsEmpty) {
  const passwd* entry = ::getpwuid(::getuid());
  ASSERT_NE(entry, nullptr);
  const ScopedEnv env({{"QV_IPC_SOCKET_PATH", {}}, {"QUORVEL_APP_GROUP_CONTAINER", {}}, {"HOME", ""}});
  EXPECT_EQ(resolved(), std::string(entry->pw_dir) + "/" + group_socket);
}

TEST(ResolveIpcSocketPath, FixedPathWhenNoHomeIsKnown) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become a user without a password entry";
  const ScopedEnv env({{"QV_IPC_SOCKET_PATH", {}}, {"QUORVEL_APP_GROUP_CONTAINER", {}}, {"HOME", {}}});
  EXPECT_EXIT(
      {
        if (::setuid(54321) != 0) ::_exit(2);
        ::_exit(resolved() == "/tmp/quorvel-native.sock" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(IpcPathError, DisplayText) {
  EXPECT_EQ(display(IpcPathError::UnsupportedPlatform), "IPC path is not supported on this platform");
}

}  // namespace
}  // namespace vantoro::native_messaging
