#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "history/entry_version.hpp"
#include "models/uuid.hpp"

namespace vantoro::history {

// The chain of committed versions of every entry of a format-4 vault, owned
// by the open vault and stored as the journal block. Changed only through
// add_version and cleanup_deleted_entries, which keep: every id listed for an
// entry has a record, an entry's head is the last id added for it, and an
// entry is tombstoned exactly when its last Delete/Restore was a Delete. A
// journal read from a file is used as decoded, without checking these. No
// lock of its own; none of its operations can fail. Default-constructed, all
// four containers are empty.
struct HistoryJournal {
  std::unordered_map<Uuid, std::vector<Uuid>> versions_by_entry;  // in adding order
  std::unordered_map<Uuid, EntryVersionRecord> version_records;   // by version id
  std::unordered_map<Uuid, Uuid> head_by_entry;                   // entry id -> version id
  std::unordered_set<Uuid> deleted_tombstones;                    // entry ids

  // Appends the version to its entry's list, stores it (replacing a record
  // of the same version id), makes it the head and updates the tombstones.
  void add_version(EntryVersionRecord record);

  // The entry's head record; null when the entry has no head or its head
  // has no record. The pointer is valid until the journal next changes.
  [[nodiscard]] const EntryVersionRecord* get_head_version(const Uuid& entry_id) const;

  // Removes the whole history of every entry that is not in `live_entry_ids`,
  // except entries whose head record is a Delete, which keep theirs. Live
  // entries and records listed under no entry are never touched.
  void cleanup_deleted_entries(const std::unordered_set<Uuid>& live_entry_ids);

  bool operator==(const HistoryJournal&) const = default;
};

template <class V>
void visit_fields(V& v, HistoryJournal& r) {
  v("versions_by_entry", r.versions_by_entry); v("version_records", r.version_records);
  v("head_by_entry", r.head_by_entry); v("deleted_tombstones", r.deleted_tombstones);
}

// The journal block, sealed under the journal key of `master_key` and the
// vault's file UUID. The caller checks the format version and that a master
// key is held. Fails only as sealing does.
[[nodiscard]] Result<crypto::Bytes> encrypt_journal_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                          const HistoryJournal& journal);

// Opens a journal block:
//   under 12 bytes   -> FormatError::DeserializationError("Journal block too short")
//   AEAD failure     -> CryptoError::DecryptionError, unchanged
//   undecodable      -> FormatError::DeserializationError(decoder's message)
[[nodiscard]] Result<HistoryJournal> decrypt_journal_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                           std::span<const std::uint8_t> block);

}  // namespace vantoro::history
