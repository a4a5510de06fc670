#include "native_messaging/ipc_blocking_client.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "fixtures.hpp"
#include "native_messaging/ipc_path.hpp"
#include "test_server.hpp"

namespace vantoro::native_messaging {
namespace {

using testing::FallbackSocketLock;
using testing::frame;
using testing::frame_announcing;
using testing::TestServer;
using ::testing::StartsWith;

constexpr uid_t nobody = 65534;

class IpcClientTest : public ::testing::Test {
 protected:
  // The answer to `request` re-encoded, or the error text.
  static std::string exchange(const JsonValue& request) {
    const auto stream = connect_ipc_unix_stream();
    if (!stream) return "connect: " + stream.error().text;
    const auto answer = ipc_send_receive(*stream, request);
    return answer ? answer->dump() : answer.error().text;
  }

  static std::string connect_error() {
    const auto stream = connect_ipc_unix_stream();
    return stream ? "connected" : stream.error().text;
  }

  std::string unreachable(const std::string& reason) const {
    return "IPC: \"" + primary_.string() + "\": " + reason + " ; \"/tmp/quorvel-native.sock\": " +
           "No such file or directory";
  }

  testing::ScratchDir dir_;
  std::filesystem::path primary_ = dir_ / "app.sock";
  testing::ScopedEnv env_{{{"QV_IPC_SOCKET_PATH", primary_.string()}, {"QUORVEL_APP_GROUP_CONTAINER", {}}}};
};

TEST_F(IpcClientTest, ExchangesWithTheApplication) {
  const std::string limit_answer = testing::json_string_of_size(1048576);
  const struct {
    std::string name;
    TestServer::Handler handler;
    std::string expected;
  } cases[] = {
      {"answer", testing::echo_handler(), R"({"connection":0,"request":{"a":1,"id":3}})"},
      {"largest answer", testing::raw_answer_handler(frame(limit_answer)), limit_answer},
      {"closed without answering", testing::close_handler(), "unexpected end of file"},
      {"closed inside the answer", testing::raw_answer_handler(frame_announcing(9, "[1")), "unexpected end of file"},
      {"oversized answer", testing::raw_answer_handler(frame_announcing(1048577)), "IPC response too large"},
      {"malformed answer", testing::raw_answer_handler(frame("{")), "[json.exception.parse_error.101] parse error"},
  };
  for (const auto& c : cases) {
    const TestServer server(primary_, c.handler);
    EXPECT_THAT(exchange(JsonValue::parse(R"({"id":3,"a":1})")), StartsWith(c.expected)) << c.name;
  }
}

TEST_F(IpcClientTest, FallsBackToTheFixedSocket) {
  const FallbackSocketLock lock;
  const TestServer server(fallback_socket_path, testing::echo_handler());
  EXPECT_EQ(exchange(JsonValue::array()), R"({"connection":0,"request":[]})");
}

TEST_F(IpcClientTest, ConnectFailures) {
  const FallbackSocketLock lock;
  EXPECT_EQ(connect_error(), unreachable("No such file or directory"));
  {
    const testing::ScopedEnv too_long({{"QV_IPC_SOCKET_PATH", "/tmp/" + std::string(120, 'x')}});
    EXPECT_THAT(connect_error(), StartsWith("IPC: \"/tmp/xxx"));
    EXPECT_THAT(connect_error(), ::testing::HasSubstr("\": socket path is too long ; "));
  }
  {
    const testing::ScopedEnv at_fallback({{"QV_IPC_SOCKET_PATH", std::string(fallback_socket_path)}});
    EXPECT_EQ(connect_error(), "No such file or directory");
  }
}

TEST_F(IpcClientTest, RefusesAPeerRunningAsAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the server as another user";
  const FallbackSocketLock lock;
  const std::string refused = "socket peer runs as another user (uid 65534)";
  {
    const TestServer impostor(primary_, testing::echo_handler(), nobody);
    EXPECT_EQ(connect_error(), unreachable(refused));
  }
  const TestServer impostor(fallback_socket_path, testing::echo_handler(), nobody);
  EXPECT_EQ(connect_error(), "IPC: \"" + primary_.string() + "\": No such file or directory ; " +
                                 "\"/tmp/quorvel-native.sock\": " + refused);
}

}  // namespace
}  // namespace vantoro::native_messaging
