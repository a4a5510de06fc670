// Entry records: reading a sealed record at its offset, opening it with the
// entry's own key, unpacking and decoding it through its fallback forms.
#include <string>

#include "format/compression.hpp"
#include "crypto/seal.hpp"
#include "format/posix_file.hpp"
#include "format/secure_format.hpp"
#include "record_encoding/json_form.hpp"

namespace vantoro::format {
namespace {

AppError read_error(std::string text) { return AppError(StorageError::ReadError, std::move(text)); }

AppError deserialization_error(std::string text) {
  return AppError(FormatError::DeserializationError, std::move(text));
}

}  // namespace

Result<encoding::Bytes> read_entry_data(const std::filesystem::path& path, const IndexEntry& row) {
  if (row.length == 0) return encoding::Bytes{};
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(file.error());
  auto file_size = file->size();
  if (!file_size) return std::unexpected(file_size.error());
  const auto id = row.entry_id.to_string();
  if (row.offset > *file_size || row.length > *file_size - row.offset) {
    return std::unexpected(read_error("Requested data exceeds file size: offset=" + std::to_string(row.offset) +
                                      ", length=" + std::to_string(row.length) +
                                      ", file_size=" + std::to_string(*file_size)));
  }
  auto position = file->seek(row.offset);
  if (!position) {
    return std::unexpected(read_error("seek to offset " + std::to_string(row.offset) + " for entry " + id + ": " +
                                      position.error().text()));
  }
  if (*position != row.offset) {
    return std::unexpected(read_error("seek landed at wrong offset: expected " + std::to_string(row.offset) +
                                      " for entry " + id + " (type: " + std::string(entry_type_name(row.entry_type)) +
                                      ")"));
  }
  encoding::Bytes bytes(row.length);
  if (auto read = file->read_exact(bytes); !read) {
    return std::unexpected(read_error("Error reading entry " + id + " data (offset: " + std::to_string(row.offset) +
                                      ", len: " + std::to_string(row.length) + ", pos: " + std::to_string(*position) +
                                      ", file size: " + std::to_string(*file_size) + "): " + read.error().text()));
  }
  return bytes;
}

Result<Entry> decode_entry_payload(std::span<const std::uint8_t> payload) {
  auto record = encoding::decode_record<Entry>(payload);
  if (record) return std::move(*record);
  const auto& binary_error = record.error();
  if (binary_error.end_of_input) {
    if (auto legacy = encoding::decode_record<EntryLegacy>(payload)) return to_entry(std::move(*legacy));
    if (auto json = encoding::decode_json_record<Entry>(payload)) return std::move(*json);
    return std::unexpected(deserialization_error("Deserialization failed: " + binary_error.message));
  }
  auto json = encoding::decode_json_record<Entry>(payload);
  if (json) return std::move(*json);
  return std::unexpected(deserialization_error("Bincode and JSON deserialize failed: bincode=" + binary_error.message +
                                               ", json=" + json.error()));
}

Result<crypto::SecretBytes> SecureVaultFormat::decrypt_entry_data(std::span<const std::uint8_t> sealed,
                                                                  const Uuid& entry_id) const {
  if (auto length = crypto::check_blob_length(sealed, "Ciphertext too short"); !length) {
    return std::unexpected(length.error());
  }
  auto key = keys_.derive_entry_key(entry_id);
  if (!key) return std::unexpected(key.error());
  return crypto::open_blob(*key, sealed);
}

Result<encoding::Bytes> SecureVaultFormat::sealed_entry_bytes(const IndexEntry& row) {
  if (row.entry_type == EntryType::Document) return read_entry_data(path_, row);
  if (auto cached = entry_cache_.find(row.entry_id); cached != entry_cache_.end()) return cached->second;
  auto bytes = read_entry_data(path_, row);
  if (bytes) entry_cache_.emplace(row.entry_id, *bytes);
  return bytes;
}

Result<Entry> SecureVaultFormat::get_entry(const Uuid& entry_id) {
  const IndexEntry* found = index_.find(entry_id);
  if (!found) return fail(ServiceError::EntryNotFound, entry_id.to_string());
  const IndexEntry row = *found;
  auto sealed = sealed_entry_bytes(row);
  if (!sealed) return std::unexpected(sealed.error());
  auto payload = decrypt_entry_data(*sealed, entry_id);
  if (!payload) return std::unexpected(payload.error());
  if (row.compressed) {
    auto unpacked = CompressionManager{}.decompress(*payload);
    if (!unpacked) return std::unexpected(deserialization_error("Decompression failed after all attempts"));
    payload = std::move(unpacked);
  }
  if (payload->empty()) return std::unexpected(deserialization_error("Empty payload after decrypt"));
  return decode_entry_payload(*payload);
}

Result<void> SecureVaultFormat::load_entries_into_cache() {
  entry_cache_.clear();
  for (const IndexEntry& row : index_.get_all_entries()) {
    if (row.entry_type == EntryType::Document || (row.offset == 0 && row.length == 0)) continue;
    auto bytes = read_entry_data(path_, row);
    if (!bytes) return std::unexpected(bytes.error());
    entry_cache_.insert_or_assign(row.entry_id, std::move(*bytes));
  }
  return {};
}

std::vector<Entry> SecureVaultFormat::list_entries_unmasked() {
  std::vector<Entry> entries;
  for (const IndexEntry& row : index_.get_all_entries()) {
    if (row.is_deleted) continue;
    if (auto entry = get_entry(row.entry_id)) entries.push_back(std::move(*entry));
  }
  return entries;
}

}  // namespace vantoro::format
