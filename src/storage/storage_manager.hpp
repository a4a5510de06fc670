#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "models/entry.hpp"
#include "models/vault_info.hpp"
#include "storage/entry_repository.hpp"
#include "storage/guarded_format_manager.hpp"
#include "storage/secure_file_manager.hpp"

namespace vantoro::storage {

// The top of the storage service: opens one vault with a password, lists its
// entries in clear and locks it again. Owns the guarded FormatManager (shared
// with its repository) and the private temporary directory.
//
// Locked after construction and after lock_vault; Open after a successful
// open_vault. open_vault and lock_vault need exclusive use of the manager;
// every vault operation awaits the FormatManager's lock around its call.
class StorageManager {
 public:
  // Never fails: a temporary directory that cannot be made is left unmade.
  explicit StorageManager(const asio::any_io_executor& executor);

  // Puts the "qolty" extension on the path, checks that it names a regular
  // file, opens it and reads every live entry once; then, with the lock
  // released, purges expired trash and saves (its result ignored). Returns
  // the summary made by the open.
  [[nodiscard]] asio::awaitable<Result<VaultInfo>> open_vault(std::filesystem::path path, std::string_view password);

  // Purges trash older than `days` and saves the vault (EntryRepository);
  // then lowers the summary's entry_count by the number purged (not below 0)
  // and moves its updated_at to now. Service VaultLocked while Locked, with
  // no purge and no save.
  [[nodiscard]] asio::awaitable<Result<std::uint32_t>> cleanup_expired_trash(std::uint32_t days);

  // Service VaultLocked while Locked.
  [[nodiscard]] asio::awaitable<Result<std::vector<Entry>>> list_entries_unmasked();

  // Forgets the password, the summary, the cache and the index; the master
  // key stays until release. Service VaultLocked while Locked.
  [[nodiscard]] asio::awaitable<Result<void>> lock_vault();

  // Wipes the held password.
  void clear_passphrase();

  [[nodiscard]] bool is_locked() const { return is_locked_; }
  [[nodiscard]] const std::optional<VaultInfo>& vault_info() const { return vault_info_; }
  [[nodiscard]] const std::optional<std::filesystem::path>& vault_path() const { return vault_path_; }
  [[nodiscard]] bool holds_passphrase() const { return passphrase_.has_value(); }
  [[nodiscard]] const std::filesystem::path& temp_dir() const { return file_manager_.temp_dir(); }

 private:
  // Declared order is release order: the format manager (and its master key)
  // goes before the temporary directory.
  std::optional<std::filesystem::path> vault_path_;
  std::optional<VaultInfo> vault_info_;
  std::optional<crypto::SecretString> passphrase_;
  SharedFormatManager format_manager_;
  EntryRepository repository_;
  SecureFileManager file_manager_;
  bool is_locked_ = true;
};

// x -> x.qolty, x.QOLTY -> x.qolty, a.tar.gz -> a.tar.qolty; a path without
// a file name is returned unchanged.
[[nodiscard]] std::filesystem::path with_vault_extension(const std::filesystem::path& path);

}  // namespace vantoro::storage
