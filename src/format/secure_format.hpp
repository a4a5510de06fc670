#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "crypto/keys.hpp"
#include "error/app_error.hpp"
#include "folders/folders_table.hpp"
#include "format/btree_index.hpp"
#include "format/save_steps.hpp"
#include "format/secure_header.hpp"
#include "history/history_journal.hpp"
#include "models/entry.hpp"
#include "mvc/models/vault_backup_settings.hpp"
#include "mvc/models/vault_sync_settings.hpp"
#include "services/wal_service.hpp"
#include "share/share_table.hpp"
#include "stats/reuse_index.hpp"
#include "stats/stats_aggregate.hpp"

namespace vantoro::format {

// The six tables stored in side blocks after the entry data, in file order.
// Each is absent only when a pre-v4 vault was opened.
struct SideTables {
  std::optional<history::HistoryJournal> journal;
  std::optional<share::ShareTable> shares;
  std::optional<stats::StatsAggregate> stats;
  std::optional<folders::FoldersTable> folders;
  std::optional<mvc::VaultBackupSettings> backup_settings;
  std::optional<mvc::VaultSyncSettings> sync_settings;

  // Every table present and at its default value.
  [[nodiscard]] static SideTables defaults();
};

// Entry id -> the entry's sealed record bytes exactly as stored. Ciphertext
// only; Document records are never held here.
using EntryCache = std::unordered_map<Uuid, encoding::Bytes>;

// One open vault file in memory: header, master key, index, entry cache, side
// tables, reuse index and write-ahead log. Owns all of them; releasing it
// wipes the master key. No locking of its own: the storage service calls it
// under its mutex. Each file operation opens and closes its own handle.
//
// After a failed open_vault the object is in a partial state and must not be
// used for vault operations until the next successful open.
class SecureVaultFormat {
 public:
  // Fresh header for `device_id`, no path, no key, default tables, an empty
  // reuse index without a key, no log.
  [[nodiscard]] static SecureVaultFormat new_v4(const Uuid& device_id);

  // ---- opening (secure_format_open.cpp) ----
  [[nodiscard]] Result<void> open_vault(const std::filesystem::path& path, std::string_view passphrase);
  // Copies recovery material from the preamble into a header that lacks it.
  [[nodiscard]] Result<void> reconcile_recovery_metadata_from_preamble();
  [[nodiscard]] Result<crypto::Bytes> encrypt_index(std::span<const std::uint8_t> encoded_index) const;
  [[nodiscard]] Result<void> decrypt_index(std::span<const std::uint8_t> sealed, const Uuid& file_uuid);

  // ---- entries (secure_format_entries.cpp) ----
  [[nodiscard]] Result<crypto::SecretBytes> decrypt_entry_data(std::span<const std::uint8_t> sealed,
                                                               const Uuid& entry_id) const;
  [[nodiscard]] Result<Entry> get_entry(const Uuid& entry_id);
  [[nodiscard]] Result<void> load_entries_into_cache();
  // Live entries in ascending id order; unreadable ones are left out.
  [[nodiscard]] std::vector<Entry> list_entries_unmasked();

  // ---- offsets and permanent deletion (secure_format_offsets.cpp) ----
  // Re-lays the entry data region: every row gets a new offset, packed back
  // to back from the index end in (created_at, id) order, and the length and
  // checksum of its cached payload (Document rows keep their own). Fills the
  // cache with every payload it can read. Writes nothing to the file. When a
  // new offset collides (an empty payload shares it with the next one) it
  // fails with FormatError::InvalidOffset and leaves every row as it was.
  [[nodiscard]] Result<void> recalculate_offsets();
  // Logs the deletion in the write-ahead log first, then drops the row, its
  // cached payload and one from entry_count (not below 0). Succeeds for an
  // id that has no row. Writes nothing to the vault file.
  [[nodiscard]] Result<void> permanently_delete_entry(const Uuid& entry_id);

  // ---- saving (secure_format_save.cpp) ----
  // Writes the whole vault to a new file that replaces the old one once it is
  // complete and synced, then clears the write-ahead log. Every check that
  // can fail runs before the file system is touched; a failed save leaves the
  // previous file in place and keeps the in-memory preparation (journal
  // cleanup, offsets, settings sizes). `steps` are the file-system calls.
  [[nodiscard]] Result<void> save_vault_impl(bool reconcile_first, const SaveSteps& steps = system_save_steps());

  // ---- version commits and snapshots (secure_format_versions.cpp) ----
  // Snapshots `entry` (Document content left out) as a new head version in
  // the journal and brings its index row up to date; returns the version id.
  [[nodiscard]] Result<Uuid> commit_version(const Entry& entry, history::EntryOpKind op, const Uuid& device_id,
                                            std::optional<std::string> note);
  // The entry as stored in a version of the journal.
  [[nodiscard]] Result<Entry> get_version_snapshot(const Uuid& entry_id, const Uuid& version_id) const;

  // ---- parts, for the format manager and the maintenance operations ----
  [[nodiscard]] const SecureHeader& header() const { return header_; }
  [[nodiscard]] SecureHeader& header() { return header_; }
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] const crypto::KeyManager& keys() const { return keys_; }
  [[nodiscard]] const BTreeIndex& index() const { return index_; }
  [[nodiscard]] BTreeIndex& index() { return index_; }
  [[nodiscard]] const EntryCache& entry_cache() const { return entry_cache_; }
  [[nodiscard]] const SideTables& tables() const { return tables_; }
  [[nodiscard]] SideTables& tables() { return tables_; }
  [[nodiscard]] const std::optional<stats::ReuseIndex>& reuse_index() const { return reuse_index_; }
  [[nodiscard]] const std::optional<services::WalService>& wal_service() const { return wal_service_; }

  // Lock-time clearing: cache, index and path go; keys and tables stay.
  void clear_cache();

 private:
  explicit SecureVaultFormat(SecureHeader header);

  [[nodiscard]] Result<void> load_v4_blocks(const std::filesystem::path& path, const Uuid& file_uuid);
  void initialize_reuse_index();
  // The sealed bytes of `row`: from the cache, or read (and cached unless Document).
  [[nodiscard]] Result<encoding::Bytes> sealed_entry_bytes(const IndexEntry& row);

  SecureHeader header_;
  std::filesystem::path path_;
  crypto::KeyManager keys_;
  BTreeIndex index_;
  EntryCache entry_cache_;
  SideTables tables_;
  std::optional<stats::ReuseIndex> reuse_index_;
  std::optional<services::WalService> wal_service_;
};

// Checks the clear parts of a vault file: magic, version, size >= 100, a salt
// that is not all zero, 1 <= header length <= 10 MiB and a file long enough
// for it. FormatError::CorruptedData for a structural fault.
[[nodiscard]] Result<void> verify_file_integrity(const std::filesystem::path& path);

// The sealed record described by `row`, read from `path` (empty for length 0).
[[nodiscard]] Result<encoding::Bytes> read_entry_data(const std::filesystem::path& path, const IndexEntry& row);

// Decodes an entry payload: record form, then the 10-field legacy form when
// the record form ran out of input, then the JSON form.
[[nodiscard]] Result<Entry> decode_entry_payload(std::span<const std::uint8_t> payload);

}  // namespace vantoro::format
