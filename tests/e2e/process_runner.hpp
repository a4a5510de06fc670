#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vantoro::testing {

struct ProcessResult {
  int exit_status = -1;  // -1 when killed by a signal
  std::string out;
  std::string err;
};

// Runs `program` with `args` in `cwd`, with `env` added to (or replacing
// entries of) this process's environment, and collects both output streams.
ProcessResult run_process(const std::filesystem::path& program, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd, const std::map<std::string, std::string>& env = {});

}  // namespace vantoro::testing
