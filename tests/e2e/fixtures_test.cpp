// Runs the checker on every scenario of the shared fixture set, each in a
// fresh copy of its folder with a private TMPDIR, and compares the report,
// the error line, the exit status and what the folder holds afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <tuple>
#include <sstream>

#include "crypto/checksum.hpp"
#include "crypto/random.hpp"
#include "format/secure_format.hpp"
#include "format/vault_layout.hpp"
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

std::string hex(std::span<const std::uint8_t> digest) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (auto byte : digest) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 0xF]);
  }
  return text;
}

std::string sha256_hex(std::span<const std::uint8_t> bytes) { return hex(crypto::calculate_checksum(bytes)); }

std::string sha256_hex(const fs::path& path) {
  auto bytes = read_file(path);
  return sha256_hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
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

// A successful run re-saved the vault: no log or temporary file is left, and
// the core's own reader finds the rows, payloads and layout it must hold.
void expect_saved(const fs::path& dir, const nlohmann::json& expect, const std::string& password) {
  EXPECT_FALSE(fs::exists(dir / expect["wal"].get<std::string>())) << "log left behind";
  EXPECT_FALSE(fs::exists(dir / expect["wal_tmp"].get<std::string>())) << "log temporary file left behind";
  const auto path = dir / expect["vault"].get<std::string>();
  auto vault = format::SecureVaultFormat::new_v4(crypto::random_uuid());
  auto opened = vault.open_vault(path, password);
  ASSERT_TRUE(opened) << opened.error().display();

  std::set<std::string> expected_ids, stored_ids;
  for (const auto& [id, row] : expect["rows"].items()) expected_ids.insert(id);
  for (const auto& row : vault.index().all_entries()) stored_ids.insert(row.entry_id.to_string());
  EXPECT_EQ(stored_ids, expected_ids);
  for (const auto& id : expect["purged"]) EXPECT_FALSE(stored_ids.contains(id.get<std::string>())) << id;
  EXPECT_EQ(vault.index().total_size(), expect["total_size"].get<std::uint64_t>());

  // Payloads are copied unchanged and packed from the index end in (created_at, id) order.
  std::vector<const format::IndexEntry*> rows;
  for (const auto& row : vault.index().all_entries()) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) {
    return std::tie(a->created_at, a->entry_id) < std::tie(b->created_at, b->entry_id);
  });
  std::uint64_t next = 0;
  for (const auto* row : rows) {
    auto payload = format::read_entry_data(path, *row);
    ASSERT_TRUE(payload) << payload.error().display();
    const auto id = row->entry_id.to_string();
    EXPECT_EQ(sha256_hex(*payload), expect["payload_sha256"][id].get<std::string>()) << id;
    if (row->entry_type != EntryType::Document) {
      EXPECT_EQ(hex(row->checksum), sha256_hex(*payload)) << id;
    }
    if (next != 0) {
      EXPECT_EQ(row->offset, next) << "payload of " << id << " not packed";
    }
    next = row->offset + row->length;
  }
  const auto& header = vault.header();
  EXPECT_EQ(header.file_uuid.to_string(), expect["header"]["file_uuid"].get<std::string>());
  EXPECT_EQ(header.entry_count, expect["header"]["entry_count"].get<std::uint32_t>());
  EXPECT_EQ(header.recovery_enabled, expect["header"]["recovery_enabled"].get<bool>());
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
  if (expect["mode"] == "saved") expect_saved(work_ / "vault", expect, args.size() > 1 ? args[1] : "");
}

INSTANTIATE_TEST_SUITE_P(Public, Fixture, ::testing::ValuesIn(scenario_names()),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace vantoro::testing
