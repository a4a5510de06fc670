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

// The older sync settings record, still accepted on read: VaultSyncSettings
// without its last field. Fields in stored order (never reorder).
struct VaultSyncSettingsBincodeLegacy {
  bool enabled = false;
  std::string server_url;
  bool is_self_hosted = false;
  std::optional<std::string> user_email;
  std::optional<Uuid> registered_device_id;
  std::optional<std::string> access_token;
  std::optional<std::string> refresh_token;
  bool operator==(const VaultSyncSettingsBincodeLegacy&) const = default;
};

// The vault's sync settings, stored as the sync settings block, always in
// this eight-field form: the seven legacy fields, then auto_sync_on_open.
// Carried from open to save, never interpreted. Default-constructed, it holds
// the defaults a vault gets when its block is absent or unreadable.
struct VaultSyncSettings : VaultSyncSettingsBincodeLegacy {
  bool auto_sync_on_open = true;

  // Decodes the eight-field form, else the legacy seven-field form (which
  // reads with auto_sync_on_open true). When neither decodes, the legacy
  // decoder's error.
  [[nodiscard]] static encoding::Decoded<VaultSyncSettings> deserialize_bincode_compat(
      std::span<const std::uint8_t> bytes);

  bool operator==(const VaultSyncSettings&) const = default;
};

template <class V>
void visit_fields(V& v, VaultSyncSettingsBincodeLegacy& r) {
  v("enabled", r.enabled); v("server_url", r.server_url); v("is_self_hosted", r.is_self_hosted);
  v("user_email", r.user_email); v("registered_device_id", r.registered_device_id);
  v("access_token", r.access_token); v("refresh_token", r.refresh_token);
}

template <class V>
void visit_fields(V& v, VaultSyncSettings& r) {
  visit_fields(v, static_cast<VaultSyncSettingsBincodeLegacy&>(r));
  v("auto_sync_on_open", r.auto_sync_on_open);
}

// The sync settings block, sealed under the sync-settings key of
// `master_key` and the vault's file UUID. The caller checks that a master key
// is held. Fails only as sealing does.
[[nodiscard]] Result<crypto::Bytes> encrypt_sync_settings_block(const crypto::Key& master_key,
                                                                const Uuid& file_uuid,
                                                                const VaultSyncSettings& settings);

// Opens a sync settings block in either form:
//   under 12 bytes -> FormatError::DeserializationError("Sync settings block too short")
//   AEAD failure   -> CryptoError::DecryptionError, unchanged
//   undecodable    -> FormatError::DeserializationError(the legacy decoder's message)
[[nodiscard]] Result<VaultSyncSettings> decrypt_sync_settings_block(const crypto::Key& master_key,
                                                                    const Uuid& file_uuid,
                                                                    std::span<const std::uint8_t> block);

}  // namespace vantoro::mvc
