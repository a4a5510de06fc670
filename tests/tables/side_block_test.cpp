#include "history/side_block.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/keys.hpp"
#include "folders/folders_table.hpp"
#include "history/history_journal.hpp"
#include "mvc/models/vault_backup_settings.hpp"
#include "mvc/models/vault_sync_settings.hpp"
#include "share/share_table.hpp"
#include "stats/stats_aggregate.hpp"
#include "tables_support.hpp"

namespace vantoro {
namespace {

using crypto::Bytes;
using crypto::Key;
using Block = std::span<const std::uint8_t>;

// One kind of side block, driven through its own seal and open functions
// with the table's default value.
struct BlockKind {
  std::string_view name;
  std::function<Result<Bytes>(const Key&, const Uuid&)> seal_default;
  // Opens a block; true when it holds the default value.
  std::function<Result<bool>(const Key&, const Uuid&, Block)> open_is_default;
  std::function<Key(const Key&, const Uuid&)> derive_key;
  std::string_view too_short_text;
  std::size_t default_block_size;  // 0: depends on the clock
  std::string_view one_byte_plaintext_error;  // opening a sealed {7}
};

template <class T, class Open>
std::function<Result<bool>(const Key&, const Uuid&, Block)> opens_to(T expected, Open open) {
  return [expected, open](const Key& key, const Uuid& file, Block block) -> Result<bool> {
    auto table = open(key, file, block);
    if (!table) return std::unexpected(table.error());
    return *table == expected;
  };
}

template <class T, class Seal>
std::function<Result<Bytes>(const Key&, const Uuid&)> seals(T table, Seal seal) {
  return [table, seal](const Key& key, const Uuid& file) { return seal(key, file, table); };
}

constexpr std::string_view eof = "io error: unexpected end of file";
constexpr std::string_view bad_bool = "invalid u8 while decoding bool, expected 0 or 1, found 7";

const std::vector<BlockKind>& block_kinds() {
  static const stats::StatsAggregate fresh_stats = stats::StatsAggregate::make_new();
  static const std::vector<BlockKind> kinds = {
      {"journal", seals(history::HistoryJournal{}, history::encrypt_journal_block),
       opens_to(history::HistoryJournal{}, history::decrypt_journal_block), crypto::derive_journal_key,
       "Journal block too short", 60, eof},
      {"shares", seals(share::ShareTable{}, share::encrypt_shares_block),
       opens_to(share::ShareTable{}, share::decrypt_shares_block), crypto::derive_shares_key,
       "Shares block too short", 44, eof},
      {"stats", seals(fresh_stats, stats::encrypt_stats_block), opens_to(fresh_stats, stats::decrypt_stats_block),
       crypto::derive_stats_key, "Stats block too short", 0, eof},
      {"folders", seals(folders::FoldersTable{}, folders::encrypt_folders_block),
       opens_to(folders::FoldersTable{}, folders::decrypt_folders_block), crypto::derive_folders_key,
       "Folders block too short", 36, eof},
      {"backup settings", seals(mvc::VaultBackupSettings{}, mvc::encrypt_backup_settings_block),
       opens_to(mvc::VaultBackupSettings{}, mvc::decrypt_backup_settings_block), crypto::derive_backup_settings_key,
       "Backup settings block too short", 43, bad_bool},
      {"sync settings", seals(mvc::VaultSyncSettings{}, mvc::encrypt_sync_settings_block),
       opens_to(mvc::VaultSyncSettings{}, mvc::decrypt_sync_settings_block), crypto::derive_sync_settings_key,
       "Sync settings block too short", 43, bad_bool},
  };
  return kinds;
}

const Uuid file_uuid = test::id(0xF1);

TEST(SideBlocks, DefaultTablesSealToTheirSizeAndOpenToTheDefault) {
  for (const BlockKind& kind : block_kinds()) {
    SCOPED_TRACE(kind.name);
    auto block = kind.seal_default(test::master_key(), file_uuid);
    ASSERT_TRUE(block);
    if (kind.default_block_size != 0) {
      EXPECT_EQ(block->size(), kind.default_block_size);
    }
    auto again = kind.seal_default(test::master_key(), file_uuid);
    EXPECT_NE(*again, *block);  // a fresh nonce every time
    auto opened = kind.open_is_default(test::master_key(), file_uuid, *block);
    ASSERT_TRUE(opened) << opened.error().display();
    EXPECT_TRUE(*opened);
  }
}

TEST(SideBlocks, UnderTwelveBytesIsTooShortAndTwelveFailsTheAeadOpen) {
  for (const BlockKind& kind : block_kinds()) {
    SCOPED_TRACE(kind.name);
    for (std::size_t length : {0, 11}) {
      auto opened = kind.open_is_default(test::master_key(), file_uuid, Bytes(length, 0));
      ASSERT_FALSE(opened);
      EXPECT_TRUE(opened.error().is(FormatError::DeserializationError));
      EXPECT_EQ(opened.error().text(), kind.too_short_text);
    }
    auto opened = kind.open_is_default(test::master_key(), file_uuid, Bytes(12, 0));
    ASSERT_FALSE(opened);
    EXPECT_TRUE(opened.error().is(CryptoError::DecryptionError));
  }
}

TEST(SideBlocks, ABlockOpensOnlyUnderItsOwnKeyFileAndMasterKey) {
  const auto& kinds = block_kinds();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    SCOPED_TRACE(kinds[i].name);
    auto block = kinds[i].seal_default(test::master_key(), file_uuid);
    ASSERT_TRUE(block);
    const BlockKind& other_kind = kinds[(i + 1) % kinds.size()];
    for (auto opened : {other_kind.open_is_default(test::master_key(), file_uuid, *block),
                        kinds[i].open_is_default(test::master_key(), test::id(0xF2), *block),
                        kinds[i].open_is_default(test::master_key(8), file_uuid, *block)}) {
      ASSERT_FALSE(opened);
      EXPECT_TRUE(opened.error().is(CryptoError::DecryptionError));
    }
    Bytes flipped = *block;
    flipped.back() ^= 1;
    EXPECT_FALSE(kinds[i].open_is_default(test::master_key(), file_uuid, flipped));
  }
}

TEST(SideBlocks, UndecodablePlaintextGivesTheDecodersMessage) {
  for (const BlockKind& kind : block_kinds()) {
    SCOPED_TRACE(kind.name);
    const std::uint8_t plaintext[] = {7};
    auto block = crypto::seal_blob(kind.derive_key(test::master_key(), file_uuid), plaintext);
    ASSERT_TRUE(block);
    auto opened = kind.open_is_default(test::master_key(), file_uuid, *block);
    ASSERT_FALSE(opened);
    EXPECT_TRUE(opened.error().is(FormatError::DeserializationError));
    EXPECT_EQ(opened.error().text(), kind.one_byte_plaintext_error);
  }
}

DateTime at(std::string_view text) { return *DateTime::parse_rfc3339(text); }

// Seals `table` with `seal`, opens it with `open` and expects it back.
template <class T, class Seal, class Open>
void expect_block_round_trip(const T& table, Seal seal, Open open) {
  auto block = seal(test::master_key(), file_uuid, table);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->size(), encoding::encoded_size(table) + crypto::min_blob_length);
  auto opened = open(test::master_key(), file_uuid, *block);
  ASSERT_TRUE(opened) << opened.error().display();
  EXPECT_EQ(*opened, table);
}

