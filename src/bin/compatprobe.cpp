// compatprobe: opens a vault as the desktop application would and prints a
// fixed report. Usage: compatprobe [vault-path] [password]
#include <iostream>
#include <string>
#include <vector>

#include "checker/compat_check.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
  return vantoro::checker::run_compat_check(args, std::cout, std::cerr);
}
