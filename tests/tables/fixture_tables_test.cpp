// Side blocks written by an independent implementation of the vault format
// (the public fixtures) open to exactly the tables their expect.json lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unordered_set>

#include "crypto/kdf.hpp"
#include "crypto/seal.hpp"
#include "folders/folders_table.hpp"
#include "history/history_journal.hpp"
#include "mvc/models/vault_backup_settings.hpp"
#include "mvc/models/vault_sync_settings.hpp"
#include "share/share_table.hpp"
#include "stats/stats_aggregate.hpp"
#include "table_json.hpp"

namespace vantoro {
namespace {

using crypto::Bytes;
using crypto::Key;
using test::Json;
using test::to_json;

std::filesystem::path scenario_dir(const std::string& scenario) {
  const char* root = std::getenv("VANTORO_FIXTURES");
  return std::filesystem::path(root ? root : "../shared/fixtures") / "public" / scenario;
}

Bytes read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint64_t u64_at(const Bytes& file, std::size_t at) {
  std::uint64_t value = 0;
  std::memcpy(&value, file.data() + at, sizeof value);
  return value;
}

// The six side blocks sit at the end of the file, each a u64 length and the
// sealed bytes. Found as the one place from which six lengths chain exactly to
// the end of the file, so no index reader is needed.
std::optional<std::array<std::span<const std::uint8_t>, 6>> side_blocks(const Bytes& file) {
  for (std::size_t start = 0; start + 48 <= file.size(); ++start) {
    std::array<std::span<const std::uint8_t>, 6> blocks;
    std::size_t at = start;
    bool chained = true;
    for (auto& block : blocks) {
      std::uint64_t length = at + 8 <= file.size() ? u64_at(file, at) : file.size();
      if (length > file.size() - at - 8) {
        chained = false;
        break;
      }
      block = std::span(file).subspan(at + 8, length);
      at += 8 + length;
    }
    if (chained && at == file.size()) return blocks;
  }
  return std::nullopt;
}

struct FixtureVault {
  Json expect;
  Bytes file;
  crypto::Key master_key;
  Uuid file_uuid;
  std::array<std::span<const std::uint8_t>, 6> blocks;  // journal, shares, stats, folders, backup, sync
};

// Reads a scenario's vault and derives its master key from the preamble salt.
void load(const std::string& scenario, FixtureVault& vault) {
  const auto dir = scenario_dir(scenario);
  const Json args = Json::parse(std::ifstream(dir / "args"));
  vault.expect = Json::parse(std::ifstream(dir / "expect.json"));
  vault.file = read_file(dir / args[0].get<std::string>());
  ASSERT_GT(vault.file.size(), 54u) << dir;
  std::memcpy(vault.file_uuid.bytes.data(), vault.file.data() + 38, 16);
  const std::string password = args[1].get<std::string>();
  auto key = crypto::derive_key({reinterpret_cast<const std::uint8_t*>(password.data()), password.size()},
                                std::span(vault.file).subspan(6, 32), crypto::KdfParams{});
  ASSERT_TRUE(key);
  vault.master_key = *key;
  auto blocks = side_blocks(vault.file);
  ASSERT_TRUE(blocks);
  vault.blocks = *blocks;
}

// The expected journal with its tombstones sorted, as to_json writes sets.
Json expected_journal(Json journal) {
  Json& tombstones = journal["deleted_tombstones"];
  std::sort(tombstones.begin(), tombstones.end());
  return journal;
}

template <class T>
void expect_table(const Result<T>& table, const Json& expected) {
  ASSERT_TRUE(table) << table.error().display();
  EXPECT_EQ(to_json(*table), expected);
}

TEST(FixtureTables, EveryTableOfAFullVault) {
  FixtureVault vault;
  ASSERT_NO_FATAL_FAILURE(load("kinds-all", vault));
  const Json& tables = vault.expect["tables"];
  const auto& [journal_block, shares_block, stats_block, folders_block, backup_block, sync_block] = vault.blocks;

  auto journal = history::decrypt_journal_block(vault.master_key, vault.file_uuid, journal_block);
  ASSERT_TRUE(journal) << journal.error().display();
  std::unordered_set<Uuid> live;  // the save prunes the journal to the index's entries
  for (const auto& [entry_id, row] : vault.expect["rows"].items()) live.insert(*Uuid::parse(entry_id));
  journal->cleanup_deleted_entries(live);
  EXPECT_EQ(to_json(*journal), expected_journal(vault.expect["journal"]));

  const Key& key = vault.master_key;
  const Uuid& file = vault.file_uuid;
  expect_table(share::decrypt_shares_block(key, file, shares_block), tables["shares"]);
  expect_table(stats::decrypt_stats_block(key, file, stats_block), tables["stats"]);
  expect_table(folders::decrypt_folders_block(key, file, folders_block), tables["folders"]);
  expect_table(mvc::decrypt_backup_settings_block(key, file, backup_block), tables["backup"]);
  expect_table(mvc::decrypt_sync_settings_block(key, file, sync_block), tables["sync"]);
}

TEST(FixtureTables, LegacySyncSettingsReadWithAutoSyncOnOpen) {
  FixtureVault vault;
  ASSERT_NO_FATAL_FAILURE(load("sync-legacy", vault));
  auto sync = mvc::decrypt_sync_settings_block(vault.master_key, vault.file_uuid, vault.blocks[5]);
  expect_table(sync, vault.expect["tables"]["sync"]);
  EXPECT_TRUE(sync->auto_sync_on_open);
  // the stored plaintext lacks the eighth field's byte
  EXPECT_EQ(vault.blocks[5].size(), encoding::encoded_size(*sync) - 1 + crypto::min_blob_length);
}

TEST(FixtureTables, ASharesBlockFailingAuthenticationLeavesTheOthersReadable) {
  FixtureVault vault;
  ASSERT_NO_FATAL_FAILURE(load("shares-bad-auth", vault));
  auto shares = share::decrypt_shares_block(vault.master_key, vault.file_uuid, vault.blocks[1]);
  ASSERT_FALSE(shares);
  EXPECT_TRUE(shares.error().is(CryptoError::DecryptionError));
  expect_table(folders::decrypt_folders_block(vault.master_key, vault.file_uuid, vault.blocks[3]),
               vault.expect["tables"]["folders"]);
}

}  // namespace
}  // namespace vantoro