TEST(SideBlocks, FilledJournalComesBack) {
  history::HistoryJournal journal;
  history::EntryVersionRecord record;
  record.meta = {.version_id = test::id(2), .parent_version_id = test::id(1), .entry_id = test::id(3),
                 .op = history::EntryOpKind::Delete, .device_id = test::id(4), .lamport = 42,
                 .timestamp = at("2026-10-05T10:46:41.000999Z"), .content_hash = {9}, .note = "edit", .reserved = {}};
  record.encrypted_snapshot = Bytes(40, 0x5A);
  journal.add_version(record);
  expect_block_round_trip(journal, history::encrypt_journal_block, history::decrypt_journal_block);
}

TEST(SideBlocks, SharesComeBackAsStoredWhateverTheirPermissions) {
  share::ShareTable shares;
  shares.recipients = {{test::id(1), {1, 2, 3}}, {test::id(1), {}}};  // duplicates are kept
  shares.envelopes = {{test::id(2), test::id(3), Bytes{0xDE, 0xAD}, test::id(4), at("2026-09-30T05:59:33.000000001Z"),
                       share::SharePerm{0xFF}}};
  EXPECT_EQ(encoding::encoded_size(share::ShareRecipient{}), 56u);
  expect_block_round_trip(shares, share::encrypt_shares_block, share::decrypt_shares_block);
}

TEST(SideBlocks, FoldersComeBackWithDanglingParents) {
  folders::FoldersTable table;
  table[test::id(1)] = {test::id(1), "Banque & impôts", std::nullopt, at("2026-05-25T06:18:54Z"),
                        at("2026-11-21T06:02:21.120Z")};
  table[test::id(2)] = {test::id(2), "orphan", test::id(0x85), at("2026-10-22T06:19:43.123456789Z"),
                        at("2026-12-06T06:14:31Z")};
  expect_block_round_trip(table, folders::encrypt_folders_block, folders::decrypt_folders_block);
}

TEST(SideBlocks, StatsComeBackWithTheirCountsFloatAndHistogram) {
  stats::StatsAggregate stats;
  stats.updated_at = at("2026-12-08T06:33:05.000999Z");
  stats.by_type = {{EntryType::Password, 13}, {EntryType::Note, 3}, {EntryType::WiFi, 2}};
  stats.avg_pw_age_days = 12.5F;
  stats.age_histogram = {1, 2, 3, 4, 5, 6, 7, 8};
  stats.total_entries = 20;
  // the timestamp text, then 64 fixed bytes and 8 per by_type item
  EXPECT_EQ(encoding::encoded_size(stats), 8 + 27 + 64 + 24u);
  expect_block_round_trip(stats, stats::encrypt_stats_block, stats::decrypt_stats_block);
}

TEST(SideBlocks, BackupSettingsSizesWithAndWithoutALocation) {
  mvc::VaultBackupSettings settings{.auto_backup = false, .backup_interval = 168, .max_backups = 5,
                                    .backup_location = "0123456789", .encrypt_backups = true};
  EXPECT_EQ(encoding::encoded_size(mvc::VaultBackupSettings{}), 15u);
  EXPECT_EQ(encoding::encoded_size(settings), 33u);
  expect_block_round_trip(settings, mvc::encrypt_backup_settings_block, mvc::decrypt_backup_settings_block);
}

}  // namespace
}  // namespace vantoro
