#include "storage/entry_repository.hpp"

#include <gtest/gtest.h>

#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>
#include <filesystem>
#include <limits>

#include "support/sample_entries.hpp"
#include "support/vault_builder.hpp"
#include "vault/vault_test.hpp"

namespace vantoro::storage {
namespace {

namespace fs = std::filesystem;
using testing::BuilderEntry;
using testing::sample_entry;

using testing::vault_password;
constexpr std::uint64_t thirty_days = 2'592'000;

format::IndexEntry trashed(std::optional<DateTime> deleted_at) {
  format::IndexEntry row;
  row.is_deleted = true;
  row.deleted_at = deleted_at;
  return row;
}

TEST(ExpiredTrash, IsOlderThanTheRetentionToTheNanosecond) {
  const DateTime now{.seconds = 1'800'000'000, .nanos = 500};
  const std::int64_t limit = now.seconds - static_cast<std::int64_t>(thirty_days);
  const struct {
    format::IndexEntry row;
    bool expired;
  } cases[] = {
      {format::IndexEntry{}, false},                                         // not in the trash
      {trashed(std::nullopt), true},                                         // no deletion time
      {trashed(DateTime{limit, 500}), false},                                // exactly the retention
      {trashed(DateTime{limit, 499}), true},                                 // one nanosecond more
      {trashed(DateTime{limit - 1, 500}), true},                             // one second more
      {trashed(DateTime{limit - 1, 600}), true},                             // a borrowed second, still more
      {trashed(DateTime{limit, 600}), false},                                // a borrowed second, less
      {trashed(now), false},                                                 // just now
      {trashed(DateTime{now.seconds + 1, 0}), false},                        // in the future
      {trashed(DateTime{std::numeric_limits<std::int64_t>::min(), 0}), true},  // ages ago
  };
  for (const auto& [row, expired] : cases) {
    EXPECT_EQ(is_expired_trash(row, now, thirty_days), expired)
        << (row.deleted_at ? row.deleted_at->to_rfc3339() : "no time") << " deleted " << row.is_deleted;
  }
}

DateTime days_ago(std::int64_t days) {
  DateTime at = DateTime::now();
  at.seconds -= days * 86'400;
  return at;
}

class TrashPurgeTest : public testing::VaultTest {
 protected:
  format::FormatManager& open(const testing::VaultBuilder& builder) {
    builder.write(path_);
    auto opened = guarded_->manager.open_vault(path_, vault_password);
    EXPECT_TRUE(opened) << opened.error().display();
    return guarded_->manager;
  }

  Result<std::uint32_t> cleanup() {
    EntryRepository repository(guarded_);
    return asio::co_spawn(pool_, repository.cleanup_expired_trash(trash_retention_days), asio::use_future).get();
  }

  // The head version of `id`, which must exist.
  const history::EntryVersionRecord& head_of(const Uuid& id) {
    const auto* head = guarded_->manager.vault().tables().journal->get_head_version(id);
    EXPECT_NE(head, nullptr);
    return *head;
  }

  asio::thread_pool pool_{2};
  SharedFormatManager guarded_ = std::make_shared<GuardedFormatManager>(pool_.get_executor(), Uuid{});
};

TEST_F(TrashPurgeTest, ExpiredTrashGetsAFinalDeleteVersionAndTheVaultIsSaved) {
  testing::VaultBuilder builder(vault_password);
  builder.header().sync_meta.reset();
  const Entry live = sample_entry(EntryType::Password, 1);
  const Entry fresh = sample_entry(EntryType::Note, 2);
  const Entry old = sample_entry(EntryType::Note, 3);
  const Entry undated = sample_entry(EntryType::WiFi, 4);
  builder.add(live)
      .add(BuilderEntry{.entry = fresh, .is_deleted = true, .deleted_at = days_ago(29)})
      .add(BuilderEntry{.entry = old, .is_deleted = true, .deleted_at = days_ago(31)})
      .add(BuilderEntry{.entry = undated, .is_deleted = true});
  auto& manager = open(builder);
  const Uuid file_uuid = manager.vault().header().file_uuid;

  ASSERT_EQ(cleanup(), 2u);
  const auto& vault = manager.vault();
  EXPECT_TRUE(vault.index().contains(live.id));
  EXPECT_TRUE(vault.index().contains(fresh.id));
  EXPECT_FALSE(vault.index().contains(old.id));
  EXPECT_FALSE(vault.index().contains(undated.id));
  // The device got a SyncMeta of its own for the two commits.
  ASSERT_TRUE(vault.header().sync_meta);
  EXPECT_EQ(vault.header().sync_meta->vault_uuid, file_uuid);
  EXPECT_EQ(vault.header().sync_meta->lamport, 2u);
  for (const Entry& purged : {old, undated}) {
    const auto& head = head_of(purged.id);
    EXPECT_EQ(head.meta.op, history::EntryOpKind::Delete);
    EXPECT_EQ(head.meta.device_id, vault.header().sync_meta->device_id);
    EXPECT_EQ(manager.get_version_snapshot(purged.id, head.meta.version_id), purged);
  }
  EXPECT_FALSE(fs::exists(vault.wal_service()->wal_path()));  // logged, then cleared by the save

  // What was saved: the purge's state, journal included.
  format::FormatManager reopened(Uuid{});
  ASSERT_TRUE(reopened.open_vault(path_, vault_password));
  EXPECT_EQ(reopened.vault().index().entries(), vault.index().entries());
  EXPECT_EQ(reopened.vault().tables().journal, vault.tables().journal);
  EXPECT_EQ(reopened.vault().header().sync_meta, vault.header().sync_meta);
}

TEST_F(TrashPurgeTest, WithoutAJournalTheEntryIsErasedDirectly) {
  testing::VaultBuilder builder(vault_password);
  const Entry old = sample_entry(EntryType::Note, 3);
  builder.add(BuilderEntry{.entry = old, .is_deleted = true, .deleted_at = days_ago(40)});
  auto& manager = open(builder);
  manager.vault().tables().journal.reset();
  const auto sync_meta = manager.vault().header().sync_meta;

  ASSERT_EQ(cleanup(), 1u);
  EXPECT_FALSE(manager.vault().index().contains(old.id));
  EXPECT_EQ(manager.vault().header().sync_meta, sync_meta);
}

TEST_F(TrashPurgeTest, RecordsTheHeadSnapshotOfARecordPastTheEnd) {
  testing::VaultBuilder builder(vault_password);
  const Entry kept = sample_entry(EntryType::Note, 1);
  const Entry document = sample_entry(EntryType::Document, 2);
  builder.add(kept).add(BuilderEntry{.entry = document, .is_deleted = true, .deleted_at = days_ago(31)});
  auto& manager = open(builder);
  const auto head = manager.commit_version(document, history::EntryOpKind::Update, Uuid{}, std::nullopt);
  ASSERT_TRUE(head);
  const auto& row = *manager.vault().index().find(document.id);
  fs::resize_file(path_, row.offset + 1);  // the record, and what followed it, is gone

  ASSERT_EQ(cleanup(), 1u);
  const auto& deletion = head_of(document.id);
  EXPECT_EQ(deletion.meta.parent_version_id, *head);
  Entry stripped = document;
  std::get<DocumentData>(stripped.data).content.clear();
  EXPECT_EQ(manager.get_version_snapshot(document.id, deletion.meta.version_id), stripped);
  EXPECT_FALSE(manager.vault().index().contains(document.id));
  EXPECT_TRUE(manager.vault().index().contains(kept.id));
}

TEST_F(TrashPurgeTest, AFailingPurgeStopsBeforeAnySave) {
  testing::VaultBuilder builder(vault_password);
  const Entry purged = sample_entry(EntryType::Note, 1);  // lowest id: purged first
  const Entry undecryptable = sample_entry(EntryType::Note, 2);
  const Entry unrecorded = sample_entry(EntryType::Document, 3);
  builder.add(BuilderEntry{.entry = purged, .is_deleted = true})
      .add(BuilderEntry{.entry = undecryptable, .sealed_under = purged.id, .is_deleted = true})
      .add(BuilderEntry{.entry = unrecorded, .is_deleted = true});
  auto& manager = open(builder);
  const auto row = *manager.vault().index().find(unrecorded.id);
  fs::resize_file(path_, row.offset + 1);
  const auto stored = testing::read_bytes(path_);

  auto stopped = cleanup();
  EXPECT_TRUE(stopped.error().is(CryptoError::DecryptionError));
  EXPECT_FALSE(manager.vault().index().contains(purged.id));  // stays purged, in memory only
  EXPECT_TRUE(manager.vault().index().contains(undecryptable.id));
  EXPECT_EQ(testing::read_bytes(path_), stored);

  (void)manager.vault().permanently_delete_entry(undecryptable.id);
  EXPECT_EQ(cleanup().error().display(),
            "Service error: History journal error: Trash purge: history journal is present but the final Delete op "
            "could not be built (entry and head snapshot missing). Direct deletion may have left sync inconsistent "
            "— repair the vault file.");
  EXPECT_TRUE(manager.vault().index().contains(unrecorded.id));
  EXPECT_EQ(testing::read_bytes(path_), stored);
}

}  // namespace
}  // namespace vantoro::storage
