#include <gtest/gtest.h>

#include <algorithm>

#include "crypto/checksum.hpp"
#include "crypto/seal.hpp"
#include "format/preamble.hpp"
#include "support/sample_entries.hpp"
#include "vault_test.hpp"

namespace vantoro::testing {
namespace {

using format::IndexEntry;

Entry created_at(Entry entry, std::int64_t seconds) {
  entry.created_at = DateTime{.seconds = seconds, .nanos = 0};
  return entry;
}

// The index end the re-layout packs from.
std::uint64_t packing_start(const format::SecureVaultFormat& vault) {
  const auto header = format::encrypt_header(vault.header(), vault.keys());
  return format::index_end(vault.header(), header->size(), vault.index().serialize().size() + crypto::min_blob_length);
}

// A row with what the re-layout may change set aside.
IndexEntry without_layout(IndexEntry row) {
  row.offset = 0;
  row.length = 0;
  row.checksum = {};
  return row;
}

class RelayoutTest : public VaultTest {};

TEST_F(RelayoutTest, PacksPayloadsFromTheIndexEndInCreationOrder) {
  VaultBuilder builder(vault_password);
  // Stored in the order a, b, c, d; created b, then d and c at the same time
  // (ids in seed order), then a.
  const Entry a = created_at(sample_entry(EntryType::Document, 4), 4'000);
  const Entry b = created_at(sample_entry(EntryType::Password, 1), 1'000);
  const Entry c = created_at(sample_entry(EntryType::Note, 3), 2'000);
  const Entry d = created_at(sample_entry(EntryType::WiFi, 2), 2'000);
  builder.add(a).add(b).add(c).add(d);
  auto vault = open_built(builder);
  // A Document row keeps its stored checksum, whatever its payload hashes to.
  IndexEntry document = *vault->index().find(a.id);
  document.checksum.fill(0xd0);
  ASSERT_TRUE(vault->index().update_entry(a.id, document));
  const auto before = vault->index().entries();

  ASSERT_TRUE(vault->recalculate_offsets());

  std::uint64_t offset = packing_start(*vault);
  for (const Uuid& id : {b.id, d.id, c.id, a.id}) {
    const IndexEntry& row = *vault->index().find(id);
    const auto& payload = vault->entry_cache().at(id);
    EXPECT_EQ(row.offset, offset) << id.to_string();
    EXPECT_EQ(row.length, payload.size());
    EXPECT_EQ(without_layout(row), without_layout(before.at(id)));
    const auto expected_checksum = id == a.id ? document.checksum : crypto::calculate_checksum(payload);
    EXPECT_EQ(row.checksum, expected_checksum);
    offset += row.length;
  }
  EXPECT_EQ(vault->index().checksum(), vault->index().calculate_checksum());
  EXPECT_TRUE(vault->index().validate());
}

TEST_F(RelayoutTest, UnreadablePayloadKeepsItsLengthAndFailsTheSaveWithoutTouchingTheFile) {
  VaultBuilder builder(vault_password);
  const Entry note = created_at(sample_entry(EntryType::Note, 1), 1'000);
  const Entry lost = created_at(sample_entry(EntryType::Document, 2), 2'000);
  builder.add(note).add(lost);
  auto vault = open_built(builder);
  // Documents are read when needed: cut the file inside this one's record.
  const IndexEntry old_row = *vault->index().find(lost.id);
  std::filesystem::resize_file(path_, old_row.offset + old_row.length - 1);
  const auto stored = read_bytes(path_);

  ASSERT_TRUE(vault->recalculate_offsets());
  const IndexEntry& row = *vault->index().find(lost.id);
  EXPECT_EQ(row.offset, vault->index().find(note.id)->offset + vault->index().find(note.id)->length);
  EXPECT_EQ(row.length, old_row.length);
  EXPECT_FALSE(vault->entry_cache().contains(lost.id));

  auto saved = vault->save_vault_impl(true);
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().display(), "Storage error: Write error: Missing ciphertext for entry " + lost.id.to_string() +
                                         " after truncate (cache not preloaded)");
  EXPECT_EQ(read_bytes(path_), stored);
  EXPECT_EQ(file_names(dir_), std::vector<std::string>{"v.qolty"});
}

TEST_F(RelayoutTest, EmptyPayloadBeforeOthersFailsAndKeepsEveryRow) {
  VaultBuilder builder(vault_password);
  const Entry first = created_at(sample_entry(EntryType::Note, 1), 1'000);
  const Entry empty = created_at(sample_entry(EntryType::Note, 2), 2'000);
  const Entry last = created_at(sample_entry(EntryType::Note, 3), 3'000);
  builder.add(first).add(BuilderEntry{.entry = empty, .sealed = encoding::Bytes{}, .offset = 1}).add(last);
  auto vault = open_built(builder);
  const auto stored = read_bytes(path_);
  const auto rows = vault->index().entries();
  const std::uint64_t shared = packing_start(*vault) + vault->entry_cache().at(first.id).size();

  auto laid_out = vault->recalculate_offsets();
  ASSERT_FALSE(laid_out);
  EXPECT_EQ(laid_out.error(), AppError(FormatError::InvalidOffset, shared));
  // Had the index kept only the rows placed so far, the next save would have
  // written a vault without the last entry.
  EXPECT_EQ(vault->index().entries(), rows);
  EXPECT_TRUE(vault->index().validate());

  EXPECT_EQ(vault->save_vault_impl(true).error(), laid_out.error());
  EXPECT_EQ(read_bytes(path_), stored);
}

TEST_F(RelayoutTest, EmptyVaultOnlyMeasures) {
  auto vault = open_built(VaultBuilder(vault_password));
  ASSERT_TRUE(vault->recalculate_offsets());
  EXPECT_TRUE(vault->index().empty());
}

class PermanentDeletionTest : public VaultTest {
 protected:
  std::vector<format::WalOperation> logged(const format::SecureVaultFormat& vault) {
    auto wal = services::WalService::read_wal_internal(vault.wal_service()->wal_path(),
                                                       vault.keys().master_key()->get(), vault.header().file_uuid);
    EXPECT_TRUE(wal);
    return *wal ? (**wal).operations : std::vector<format::WalOperation>{};
  }
};

TEST_F(PermanentDeletionTest, LogsFirstThenForgetsTheRowAndItsPayload) {
  VaultBuilder builder(vault_password);
  const Entry kept = sample_entry(EntryType::Note, 1);
  const Entry gone = sample_entry(EntryType::Password, 2);
  const Entry refused = sample_entry(EntryType::WiFi, 3);
  builder.add(kept).add(gone).add(refused);
  auto vault = open_built(builder);
  const auto wal_path = vault->wal_service()->wal_path();
  const std::uint32_t count = vault->header().entry_count;

  // An id without a row: nothing logged, no row touched, the count still drops.
  const DateTime start = DateTime::now();
  ASSERT_TRUE(vault->permanently_delete_entry(Uuid{}));
  EXPECT_FALSE(std::filesystem::exists(wal_path));
  EXPECT_EQ(vault->index().size(), 3u);
  EXPECT_EQ(vault->header().entry_count, count - 1);
  EXPECT_GE(vault->header().updated_at, start);

  const std::uint64_t offset = vault->index().find(gone.id)->offset;
  ASSERT_TRUE(vault->permanently_delete_entry(gone.id));
  const auto operations = logged(*vault);
  ASSERT_EQ(operations.size(), 1u);
  EXPECT_EQ(operations[0].operation_type, format::WalOperationType::Delete);
  EXPECT_EQ(operations[0].entry_id, gone.id);
  EXPECT_EQ(operations[0].old_ref, offset);
  EXPECT_EQ(operations[0].new_ref, std::nullopt);
  EXPECT_FALSE(operations[0].committed);
  EXPECT_FALSE(vault->index().contains(gone.id));
  EXPECT_FALSE(vault->entry_cache().contains(gone.id));
  EXPECT_EQ(vault->index().checksum(), vault->index().calculate_checksum());
  EXPECT_EQ(vault->header().entry_count, count - 2);

  // A log that cannot be read refuses the deletion and changes nothing.
  write_bytes(wal_path, {1, 2, 3});
  const auto header = vault->header();
  auto refused_delete = vault->permanently_delete_entry(refused.id);
  ASSERT_FALSE(refused_delete);
  EXPECT_EQ(refused_delete.error().display(),
            "Format error: WAL write error: Critical error writing WAL: " +
                AppError(FormatError::WalReadError, "WAL file too short (missing nonce)").display());
  EXPECT_TRUE(vault->index().contains(refused.id));
  EXPECT_TRUE(vault->entry_cache().contains(refused.id));
  EXPECT_EQ(vault->header(), header);

  vault->header().entry_count = 0;
  ASSERT_TRUE(vault->permanently_delete_entry(Uuid{}));
  EXPECT_EQ(vault->header().entry_count, 0u);
}

}  // namespace
}  // namespace vantoro::testing
