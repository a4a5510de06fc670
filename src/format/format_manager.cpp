#include "format/format_manager.hpp"

#include "record_encoding/utf8.hpp"

namespace vantoro::format {

Result<VaultInfo> FormatManager::open_vault(const std::filesystem::path& path, std::string_view password) {
  if (auto opened = vault_.open_vault(path, password); !opened) return std::unexpected(opened.error());
  return create_vault_info_from_secure_format(path);
}

VaultInfo FormatManager::create_vault_info_from_secure_format(const std::filesystem::path& path) const {
  VaultInfo info;
  for (const auto& row : vault_.index().all_entries()) {
    if (!row.is_deleted) ++info.entry_count;
  }
  info.path = encoding::to_utf8_lossy(path.native());
  info.name = path.has_filename() ? encoding::to_utf8_lossy(path.stem().native()) : std::string();
  info.created_at = vault_.header().created_at;
  info.updated_at = vault_.header().updated_at;
  info.last_accessed = DateTime::now();
  return info;
}

Result<std::optional<Entry>> FormatManager::get_entry(const Uuid& entry_id) {
  auto entry = vault_.get_entry(entry_id);
  if (entry) return std::optional<Entry>(std::move(*entry));
  const auto& error = entry.error();
  const bool past_end =
      error.is(StorageError::ReadError) && error.text().find("exceeds file size") != std::string::npos;
  if (past_end || error.is(ServiceError::EntryNotFound)) return std::optional<Entry>();
  return std::unexpected(error);
}

Result<std::vector<Entry>> FormatManager::list_entries_unmasked() { return vault_.list_entries_unmasked(); }

Result<void> FormatManager::save_vault() { return vault_.save_vault_impl(true); }

void FormatManager::clear_cache() { vault_.clear_cache(); }

Result<Uuid> FormatManager::commit_version(const Entry& entry, history::EntryOpKind op, const Uuid& device_id,
                                           std::optional<std::string> note) {
  return vault_.commit_version(entry, op, device_id, std::move(note));
}

Result<Entry> FormatManager::get_version_snapshot(const Uuid& entry_id, const Uuid& version_id) const {
  return vault_.get_version_snapshot(entry_id, version_id);
}

}  // namespace vantoro::format
