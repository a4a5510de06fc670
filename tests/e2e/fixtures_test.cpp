// Runs the checker on every scenario of the shared fixture set, each in a
// fresh copy of its folder with a private TMPDIR, and compares the report,
// the error line, the exit status and what the folder holds afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "crypto/checksum.hpp"
#include "process_runner.hpp"

namespace vantoro::testing {
namespace {

namespace fs = std::filesystem;

fs::path fixtures_root() {
  const char* root = std::getenv("VANTORO_FIXTURES");
  return fs::path(root ? root : FIXTURES_DIR) / "public";
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string sha256_hex(const fs::path& path) {
  auto bytes = read_file(path);
  auto digest = crypto::calculate_checksum({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  static constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  for (auto byte : digest) {
    hex.push_back(digits[byte >> 4]);
    hex.push_back(digits[byte & 0xF]);
  }
  return hex;
}

std::vector<std::string> scenario_names() {
  std::vector<std::string> names;
  if (!fs::is_directory(fixtures_root())) return names;
  for (const auto& entry : fs::directory_iterator(fixtures_root())) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Compares a stream with expected.<stream> or, where the text is left to the
// implementation, with the whole-match regular expression expected.<stream>.re.
void expect_stream(const fs::path& scenario, const std::string& stream, const std::string& actual) {
  if (fs::exists(scenario / ("expected." + stream))) {
    EXPECT_EQ(actual, read_file(scenario / ("expected." + stream))) << stream;
    return;
  }
  auto pattern = read_file(scenario / ("expected." + stream + ".re"));
  if (pattern.ends_with('\n')) pattern.pop_back();  // the file's own line end
  EXPECT_TRUE(std::regex_match(actual, std::regex(pattern))) << stream << " does not match " << pattern << "\n---\n"
                                                             << actual;
}

// An open that fails or a maintenance that stops before writing leaves the
// vault and its log exactly as they were.
void expect_unchanged(const fs::path& dir, const nlohmann::json& expect) {
  const auto vault = dir / expect["vault"].get<std::string>();
  EXPECT_EQ(sha256_hex(vault), expect["vault_sha256"].get<std::string>()) << "vault changed";
  const auto wal = dir / expect["wal"].get<std::string>();
  const auto& wal_state = expect["wal_state"];
  if (wal_state.is_null()) {
    EXPECT_FALSE(fs::exists(wal)) << "a log was left behind";
  } else {
    ASSERT_TRUE(wal_state.contains("sha256")) << "log state not checked here: " << wal_state.dump();
    EXPECT_EQ(sha256_hex(wal), wal_state["sha256"].get<std::string>()) << "log changed";
  }
}

class Fixture : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("fixture-" + std::to_string(::getpid()) + "-" + GetParam());
    fs::remove_all(work_);
    fs::create_directories(work_ / "tmp");
    fs::copy(fixtures_root() / GetParam(), work_ / "vault", fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(work_ / "vault")) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
    }
    fs::permissions(work_ / "vault", fs::perms::owner_all, fs::perm_options::add);
  }
  void TearDown() override { fs::remove_all(work_); }

  fs::path work_;
};

TEST_P(Fixture, CheckerReportAndVaultState) {
  const auto scenario = fixtures_root() / GetParam();
  auto args = nlohmann::json::parse(read_file(scenario / "args")).get<std::vector<std::string>>();
  auto run = run_process(COMPATPROBE, args, work_ / "vault", {{"TMPDIR", (work_ / "tmp").string()}});

  expect_stream(scenario, "stdout", run.out);
  expect_stream(scenario, "stderr", run.err);
  EXPECT_EQ(run.exit_status, std::stoi(read_file(scenario / "expected.exit")));
  EXPECT_FALSE(fs::exists(work_ / "tmp" / "quorvel")) << "temporary directory left behind";

  if (!fs::exists(scenario / "expect.json")) return;
  auto expect = nlohmann::json::parse(read_file(scenario / "expect.json"));
  if (expect["mode"] == "unchanged") expect_unchanged(work_ / "vault", expect);
}

INSTANTIATE_TEST_SUITE_P(Public, Fixture, ::testing::ValuesIn(scenario_names()),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace vantoro::testing
