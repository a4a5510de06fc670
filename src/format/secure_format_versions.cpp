// Version commits and snapshots: the state of one entry sealed under a key of
// its own version, kept in the history journal.
#include "crypto/checksum.hpp"
#include "crypto/random.hpp"
#include "crypto/seal.hpp"
#include "format/secure_format.hpp"
#include "record_encoding/json_form.hpp"

namespace vantoro::format {
namespace {

// The entry as a version keeps it: a Document without its content.
Entry snapshot_of(const Entry& entry) {
  Entry snapshot = entry;
  auto* document = std::get_if<DocumentData>(&snapshot.data);
  if (entry.entry_type == EntryType::Document && document != nullptr) document->content.clear();
  return snapshot;
}

// The row after a commit of `op` as `version_id`.
IndexEntry row_after(IndexEntry row, history::EntryOpKind op, const Uuid& version_id) {
  row.head_version_id = version_id;
  ++row.version_count;
  if (op == history::EntryOpKind::Delete) {
    row.is_deleted = true;
    row.deleted_at = DateTime::now();
  } else if (op == history::EntryOpKind::Restore) {
    row.is_deleted = false;
    row.deleted_at.reset();
  }
  return row;
}

}  // namespace

Result<Uuid> SecureVaultFormat::commit_version(const Entry& entry, history::EntryOpKind op, const Uuid& device_id,
                                               std::optional<std::string> note) {
  std::optional<Uuid> parent;
  if (tables_.journal) {
    if (const auto* head = tables_.journal->get_head_version(entry.id)) parent = head->meta.version_id;
  }
  auto master = keys_.master_key();
  if (!master) return std::unexpected(master.error());
  const std::uint64_t lamport = header_.sync_meta ? header_.sync_meta->lamport + 1 : 1;
  const Uuid version_id = crypto::random_uuid();
  // Encoded once: the same bytes are hashed and sealed.
  const crypto::SecretBytes encoded(encoding::encode_record(snapshot_of(entry)));
  const crypto::Digest content_hash = crypto::calculate_checksum(encoded);
  std::optional<IndexEntry> row;
  if (const IndexEntry* found = index_.find(entry.id)) row = *found;
  const DateTime timestamp = DateTime::now();
  auto sealed = crypto::seal_blob(crypto::derive_entry_version_key(master->get(), entry.id, version_id), encoded);
  if (!sealed) return std::unexpected(sealed.error());

  history::EntryVersionRecord record{
      .meta = {.version_id = version_id,
               .parent_version_id = parent,
               .entry_id = entry.id,
               .op = op,
               .device_id = device_id,
               .lamport = lamport,
               .timestamp = timestamp,
               .content_hash = content_hash,
               .note = std::move(note),
               .reserved = {}},
      .encrypted_snapshot = std::move(*sealed)};
  // Advanced before the journal check: a commit refused for want of a
  // journal still uses up its counter value.
  if (header_.sync_meta) ++header_.sync_meta->lamport;
  if (!tables_.journal) return fail(ServiceError::NotImplemented, "History journal not available (pre-v4 vault?)");
  tables_.journal->add_version(std::move(record));
  if (row) {
    if (auto updated = index_.update_entry(entry.id, row_after(std::move(*row), op, version_id)); !updated) {
      return std::unexpected(updated.error());
    }
  }
  return version_id;
}

Result<Entry> SecureVaultFormat::get_version_snapshot(const Uuid& entry_id, const Uuid& version_id) const {
  if (!tables_.journal) return fail(ServiceError::NotImplemented, "History journal not available");
  const auto& records = tables_.journal->version_records;
  auto record = records.find(version_id);
  if (record == records.end()) {
    return fail(ServiceError::EntryNotFound, "Version " + version_id.to_string() + " not found");
  }
  auto master = keys_.master_key();
  if (!master) return std::unexpected(master.error());
  const auto key = crypto::derive_entry_version_key(master->get(), entry_id, version_id);
  const auto& sealed = record->second.encrypted_snapshot;
  if (auto length = crypto::check_blob_length(sealed, "Encrypted snapshot too short"); !length) {
    return std::unexpected(length.error());
  }
  auto plaintext = crypto::open_blob(key, sealed);
  if (!plaintext) return std::unexpected(plaintext.error());
  if (auto decoded = encoding::decode_record<Entry>(plaintext->span())) return std::move(*decoded);
  auto json = encoding::decode_json_record<Entry>(plaintext->span());
  if (!json) {
    return fail(FormatError::DeserializationError, "Bincode/JSON snapshot deserialize failed: " + json.error());
  }
  return std::move(*json);
}

}  // namespace vantoro::format
