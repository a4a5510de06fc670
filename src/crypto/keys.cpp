#include "crypto/keys.hpp"

#include <string_view>

#include "crypto/checksum.hpp"

namespace vantoro::crypto {

namespace {

std::span<const std::uint8_t> ascii(std::string_view label) {
  return {reinterpret_cast<const std::uint8_t*>(label.data()), label.size()};
}

// SHA-256(master || label || ids), no separators, straight into the key.
template <class... Ids>
Key subkey(const Key& master, std::string_view label, const Ids&... ids) {
  Key key;
  sha256_into({master.bytes(), ascii(label), std::span<const std::uint8_t>(ids.bytes)...}, key.writable_bytes());
  return key;
}

}  // namespace

// ---- KeyManager ------------------------------------------------------------

Result<void> KeyManager::derive_master_key(std::span<const std::uint8_t> passphrase,
                                           std::span<const std::uint8_t> salt) {
  auto key = derive_key(passphrase, salt, kdf_params_);
  if (!key) return std::unexpected(std::move(key.error()));
  master_key_ = *key;
  return {};
}

Result<std::reference_wrapper<const Key>> KeyManager::master_key() const {
  if (!master_key_) return fail(CryptoError::NoMasterKey);
  return std::cref(*master_key_);
}

Result<Key> KeyManager::derive_with_master(Key (*derive)(const Key&, const Uuid&), const Uuid& id) const {
  if (!master_key_) return fail(CryptoError::NoMasterKey);
  return derive(*master_key_, id);
}

Result<Key> KeyManager::derive_header_key(const Uuid& file_uuid) const {
  return derive_with_master(crypto::derive_header_key, file_uuid);
}

Result<Key> KeyManager::derive_index_key(const Uuid& file_uuid) const {
  return derive_with_master(crypto::derive_index_key, file_uuid);
}

Result<Key> KeyManager::derive_entry_key(const Uuid& entry_id) const {
  return derive_with_master(crypto::derive_entry_key, entry_id);
}

// ---- the subkey table --------------------------------------------------------

Key derive_header_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "header_key", file_uuid); }
Key derive_index_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "index_key", file_uuid); }
Key derive_entry_key(const Key& m, const Uuid& entry_id) { return subkey(m, "entry_key", entry_id); }
Key derive_journal_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "journal_key", file_uuid); }
Key derive_shares_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "shares_key", file_uuid); }
Key derive_stats_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "stats_key", file_uuid); }
Key derive_folders_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "folders_key", file_uuid); }
Key derive_backup_settings_key(const Key& m, const Uuid& file_uuid) {
  return subkey(m, "backup_settings_key", file_uuid);
}
Key derive_sync_settings_key(const Key& m, const Uuid& file_uuid) {
  return subkey(m, "sync_settings_key", file_uuid);
}
Key derive_reuse_hmac_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "reuse_hmac_key", file_uuid); }
Key derive_wal_key(const Key& m, const Uuid& file_uuid) { return subkey(m, "wal_key", file_uuid); }

Key derive_entry_version_key(const Key& m, const Uuid& entry_id, const Uuid& version_id) {
  return subkey(m, "entry_version_key", entry_id, version_id);
}

}  // namespace vantoro::crypto
