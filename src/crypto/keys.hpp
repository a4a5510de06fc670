#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "crypto/kdf.hpp"
#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "models/uuid.hpp"

namespace vantoro::crypto {

// Holds the master key of one open vault. Owned by its SecureVaultFormat for
// the vault's lifetime; both key slots are wiped when the manager is
// released. Not thread-safe: callers serialise access (the storage service's
// vault lock). Subkeys are derived on each call and never kept.
class KeyManager {
 public:
  KeyManager() = default;  // 65536 KiB / 3 passes / 4 lanes, never changed
  KeyManager(const KeyManager&) = delete;
  KeyManager& operator=(const KeyManager&) = delete;
  // A move copies the keys over; the source still wipes its own on release.
  KeyManager(KeyManager&&) = default;
  KeyManager& operator=(KeyManager&&) = default;

  [[nodiscard]] const KdfParams& kdf_params() const { return kdf_params_; }

  // derive_key with this manager's parameters; on success replaces the master
  // key, on failure returns derive_key's error and keeps the slot as it was.
  [[nodiscard]] Result<void> derive_master_key(std::span<const std::uint8_t> passphrase,
                                               std::span<const std::uint8_t> salt);

  [[nodiscard]] bool has_master_key() const { return master_key_.has_value(); }
  // The master key, or CryptoError::NoMasterKey.
  [[nodiscard]] Result<std::reference_wrapper<const Key>> master_key() const;

  // The three subkeys that need the master key from this manager; each fails
  // with CryptoError::NoMasterKey before a successful derive_master_key.
  [[nodiscard]] Result<Key> derive_header_key(const Uuid& file_uuid) const;
  [[nodiscard]] Result<Key> derive_index_key(const Uuid& file_uuid) const;
  [[nodiscard]] Result<Key> derive_entry_key(const Uuid& entry_id) const;

 private:
  [[nodiscard]] Result<Key> derive_with_master(Key (*derive)(const Key&, const Uuid&), const Uuid& id) const;

  KdfParams kdf_params_;
  std::optional<Key> master_key_;
  std::optional<Key> data_key_;  // never filled; wiped on release like the master key
};

// Subkeys: SHA-256(master key || ASCII label || ids), each id its 16 bytes in
// RFC 4122 order, no separators. None can fail; callers check for a master key
// first (KeyManager::master_key) and report NoMasterKey themselves.
[[nodiscard]] Key derive_header_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_index_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_entry_key(const Key& master_key, const Uuid& entry_id);
[[nodiscard]] Key derive_journal_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_shares_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_stats_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_folders_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_backup_settings_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_sync_settings_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_entry_version_key(const Key& master_key, const Uuid& entry_id, const Uuid& version_id);
[[nodiscard]] Key derive_reuse_hmac_key(const Key& master_key, const Uuid& file_uuid);
[[nodiscard]] Key derive_wal_key(const Key& master_key, const Uuid& file_uuid);

}  // namespace vantoro::crypto
