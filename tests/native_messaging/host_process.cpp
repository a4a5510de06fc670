#include "host_process.hpp"

#include <csignal>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fixtures.hpp"
#include "native_messaging/fd_io.hpp"

namespace vantoro::native_messaging::testing {
namespace {

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};

Pipe make_pipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

UniqueFd capture_file(const char* name) {
  UniqueFd fd(::memfd_create(name, MFD_CLOEXEC));
  if (fd.get() < 0) throw std::runtime_error("memfd_create failed");
  return fd;
}

[[noreturn]] void exec_host(int input, int output, int errors, const std::vector<std::string>& environment) {
  if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 || ::dup2(errors, STDERR_FILENO) < 0) {
    ::_exit(127);
  }
  std::vector<char*> envp;
  for (const auto& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(QUORVEL_NATIVE_PATH), nullptr};
  ::execve(QUORVEL_NATIVE_PATH, argv, envp.data());
  ::_exit(127);
}

std::string contents(const UniqueFd& file) {
  ::lseek(file.get(), 0, SEEK_SET);
  return read_rest(file.get());
}

}  // namespace

HostRun run_quorvel_native(const std::string& input, const HostOptions& options) {
  // The host may stop reading early; the feeder then sees EPIPE, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  Pipe stdin_pipe = make_pipe();
  Pipe closed_output = make_pipe();
  const UniqueFd output = capture_file("stdout");
  const UniqueFd errors = capture_file("stderr");
  const int output_fd = options.output_closed ? closed_output.write.get() : output.get();

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) exec_host(stdin_pipe.read.get(), output_fd, errors.get(), options.environment);
  stdin_pipe.read = UniqueFd();
  closed_output = Pipe{};

  std::thread feeder([&input, to_host = std::move(stdin_pipe.write)] { write_all(to_host.get(), input); });
  int status = 0;
  ::waitpid(pid, &status, 0);
  feeder.join();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(output), contents(errors)};
}

}  // namespace vantoro::native_messaging::testing
