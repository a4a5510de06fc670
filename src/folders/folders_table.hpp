#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "models/date_time.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::folders {

// One folder of the tree entries can be filed in. Fields in stored order
// (never reorder).
struct FolderData {
  Uuid id;
  std::string name;
  std::optional<Uuid> parent_id;  // absent for a top-level folder; may name no folder at all
  DateTime created_at;
  DateTime updated_at;
  bool operator==(const FolderData&) const = default;
};

template <class V>
void visit_fields(V& v, FolderData& r) {
  v("id", r.id); v("name", r.name); v("parent_id", r.parent_id); v("created_at", r.created_at);
  v("updated_at", r.updated_at);
}

// The folder tree by folder id. Carried from open to save unchanged and never
// checked (a key need not equal its folder's id, parents may dangle).
using FoldersTable = std::unordered_map<Uuid, FolderData>;

// The folders block, sealed under the folders key of `master_key` and the
// vault's file UUID. The caller checks the format version and that a master
// key is held. Fails only as sealing does.
[[nodiscard]] Result<crypto::Bytes> encrypt_folders_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                          const FoldersTable& folders);

// Opens a folders block:
//   under 12 bytes -> FormatError::DeserializationError("Folders block too short")
//   AEAD failure   -> CryptoError::DecryptionError, unchanged
//   undecodable    -> FormatError::DeserializationError(decoder's message)
[[nodiscard]] Result<FoldersTable> decrypt_folders_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                         std::span<const std::uint8_t> block);

}  // namespace vantoro::folders
