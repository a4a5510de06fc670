// Runs the quorvel-native program as a process against test servers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixtures.hpp"
#include "host_process.hpp"
#include "native_messaging/ipc_path.hpp"
#include "test_server.hpp"

namespace vantoro::native_messaging {
namespace {

using testing::FallbackSocketLock;
using testing::frame;
using testing::frame_announcing;
using testing::HostRun;
using testing::run_quorvel_native;
using testing::split_frames;
using testing::TestServer;
using ::testing::StartsWith;

class HostTest : public ::testing::Test {
 protected:
  [[nodiscard]] HostRun run(const std::string& input) const {
    return run_quorvel_native(input, {.environment = {"QV_IPC_SOCKET_PATH=" + primary_.string()}});
  }

  testing::ScratchDir dir_;
  std::filesystem::path primary_ = dir_ / "app.sock";
};

TEST_F(HostTest, AnswersEveryMessageInOrderOverItsOwnConnection) {
  const TestServer app(primary_, testing::echo_handler());
  const HostRun host = run(frame(R"({"id":1,"b":2,"a":3})") + frame("[ true ]") + frame(R"("three")"));
  EXPECT_EQ(host.exit_code, 0);
  EXPECT_EQ(host.errors, "");
  EXPECT_EQ(host.output, frame(R"({"connection":0,"request":{"a":3,"b":2,"id":1}})") +
                             frame(R"({"connection":1,"request":[true]})") +
                             frame(R"({"connection":2,"request":"three"})"));
}

TEST_F(HostTest, UnreachableApplicationGivesErrorAnswersThatEchoTheId) {
  const FallbackSocketLock lock;
  const std::string detail = "IPC: \"" + primary_.string() +
                             "\": No such file or directory ; \"/tmp/quorvel-native.sock\": No such file or directory";
  const struct {
    std::string request;
    JsonValue id;
  } cases[] = {
      {R"({"id":7})", 7},
      {R"({"id":0})", 0},
      {R"({"id":18446744073709551615})", 18446744073709551615ULL},
      {R"({"id":18446744073709551616})", nullptr},
      {R"({"id":"7"})", nullptr},
      {R"({"id":-1})", nullptr},
      {R"({"id":-0})", nullptr},
      {R"({"id":7.0})", nullptr},
      {R"({"id":7e0})", nullptr},
      {R"({"ids":7})", nullptr},
      {R"([{"id":7}])", nullptr},
  };
  std::string input;
  for (const auto& c : cases) input += frame(c.request);
  const HostRun host = run(input);

  EXPECT_EQ(host.exit_code, 0);
  const auto answers = split_frames(host.output);
  ASSERT_EQ(answers.size(), std::size(cases));
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const JsonValue expected = {
        {"error", "Cannot reach Vantoro (IPC socket). Start Vantoro and check the vault. Detail: " + detail},
        {"id", cases[i].id}};
    EXPECT_EQ(answers[i], expected) << cases[i].request;
  }
  EXPECT_THAT(host.output, StartsWith(frame_announcing(static_cast<std::uint32_t>(answers[0].dump().size()),
                                                       R"({"error":"Cannot reach Vantoro)")));
  EXPECT_THAT(host.output, ::testing::HasSubstr(R"(,"id":18446744073709551615})"));
  std::string lines;
  for (std::size_t i = 0; i < answers.size(); ++i) lines += "[quorvel-native] cannot open socket: " + detail + "\n";
  EXPECT_EQ(host.errors, lines);
}

TEST_F(HostTest, FailedExchangeGivesAnErrorAnswer) {
  const struct {
    std::string name;
    TestServer::Handler handler;
    std::string detail;
  } cases[] = {
      {"closed without answering", testing::close_handler(), "unexpected end of file"},
      {"oversized answer", testing::raw_answer_handler(frame_announcing(1048577)), "IPC response too large"},
      {"malformed answer", testing::raw_answer_handler(frame("{\"a\"")), "[json.exception.parse_error.101]"},
  };
  for (const auto& c : cases) {
    const TestServer app(primary_, c.handler);
    const HostRun host = run(frame(R"({"id":5})"));
    EXPECT_EQ(host.exit_code, 0) << c.name;
    const auto answers = split_frames(host.output);
    ASSERT_EQ(answers.size(), 1u) << c.name;
    EXPECT_EQ(answers[0]["id"], 5) << c.name;
    EXPECT_THAT(answers[0]["error"].get<std::string>(), StartsWith("Vantoro IPC error: " + c.detail)) << c.name;
    EXPECT_THAT(host.errors, StartsWith("[quorvel-native] IPC error after connect: " + c.detail)) << c.name;
  }
}

TEST_F(HostTest, FallbackSocketIsUsedAndLoggedForEachMessage) {
  const FallbackSocketLock lock;
  const TestServer app(fallback_socket_path, testing::echo_handler());
  const HostRun host = run(frame("1") + frame("2"));
  EXPECT_EQ(host.exit_code, 0);
  EXPECT_EQ(split_frames(host.output).size(), 2u);
  const std::string line = "[quorvel-native] IPC via fallback socket \"/tmp/quorvel-native.sock\"\n";
  EXPECT_EQ(host.errors, line + line);
}

TEST_F(HostTest, StopsSilentlyWhenAMessageCannotBeRead) {
  const std::string one = frame(R"({"id":1})");
  const std::string answer = frame(R"({"connection":0,"request":{"id":1}})");
  const struct {
    std::string name;
    std::string input;
    std::string output;
  } cases[] = {
      {"input closed at once", "", ""},
      {"input closed inside the length", one + std::string("\x02\x00", 2), answer},
      {"input closed inside the body", one + frame_announcing(8, "[1,"), answer},
      {"oversized frame", one + frame_announcing(1048577, "[]") + one, answer},
      {"invalid JSON", one + frame("[1] x") + one, answer},
  };
  for (const auto& c : cases) {
    const TestServer app(primary_, testing::echo_handler());
    const HostRun host = run(c.input);
    EXPECT_EQ(host.exit_code, 0) << c.name;
    EXPECT_EQ(host.output, c.output) << c.name;
    EXPECT_EQ(host.errors, "") << c.name;
  }
}

TEST_F(HostTest, RelaysTheLargestMessage) {
  const TestServer app(primary_, testing::raw_answer_handler(frame("true")));
  const HostRun host = run(frame(testing::json_string_of_size(1048576)));
  EXPECT_EQ(host.exit_code, 0);
  EXPECT_EQ(host.output, frame("true"));
}

TEST_F(HostTest, StopsAfterAnOutputFailure) {
  const TestServer app(primary_, testing::raw_answer_handler(frame("true")));
  const HostRun host =
      run_quorvel_native(frame("1") + frame("2"),
                         {.environment = {"QV_IPC_SOCKET_PATH=" + primary_.string()}, .output_closed = true});
  EXPECT_EQ(host.exit_code, 0);
  EXPECT_EQ(host.errors, "[quorvel-native] stdout write: stdout flush error: Broken pipe\n");
}

}  // namespace
}  // namespace vantoro::native_messaging
