#include "mvc/models/vault_sync_settings.hpp"

#include <utility>

#include "crypto/keys.hpp"
#include "history/side_block.hpp"

namespace vantoro::mvc {

encoding::Decoded<VaultSyncSettings> VaultSyncSettings::deserialize_bincode_compat(
    std::span<const std::uint8_t> bytes) {
  if (auto current = encoding::decode_record<VaultSyncSettings>(bytes)) return current;
  auto legacy = encoding::decode_record<VaultSyncSettingsBincodeLegacy>(bytes);
  if (!legacy) return std::unexpected(std::move(legacy.error()));
  return VaultSyncSettings{std::move(*legacy), true};
}

Result<crypto::Bytes> encrypt_sync_settings_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                  const VaultSyncSettings& settings) {
  return history::seal_side_block(crypto::derive_sync_settings_key(master_key, file_uuid), settings);
}

Result<VaultSyncSettings> decrypt_sync_settings_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                      std::span<const std::uint8_t> block) {
  return history::open_side_block<VaultSyncSettings>(crypto::derive_sync_settings_key(master_key, file_uuid),
                                                     block, "Sync settings block too short",
                                                     &VaultSyncSettings::deserialize_bincode_compat);
}

}  // namespace vantoro::mvc
