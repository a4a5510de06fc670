#include "format/wal.hpp"

#include <algorithm>
#include <ranges>

#include "crypto/checksum.hpp"
#include "crypto/keys.hpp"
#include "crypto/seal.hpp"

namespace vantoro::format {
namespace {

Result<void> check_wal(const DbWal& wal) {
  if (wal.calculate_checksum() != wal.checksum) {
    return fail(FormatError::WalReadError, "Invalid WAL checksum (corrupt file)");
  }
  auto without_reference = [](const WalOperation& op) { return !op.old_ref && !op.new_ref; };
  if (std::ranges::any_of(wal.operations, without_reference)) return fail(FormatError::CorruptedWal);
  return {};
}

// Marks the row of a Delete as trashed at the logged time; false when there
// is nothing to do or the index refuses the row.
bool apply_delete(const WalOperation& op, BTreeIndex& index) {
  const IndexEntry* row = index.find(op.entry_id);
  if (!row || row->is_deleted) return false;
  IndexEntry trashed = *row;
  trashed.is_deleted = true;
  trashed.deleted_at = op.timestamp;
  return index.update_entry(op.entry_id, std::move(trashed)).has_value();
}

}  // namespace

Digest DbWal::calculate_checksum() const {
  encoding::Bytes stream;
  stream.reserve(operations.size() * (1 + 16 + 8 + 1));
  encoding::ByteWriter out(stream);
  for (const auto& op : operations) {
    encoding::write(out, static_cast<std::uint8_t>(op.operation_type));
    encoding::write(out, op.entry_id.bytes);
    encoding::write(out, op.timestamp.seconds);
    encoding::write(out, op.committed);
  }
  return crypto::calculate_checksum(stream);
}

Result<DbWal> open_wal(std::span<const std::uint8_t> file_bytes, const crypto::Key& master_key,
                       const Uuid& file_uuid) {
  if (file_bytes.size() < crypto::nonce_length) {
    return fail(FormatError::WalReadError, "WAL file too short (missing nonce)");
  }
  auto plaintext = crypto::open_blob(crypto::derive_wal_key(master_key, file_uuid), file_bytes);
  if (!plaintext) {
    // The detail is itself a full WAL decryption error, so users see the
    // kind's wording twice; kept as every build of the product shows it.
    AppError detail(FormatError::WalDecryptionError, "Decryption error: " + plaintext.error().text());
    return fail(FormatError::WalDecryptionError, "WAL decryption error: " + detail.display());
  }
  auto wal = encoding::decode_record<DbWal>(*plaintext);
  if (!wal) return fail(FormatError::WalReadError, "WAL deserialization error: " + wal.error().message);
  if (auto valid = check_wal(*wal); !valid) return std::unexpected(valid.error());
  return std::move(*wal);
}

Result<crypto::Bytes> seal_wal(DbWal& wal, const crypto::Key& master_key, const Uuid& file_uuid) {
  wal.checksum = wal.calculate_checksum();
  auto sealed = crypto::seal_blob(crypto::derive_wal_key(master_key, file_uuid), encoding::encode_record(wal));
  if (!sealed) return fail(FormatError::WalWriteError, "Encryption error: " + sealed.error().text());
  return sealed;
}

std::size_t replay_wal(const DbWal& wal, BTreeIndex& index) {
  std::vector<const WalOperation*> pending;
  for (const auto& op : wal.operations) {
    if (!op.committed) pending.push_back(&op);
  }
  std::ranges::stable_sort(pending, {}, &WalOperation::timestamp);
  std::size_t applied = 0;
  for (const WalOperation* op : pending) {
    if (op->operation_type == WalOperationType::Delete && apply_delete(*op, index)) ++applied;
  }
  return applied;
}

}  // namespace vantoro::format
