// The checker as a real process: argument handling and the storage manager's
// own checks, which answer before any vault byte is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "process_runner.hpp"

namespace vantoro::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view banner = "iOS / desktop compatibility test\n================================\n\n";

class CheckerSpine : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("checker-spine-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "tmp");
  }
  void TearDown() override { fs::remove_all(dir_); }

  ProcessResult check(std::vector<std::string> args) {
    return run_process(COMPATPROBE, args, dir_, {{"TMPDIR", (dir_ / "tmp").string()}});
  }

  fs::path dir_;
};

TEST_F(CheckerSpine, MissingFileIsReportedOnStandardOutput) {
  auto run = check({"no \"such\".qolty", "pa55word!"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, std::string(banner) + "Error: vault file does not exist: \"no \\\"such\\\".qolty\"\n");
  EXPECT_EQ(run.err, "");
}

struct SpineCase {
  std::string name;
  std::string typed_path;
  std::string password;
  std::string password_line;
  std::string error;
};

class CheckerStorageChecks : public CheckerSpine, public ::testing::WithParamInterface<SpineCase> {};

TEST_P(CheckerStorageChecks, FailsAfterUnlockingWithTheDebugForm) {
  fs::create_directory(dir_ / "d.qolty");
  fs::create_directory(dir_ / "v.qolty");
  for (const char* name : {"plain", "v.QOLTY", "a.tar.gz"}) std::ofstream(dir_ / name) << "x";
  const auto& c = GetParam();
  auto run = check({c.typed_path, c.password});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, std::string(banner) + "Vault path: \"" + c.typed_path + "\"\nPassword: " + c.password_line +
                         "\n\nUnlocking vault...\n");
  EXPECT_EQ(run.err, "Error: " + c.error + "\n");
  EXPECT_FALSE(fs::exists(dir_ / "tmp" / "quorvel")) << "temporary directory left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CheckerStorageChecks,
    ::testing::Values(
        SpineCase{"directory", "d.qolty", "abcd", "***", "Storage(FileNotFound(\"d.qolty is not a file\"))"},
        SpineCase{"upper_case_extension_replaced", "v.QOLTY", "abcde", "abcd...",
                  "Storage(FileNotFound(\"v.qolty is not a file\"))"},
        SpineCase{"last_extension_replaced", "a.tar.gz", "pa55word!", "pa55...",
                  "Storage(FileNotFound(\"a.tar.qolty\"))"},
        SpineCase{"typed_without_extension", "plain", "correct horse", "corr...",
                  "Storage(FileNotFound(\"plain.qolty\"))"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vantoro::testing
