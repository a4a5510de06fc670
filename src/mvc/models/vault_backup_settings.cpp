#include "mvc/models/vault_backup_settings.hpp"

#include "crypto/keys.hpp"
#include "history/side_block.hpp"

namespace vantoro::mvc {

Result<crypto::Bytes> encrypt_backup_settings_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                    const VaultBackupSettings& settings) {
  return history::seal_side_block(crypto::derive_backup_settings_key(master_key, file_uuid), settings);
}

Result<VaultBackupSettings> decrypt_backup_settings_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                          std::span<const std::uint8_t> block) {
  return history::open_side_block<VaultBackupSettings>(crypto::derive_backup_settings_key(master_key, file_uuid),
                                                       block, "Backup settings block too short");
}

}  // namespace vantoro::mvc
