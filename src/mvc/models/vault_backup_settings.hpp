#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::mvc {

// The vault's backup settings, stored as the backup settings block. Carried
// from open to save, never interpreted. Default-constructed, it holds the
// defaults a vault gets when its block is absent or unreadable. Fields in
// stored order (never reorder).
struct VaultBackupSettings {
  bool auto_backup = true;
  std::uint64_t backup_interval = 24;
  std::uint32_t max_backups = 10;
  std::optional<std::string> backup_location;
  bool encrypt_backups = true;
  bool operator==(const VaultBackupSettings&) const = default;
};

template <class V>
void visit_fields(V& v, VaultBackupSettings& r) {
  v("auto_backup", r.auto_backup); v("backup_interval", r.backup_interval); v("max_backups", r.max_backups);
  v("backup_location", r.backup_location); v("encrypt_backups", r.encrypt_backups);
}

// The backup settings block, sealed under the backup-settings key of
// `master_key` and the vault's file UUID. The caller checks that a master key
// is held. Fails only as sealing does.
[[nodiscard]] Result<crypto::Bytes> encrypt_backup_settings_block(const crypto::Key& master_key,
                                                                  const Uuid& file_uuid,
                                                                  const VaultBackupSettings& settings);

// Opens a backup settings block:
//   under 12 bytes -> FormatError::DeserializationError("Backup settings block too short")
//   AEAD failure   -> CryptoError::DecryptionError, unchanged
//   undecodable    -> FormatError::DeserializationError(decoder's message)
[[nodiscard]] Result<VaultBackupSettings> decrypt_backup_settings_block(const crypto::Key& master_key,
                                                                        const Uuid& file_uuid,
                                                                        std::span<const std::uint8_t> block);

}  // namespace vantoro::mvc
