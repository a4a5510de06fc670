#include "storage/entry_repository.hpp"

#include "crypto/random.hpp"
#include "sync/sync_meta.hpp"

namespace vantoro::storage {
namespace {

constexpr std::uint64_t seconds_per_day = 86'400;
constexpr std::int64_t nanos_per_second = 1'000'000'000;

constexpr std::string_view no_final_delete_text =
    "Trash purge: history journal is present but the final Delete op could not be built (entry and head snapshot "
    "missing). Direct deletion may have left sync inconsistent — repair the vault file.";

// The entry to record in the final Delete version: the entry itself, or the
// snapshot of its head version when the entry can no longer be read.
Result<Entry> entry_to_record(format::FormatManager& manager, const history::HistoryJournal& journal,
                              const Uuid& entry_id) {
  auto entry = manager.get_entry(entry_id);
  if (!entry) return std::unexpected(entry.error());
  if (*entry) return std::move(**entry);
  const auto* head = journal.get_head_version(entry_id);
  if (head == nullptr) return fail(ServiceError::JournalError, std::string(no_final_delete_text));
  return manager.get_version_snapshot(entry_id, head->meta.version_id);
}

// This device's id in the vault's SyncMeta, which is made when missing.
Uuid this_device_id(format::SecureHeader& header) {
  if (!header.sync_meta) header.sync_meta = sync::new_sync_meta(header.file_uuid, crypto::random_uuid());
  return header.sync_meta->device_id;
}

}  // namespace

bool is_expired_trash(const format::IndexEntry& row, const DateTime& now, std::uint64_t retention_seconds) {
  if (!row.is_deleted) return false;
  if (!row.deleted_at) return true;
  const DateTime& deleted_at = *row.deleted_at;
  if (deleted_at > now) return false;
  // now - deleted_at as whole seconds and nanoseconds; the difference of two
  // i64 values with now >= deleted_at always fits in a u64.
  auto seconds = static_cast<std::uint64_t>(now.seconds) - static_cast<std::uint64_t>(deleted_at.seconds);
  auto nanos = static_cast<std::int64_t>(now.nanos) - static_cast<std::int64_t>(deleted_at.nanos);
  while (nanos < 0) {
    if (seconds == 0) return false;  // a leap-second reading just ahead of now
    --seconds;
    nanos += nanos_per_second;
  }
  return seconds > retention_seconds || (seconds == retention_seconds && nanos > 0);
}

asio::awaitable<Result<std::vector<Entry>>> EntryRepository::list_entries_unmasked() {
  auto guard = co_await format_manager_->mutex.lock();
  co_return format_manager_->manager.list_entries_unmasked();
}

asio::awaitable<Result<std::uint32_t>> EntryRepository::cleanup_expired_trash(std::uint32_t days) {
  const DateTime now = DateTime::now();
  const std::uint64_t retention_seconds = std::uint64_t{days} * seconds_per_day;
  auto guard = co_await format_manager_->mutex.lock();
  format::FormatManager& manager = format_manager_->manager;
  std::vector<Uuid> expired;
  for (const auto& row : manager.vault().index().all_entries()) {
    if (is_expired_trash(row, now, retention_seconds)) expired.push_back(row.entry_id);
  }
  for (const Uuid& entry_id : expired) {
    if (auto purged = purge_trash_entry_with_final_journal_delete(manager, entry_id); !purged) {
      co_return std::unexpected(purged.error());
    }
  }
  if (auto saved = manager.save_vault(); !saved) co_return std::unexpected(saved.error());
  co_return static_cast<std::uint32_t>(expired.size());
}

Result<void> EntryRepository::purge_trash_entry_with_final_journal_delete(format::FormatManager& manager,
                                                                          const Uuid& entry_id) {
  format::SecureVaultFormat& vault = manager.vault();
  if (const auto& journal = vault.tables().journal) {
    auto entry = entry_to_record(manager, *journal, entry_id);
    if (!entry) return std::unexpected(entry.error());
    const Uuid device_id = this_device_id(vault.header());
    auto committed = manager.commit_version(*entry, history::EntryOpKind::Delete, device_id, std::nullopt);
    if (!committed) return std::unexpected(committed.error());
  }
  return vault.permanently_delete_entry(entry_id);
}

}  // namespace vantoro::storage
