#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "crypto/kdf.hpp"
#include "crypto/keys.hpp"
#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "format/vault_layout.hpp"
#include "models/date_time.hpp"
#include "models/uuid.hpp"
#include "sync/sync_meta.hpp"

namespace vantoro::format {

// The cipher a header declares. Stored on disk as its index (u32): never
// renumber or reorder. Carried only: every blob is AES-256-GCM whatever it says.
enum class EncryptionAlgorithm : std::uint32_t { Aes256Gcm, XChaCha20Poly1305 };

inline constexpr std::array<std::string_view, 2> encryption_algorithm_names = {"Aes256Gcm", "XChaCha20Poly1305"};

constexpr const std::array<std::string_view, 2>& enum_names(EncryptionAlgorithm) { return encryption_algorithm_names; }

using Salt = std::array<std::uint8_t, salt_size>;

// The vault's root record, sealed in the file's second region under the
// header key of its file_uuid. Fields are in wire order (never reorder); the
// names are the keys of its read-only JSON form. No field is checked when it
// is decoded: the salt and file_uuid are compared with the preamble by the
// open, and `magic` and `header_checksum` are carried unchanged.
struct SecureHeader {
  std::uint32_t magic = header_magic;
  std::uint16_t format_version = vault_format_version;
  Uuid file_uuid;
  Salt salt{};
  crypto::KdfParams kdf_params;
  EncryptionAlgorithm encryption_algorithm = EncryptionAlgorithm::Aes256Gcm;
  std::uint32_t entry_count = 0;
  std::uint64_t total_size = 0;
  DateTime created_at;
  DateTime updated_at;
  std::array<std::uint8_t, 32> header_checksum{};  // reserved: never computed or checked
  std::optional<sync::SyncMeta> sync_meta;
  // Lengths of the side blocks at the last save; readers use the file's own
  // length prefixes instead.
  std::uint64_t journal_size = 0;
  std::uint64_t shares_size = 0;
  std::uint64_t stats_size = 0;
  std::uint64_t folders_size = 0;
  // Recovery material, copied into the preamble by the writer.
  std::optional<Salt> recovery_salt;
  std::optional<std::vector<std::uint8_t>> master_key_wrapped_with_recovery;
  bool recovery_enabled = false;
  std::uint64_t backup_settings_size = 0;
  std::uint64_t sync_settings_size = 0;

  // A fresh header: new random file_uuid and salt, default KDF costs,
  // created_at = updated_at = now, and a SyncMeta for `device_id`.
  [[nodiscard]] static SecureHeader new_v4(const Uuid& device_id);

  friend bool operator==(const SecureHeader&, const SecureHeader&) = default;
};

// In the JSON form a missing `salt` reads as 32 zero bytes and a missing
// `recovery_enabled` as false; every other non-optional member is required.
template <class V>
void visit_fields(V& v, SecureHeader& r) {
  v("magic", r.magic); v("format_version", r.format_version); v("file_uuid", r.file_uuid);
  v("salt", r.salt, Salt{}); v("kdf_params", r.kdf_params); v("encryption_algorithm", r.encryption_algorithm);
  v("entry_count", r.entry_count); v("total_size", r.total_size); v("created_at", r.created_at);
  v("updated_at", r.updated_at); v("header_checksum", r.header_checksum); v("sync_meta", r.sync_meta);
  v("journal_size", r.journal_size); v("shares_size", r.shares_size); v("stats_size", r.stats_size);
  v("folders_size", r.folders_size); v("recovery_salt", r.recovery_salt);
  v("master_key_wrapped_with_recovery", r.master_key_wrapped_with_recovery);
  v("recovery_enabled", r.recovery_enabled, false); v("backup_settings_size", r.backup_settings_size);
  v("sync_settings_size", r.sync_settings_size);
}

// The record encoding of `header` sealed under the header key of its own
// file_uuid with a fresh nonce: nonce || ciphertext || tag.
// Fails with CryptoError::NoMasterKey when `keys` holds no master key.
[[nodiscard]] Result<crypto::Bytes> encrypt_header(const SecureHeader& header, const crypto::KeyManager& keys);

// Opens a sealed header read from the file, keyed by the preamble's
// file_uuid, and decodes it (decode_header). The caller replaces its header
// only on success. Errors, in order of the checks:
//   under 12 bytes           FormatError::DeserializationError("Encrypted header too short"), no key derived
//   no master key            CryptoError::NoMasterKey
//   authentication fails     CryptoError::DecryptionError (wrong passphrase, damage, another file_uuid)
//   then decode_header's errors
[[nodiscard]] Result<SecureHeader> decrypt_header(std::span<const std::uint8_t> sealed, const Uuid& file_uuid,
                                                  const crypto::KeyManager& keys);

// A header plaintext: the record encoding (bytes after the last field
// ignored), else its JSON form. A record-decoding error about an option tag
// is not retried as JSON. FormatError::DeserializationError with
//   "Header format mismatch: {E}. The vault may come from an incompatible app build (enum tag layout). Detail: {E}"
//   "Bincode and JSON deserialize failed: bincode={E}, json={J}"
[[nodiscard]] Result<SecureHeader> decode_header(std::span<const std::uint8_t> plaintext);

}  // namespace vantoro::format
