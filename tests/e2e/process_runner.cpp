#include "process_runner.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace vantoro::testing {
namespace {

std::string slurp(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

}  // namespace

ProcessResult run_process(const std::filesystem::path& program, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd, const std::map<std::string, std::string>& env) {
  // Both streams go to files so a large report cannot block the child on a full pipe.
  char out_name[] = "/tmp/vantoro-out-XXXXXX";
  char err_name[] = "/tmp/vantoro-err-XXXXXX";
  int out_fd = ::mkstemp(out_name);
  int err_fd = ::mkstemp(err_name);
  if (out_fd < 0 || err_fd < 0) throw std::runtime_error("mkstemp failed");

  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    if (::chdir(cwd.c_str()) != 0) ::_exit(127);
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ProcessResult result;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ::lseek(out_fd, 0, SEEK_SET);
  ::lseek(err_fd, 0, SEEK_SET);
  result.out = slurp(out_fd);
  result.err = slurp(err_fd);
  ::unlink(out_name);
  ::unlink(err_name);
  return result;
}

}  // namespace vantoro::testing
