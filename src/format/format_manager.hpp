#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error/app_error.hpp"
#include "format/secure_format.hpp"
#include "models/entry.hpp"
#include "models/vault_info.hpp"

namespace vantoro::format {

// The storage service's handle on one vault container, which it owns.
// Used only behind the storage service's asynchronous mutex; it has no
// locking of its own. Releasing it wipes the master key.
class FormatManager {
 public:
  explicit FormatManager(const Uuid& device_id) : vault_(SecureVaultFormat::new_v4(device_id)) {}

  // Opens the vault file and summarises it; container errors pass unchanged.
  [[nodiscard]] Result<VaultInfo> open_vault(const std::filesystem::path& path, std::string_view password);

  // One entry; nothing when it is not in the index or its record lies past
  // the end of the file; other failures are errors.
  [[nodiscard]] Result<std::optional<Entry>> get_entry(const Uuid& entry_id);

  // The live entries in clear, ascending id order, unreadable ones left out.
  [[nodiscard]] Result<std::vector<Entry>> list_entries_unmasked();

  // Saves the whole vault, reconciling the recovery material from the
  // preamble first. The only way a save is started.
  [[nodiscard]] Result<void> save_vault();

  // Forgets the entry cache, the index and the path; keys and tables stay.
  void clear_cache();

  // A new head version of `entry` in the history journal (see
  // SecureVaultFormat::commit_version); memory only until the next save.
  [[nodiscard]] Result<Uuid> commit_version(const Entry& entry, history::EntryOpKind op, const Uuid& device_id,
                                            std::optional<std::string> note);
  [[nodiscard]] Result<Entry> get_version_snapshot(const Uuid& entry_id, const Uuid& version_id) const;

  [[nodiscard]] VaultInfo create_vault_info_from_secure_format(const std::filesystem::path& path) const;

  [[nodiscard]] SecureVaultFormat& vault() { return vault_; }
  [[nodiscard]] const SecureVaultFormat& vault() const { return vault_; }

 private:
  SecureVaultFormat vault_;
};

}  // namespace vantoro::format
