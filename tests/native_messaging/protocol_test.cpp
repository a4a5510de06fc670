#include "native_messaging/protocol.hpp"

#include <csignal>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "fixtures.hpp"

namespace vantoro::native_messaging {
namespace {

using testing::frame;
using testing::frame_announcing;
using testing::input_holding;
using testing::json_string_of_size;
using ::testing::StartsWith;

// The re-encoded message, or the error text.
std::string read_from(std::string_view input) {
  const auto fd = input_holding(input);
  const auto message = read_message(fd.get());
  return message ? message->dump() : message.error().text;
}

TEST(ReadMessage, FramesAndTheirFailures) {
  const std::string limit_body = json_string_of_size(1048576);
  const struct {
    std::string name;
    std::string input;
    std::string expected;
  } cases[] = {
      {"little-endian length", std::string("\x05\x00\x00\x00[1,2]", 9), "[1,2]"},
      {"big-endian 5 is 83886080", std::string("\x00\x00\x00\x05[1,2]", 9), "Message too large (max 1MB)"},
      {"spaces inside an array", frame(" [ 1 , 2 ] "), "[1,2]"},
      {"largest body", frame(limit_body), limit_body},
      {"one byte over the limit", frame_announcing(1048577, "[]"), "Message too large (max 1MB)"},
      {"no input", "", "Failed to read message length: unexpected end of file"},
      {"input ends inside the length", std::string("\x05\x00", 2),
       "Failed to read message length: unexpected end of file"},
      {"input ends inside the body", frame_announcing(5, "[1"), "Failed to read message body: unexpected end of file"},
      {"empty body", frame(""), "Invalid JSON: "},
      {"text after the value", frame("[1] x"), "Invalid JSON: "},
      {"not UTF-8", frame("\"\xC3\""), "Invalid JSON: "},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(read_from(c.input), StartsWith(c.expected)) << c.name;
  }
}

TEST(ReadMessage, OversizedLengthLeavesTheBodyUnread) {
  const auto fd = input_holding(frame_announcing(1048577, "body"));
  EXPECT_FALSE(read_message(fd.get()));
  EXPECT_EQ(testing::read_rest(fd.get()), "body");
}

TEST(ReadMessage, FrameArrivingByteByByteThroughAPipe) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  const UniqueFd reader(fds[0]);
  std::jthread writer([to = UniqueFd(fds[1])] {
    for (const char byte : frame(R"({"id":1})") + frame("2")) testing::write_all(to.get(), {&byte, 1});
  });
  EXPECT_EQ(read_message(reader.get()), JsonValue({{"id", 1}}));
  EXPECT_EQ(read_message(reader.get()), JsonValue(2));
}

TEST(WriteMessage, WritesOneCompactSortedFramePerMessage) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = ::open_memstream(&buffer, &size);
  ASSERT_TRUE(write_message(JsonValue::parse(R"({"b": 1, "a": [true, null]})"), out));
  ASSERT_TRUE(write_message(JsonValue("x"), out));
  std::fclose(out);
  EXPECT_EQ(std::string(buffer, size), frame(R"({"a":[true,null],"b":1})") + frame(R"("x")"));
  std::free(buffer);
}

TEST(WriteMessage, ReportsEncoderAndOutputFailures) {
  std::signal(SIGPIPE, SIG_IGN);
  const struct {
    std::string name;
    JsonValue message;
    std::string expected;
  } cases[] = {
      {"small frame fails at the flush", JsonValue(1), "stdout flush error: Broken pipe"},
      {"large frame fails at the write", JsonValue(std::string(100000, 'a')), "stdout write error: Broken pipe"},
      {"not UTF-8", JsonValue("\xFF"), "JSON serialization error: "},
  };
  for (const auto& c : cases) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    std::FILE* out = ::fdopen(fds[1], "w");
    const auto written = write_message(c.message, out);
    std::fclose(out);
    ASSERT_FALSE(written) << c.name;
    EXPECT_THAT(written.error().text, StartsWith(c.expected)) << c.name;
  }
}

}  // namespace
}  // namespace vantoro::native_messaging
