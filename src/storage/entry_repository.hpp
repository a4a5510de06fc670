#pragma once

#include <cstdint>
#include <vector>

#include <asio/awaitable.hpp>

#include "error/app_error.hpp"
#include "format/btree_index.hpp"
#include "models/date_time.hpp"
#include "models/entry.hpp"
#include "storage/guarded_format_manager.hpp"

namespace vantoro::storage {

// How long a trashed entry stays before the purge erases it.
inline constexpr std::uint32_t trash_retention_days = 30;

// Entry-level operations of the storage service: listing in clear and
// purging the trash. Holds a second handle to the storage manager's guarded
// FormatManager; each asynchronous operation takes the lock.
class EntryRepository {
 public:
  explicit EntryRepository(SharedFormatManager format_manager) : format_manager_(std::move(format_manager)) {}

  [[nodiscard]] asio::awaitable<Result<std::vector<Entry>>> list_entries_unmasked();

  // Under one hold of the lock: purges, in ascending id order, every row that
  // is expired trash (is_expired_trash) and then saves the vault, also when
  // nothing was due. Returns how many were purged. The first failing purge
  // stops it, before any save; the purges before it stay in memory.
  [[nodiscard]] asio::awaitable<Result<std::uint32_t>> cleanup_expired_trash(std::uint32_t days);

  // Erases one entry for good. With a history journal, first commits a final
  // Delete version of it (from the entry, or else from its head snapshot) for
  // this device, making the device's SyncMeta if the header has none. The
  // caller holds the lock.
  [[nodiscard]] static Result<void> purge_trash_entry_with_final_journal_delete(format::FormatManager& manager,
                                                                               const Uuid& entry_id);

 private:
  SharedFormatManager format_manager_;
};

// True when `row` is trashed and either has no deletion time or was deleted
// more than `retention_seconds` before `now` (strictly; whole seconds, then
// nanoseconds). A deletion time in the future never expires.
[[nodiscard]] bool is_expired_trash(const format::IndexEntry& row, const DateTime& now,
                                    std::uint64_t retention_seconds);

}  // namespace vantoro::storage
