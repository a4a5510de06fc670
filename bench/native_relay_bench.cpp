// Relays 10,000 small messages through the quorvel-native program to a local
// server and, in the same run, sends the same messages to that server
// directly (one connection per message, as the host does). Reports messages
// per second for both and the host's time relative to the direct round trip,
// which is the limit the host can approach.
//
// The program is found through QUORVEL_NATIVE, else beside this benchmark's
// build directory (src/bin/quorvel-native).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int message_count = 10000;

std::string frame(std::string_view body) {
  const auto length = static_cast<std::uint32_t>(body.size());
  std::string out(4, '\0');
  std::memcpy(out.data(), &length, 4);
  return out.append(body);
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) throw std::runtime_error("write failed");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void read_exact(int fd, char* buffer, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n <= 0) throw std::runtime_error("read failed");
    buffer += n;
    size -= static_cast<std::size_t>(n);
  }
}

std::string read_frame(int fd) {
  std::uint32_t length = 0;
  read_exact(fd, reinterpret_cast<char*>(&length), 4);
  std::string body(length, '\0');
  read_exact(fd, body.data(), length);
  return body;
}

sockaddr_un address_of(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

// A forked server answering each connection's one frame with {"ok":true}.
class Server {
 public:
  explicit Server(const std::filesystem::path& path) {
    const sockaddr_un address = address_of(path);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 128) != 0) {
      throw std::runtime_error("cannot listen");
    }
    pid_ = ::fork();
    if (pid_ == 0) serve(listener);
    ::close(listener);
  }
  ~Server() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  [[noreturn]] static void serve(int listener) {
    const std::string answer = frame(R"({"ok":true})");
    while (true) {
      const int connection = ::accept(listener, nullptr, nullptr);
      try {
        (void)read_frame(connection);
        write_all(connection, answer);
      } catch (const std::exception&) {
      }
      ::close(connection);
    }
  }

  pid_t pid_ = -1;
};

std::string request(int i) { return frame(R"({"id":)" + std::to_string(i) + R"(,"op":"ping"})"); }

void direct_round_trips(const std::filesystem::path& path) {
  const sockaddr_un address = address_of(path);
  for (int i = 0; i < message_count; ++i) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("connect failed");
    }
    write_all(fd, request(i));
    (void)read_frame(fd);
    ::close(fd);
  }
}

std::string host_program() {
  if (const char* path = std::getenv("QUORVEL_NATIVE")) return path;
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../src/bin/quorvel-native").string();
}

void relay_through_host(const std::filesystem::path& path) {
  int in[2];
  int out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::string program = host_program();
  std::string socket_variable = "QV_IPC_SOCKET_PATH=" + path.string();
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  char* envp[] = {socket_variable.data(), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp) != 0) {
    throw std::runtime_error("cannot start " + program);
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  std::thread feeder([to_host = in[1]] {
    for (int i = 0; i < message_count; ++i) write_all(to_host, request(i));
    ::close(to_host);
  });
  for (int i = 0; i < message_count; ++i) {
    if (read_frame(out[0]) != R"({"ok":true})") throw std::runtime_error("unexpected answer");
  }
  feeder.join();
  ::close(out[0]);
  ::waitpid(pid, nullptr, 0);
}

double seconds_of(void (*run)(const std::filesystem::path&), const std::filesystem::path& path) {
  const auto start = std::chrono::steady_clock::now();
  run(path);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_NativeRelay10k(benchmark::State& state) {
  std::signal(SIGPIPE, SIG_IGN);
  char dir[] = "/tmp/qn-bench-XXXXXX";
  if (::mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp failed");
  const std::filesystem::path path = std::filesystem::path(dir) / "app.sock";
  const Server server(path);
  double direct = 0;
  double relay = 0;
  for (auto _ : state) {
    const double direct_once = seconds_of(direct_round_trips, path);
    const double relay_once = seconds_of(relay_through_host, path);
    state.SetIterationTime(relay_once);
    direct += direct_once;
    relay += relay_once;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["relay_msgs_per_s"] = message_count * runs / relay;
  state.counters["direct_msgs_per_s"] = message_count * runs / direct;
  state.counters["relay_over_direct"] = relay / direct;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_NativeRelay10k)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
