#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "format/btree_index.hpp"
#include "models/date_time.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::format {

// The kind of a logged change. Stored on disk as its index (u32): never
// renumber or reorder. Only Delete is written; the others decode and are
// carried, and replay gives them no effect.
enum class WalOperationType : std::uint32_t { Insert, Update, Delete, Move, Checkpoint };

inline constexpr std::array<std::string_view, 5> wal_operation_type_names = {
    "Insert", "Update", "Delete", "Move", "Checkpoint"};

constexpr const std::array<std::string_view, 5>& enum_names(WalOperationType) { return wal_operation_type_names; }

// One logged change. A valid operation has old_ref or new_ref (or both).
struct WalOperation {
  WalOperationType operation_type = WalOperationType::Delete;
  Uuid entry_id;
  std::optional<std::uint64_t> old_ref;  // Delete: offset of the removed row's record
  std::optional<std::uint64_t> new_ref;
  DateTime timestamp;                    // when it was logged, UTC
  bool committed = false;                // replay skips committed operations

  friend bool operator==(const WalOperation&, const WalOperation&) = default;
};

template <class V>
void visit_fields(V& v, WalOperation& r) {
  v("operation_type", r.operation_type); v("entry_id", r.entry_id); v("old_ref", r.old_ref);
  v("new_ref", r.new_ref); v("timestamp", r.timestamp); v("committed", r.committed);
}

// The whole log: operations in append order and the WAL checksum, a SHA-256
// over (type, id, whole seconds of the timestamp, committed) of each
// operation; the references are not covered.
struct DbWal {
  std::vector<WalOperation> operations;
  Digest checksum{};

  [[nodiscard]] Digest calculate_checksum() const;
};

template <class V>
void visit_fields(V& v, DbWal& r) {
  v("operations", r.operations); v("checksum", r.checksum);
}

// The log file's content: a sealed blob (nonce || ciphertext || tag) of the
// encoded DbWal under derive_wal_key(master_key, file_uuid).
//
// open_wal checks, in this order, and fails with
//   fewer than 12 bytes     FormatError::WalReadError("WAL file too short (missing nonce)")
//   authentication fails    FormatError::WalDecryptionError("WAL decryption error: ...")
//   bytes do not decode     FormatError::WalReadError("WAL deserialization error: ...")
//   checksum differs        FormatError::WalReadError("Invalid WAL checksum (corrupt file)")
//   an operation without either reference   FormatError::CorruptedWal
[[nodiscard]] Result<DbWal> open_wal(std::span<const std::uint8_t> file_bytes, const crypto::Key& master_key,
                                     const Uuid& file_uuid);

// Stores the checksum of `wal.operations` in `wal` and seals it with a fresh
// nonce; an encryption failure is FormatError::WalWriteError("Encryption error: ...").
[[nodiscard]] Result<crypto::Bytes> seal_wal(DbWal& wal, const crypto::Key& master_key, const Uuid& file_uuid);

// Replays the uncommitted operations, oldest timestamp first (equal times in
// log order), into `index`: a Delete of a row not yet in the trash marks it
// deleted as of the logged time. Returns how many rows it changed; rows are
// never removed and the log is not changed.
std::size_t replay_wal(const DbWal& wal, BTreeIndex& index);

}  // namespace vantoro::format
