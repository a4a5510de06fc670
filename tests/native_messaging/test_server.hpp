#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <sys/types.h>

#include "native_messaging/json_value.hpp"

namespace vantoro::native_messaging::testing {

// A stand-in for the desktop application: a forked child process that
// listens on a Unix socket and serves connections one after another, each
// with one call of its handler. The constructor returns once the child
// listens; the destructor stops it and removes the socket file. With `run_as`, the child takes that user
// and group before it listens, so it is the peer a client sees.
class TestServer {
 public:
  // Called in the child with an accepted connection and its index (0, 1, ...).
  using Handler = std::function<void(int connection, int index)>;

  TestServer(const std::filesystem::path& path, Handler handler, std::optional<uid_t> run_as = std::nullopt);
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;
  ~TestServer();

 private:
  std::filesystem::path path_;
  pid_t pid_ = -1;
};

// Reads one request and answers {"connection": index, "request": request}.
[[nodiscard]] TestServer::Handler echo_handler();

// Reads one request and answers with `bytes` as they are (any framing).
[[nodiscard]] TestServer::Handler raw_answer_handler(std::string bytes);

// Reads one request and closes the connection without answering.
[[nodiscard]] TestServer::Handler close_handler();

}  // namespace vantoro::native_messaging::testing
