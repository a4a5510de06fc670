#pragma once

#include <string>
#include <vector>

namespace vantoro::native_messaging::testing {

struct HostRun {
  int exit_code = -1;  // -1 unless the program exited normally
  std::string output;  // everything written to standard output
  std::string errors;  // everything written to standard error
};

struct HostOptions {
  std::vector<std::string> environment;  // the whole environment, NAME=value
  bool output_closed = false;            // standard output a pipe nobody reads
};

// Runs the quorvel-native program, writes `input` to its standard input
// through a pipe, closes it and waits for the program to exit.
[[nodiscard]] HostRun run_quorvel_native(const std::string& input, const HostOptions& options = {});

}  // namespace vantoro::native_messaging::testing
