#include "format/secure_format.hpp"

namespace vantoro::format {

SideTables SideTables::defaults() {
  return SideTables{history::HistoryJournal{}, share::ShareTable{},       stats::StatsAggregate::make_new(),
                    folders::FoldersTable{},   mvc::VaultBackupSettings{}, mvc::VaultSyncSettings{}};
}

SecureVaultFormat::SecureVaultFormat(SecureHeader header)
    : header_(std::move(header)), tables_(SideTables::defaults()), reuse_index_(std::in_place) {}

SecureVaultFormat SecureVaultFormat::new_v4(const Uuid& device_id) {
  return SecureVaultFormat(SecureHeader::new_v4(device_id));
}

void SecureVaultFormat::clear_cache() {
  entry_cache_.clear();
  index_.clear();
  path_.clear();
  if (reuse_index_) reuse_index_->clear();
}

}  // namespace vantoro::format
