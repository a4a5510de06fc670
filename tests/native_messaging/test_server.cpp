#include "test_server.hpp"

#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "native_messaging/fd_io.hpp"
#include "native_messaging/frame.hpp"

namespace vantoro::native_messaging::testing {
namespace {

UniqueFd listen_at(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ::unlink(path.c_str());
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (socket.get() < 0 || ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(socket.get(), 16) != 0) {
    return UniqueFd();
  }
  return socket;
}

[[noreturn]] void serve(const std::filesystem::path& path, const TestServer::Handler& handler,
                        std::optional<uid_t> run_as, UniqueFd ready) {
  if (run_as && (::setgid(*run_as) != 0 || ::setuid(*run_as) != 0)) ::_exit(1);
  const UniqueFd listener = listen_at(path);
  if (listener.get() < 0 || ::write(ready.get(), "r", 1) != 1) ::_exit(1);
  for (int index = 0;; ++index) {
    const UniqueFd connection(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.get() < 0) ::_exit(1);
    handler(connection.get(), index);
  }
}

void read_request(int connection) { (void)read_frame(connection); }

}  // namespace

TestServer::TestServer(const std::filesystem::path& path, Handler handler, std::optional<uid_t> run_as)
    : path_(path) {
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  UniqueFd ready_read(ready[0]);
  UniqueFd ready_write(ready[1]);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) serve(path, handler, run_as, std::move(ready_write));
  ready_write = UniqueFd();
  char byte = 0;
  if (::read(ready_read.get(), &byte, 1) != 1) {
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("test server did not start");
  }
}

TestServer::~TestServer() {
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  ::unlink(path_.c_str());
}

TestServer::Handler echo_handler() {
  return [](int connection, int index) {
    auto request = read_frame(connection);
    if (!request) return;
    const auto answer = encode_frame(JsonValue{{"connection", index}, {"request", *request}});
    (void)send_all(connection, *answer);
  };
}

TestServer::Handler raw_answer_handler(std::string bytes) {
  return [bytes = std::move(bytes)](int connection, int) {
    read_request(connection);
    (void)send_all(connection, bytes);
  };
}

TestServer::Handler close_handler() {
  return [](int connection, int) { read_request(connection); };
}

}  // namespace vantoro::native_messaging::testing
