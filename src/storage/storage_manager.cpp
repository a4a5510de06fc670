#include "storage/storage_manager.hpp"

#include <algorithm>
#include <system_error>

#include "crypto/random.hpp"
#include "record_encoding/utf8.hpp"

namespace vantoro::storage {
namespace {

SecureFileManager make_file_manager() {
  auto created = SecureFileManager::create();
  if (!created) return SecureFileManager::without_directory();
  return std::move(*created);
}

std::string path_text(const std::filesystem::path& path) { return encoding::to_utf8_lossy(path.native()); }

// The file name as the last component, ignoring trailing separators and "."
// components; ".." or nothing means no file name.
std::string_view file_name_of(std::string_view path) {
  while (true) {
    if (path.size() > 1 && path.back() == '/') {
      path.remove_suffix(1);
    } else if (path == "." || path.ends_with("/.")) {
      path.remove_suffix(1);
    } else {
      break;
    }
  }
  auto slash = path.rfind('/');
  auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name == "..") return {};
  return name;
}

// Checks the vault path before anything is locked: it must name a regular file.
Result<void> check_is_regular_file(const std::filesystem::path& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return fail(StorageError::FileNotFound, path_text(path));
  if (!std::filesystem::is_regular_file(status)) {
    return fail(StorageError::FileNotFound, path_text(path) + " is not a file");
  }
  return {};
}

}  // namespace

std::filesystem::path with_vault_extension(const std::filesystem::path& path) {
  const std::string& text = path.native();
  std::string_view name = file_name_of(text);
  if (name.empty()) return path;
  const auto stem_start = static_cast<std::size_t>(name.data() - text.data());
  std::string base(text.substr(0, stem_start + name.size()));
  auto dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) {
    if (name.substr(dot + 1) == "qolty") return path;
    base.resize(stem_start + dot);
  }
  return std::filesystem::path(base + ".qolty");
}

StorageManager::StorageManager(const asio::any_io_executor& executor)
    : format_manager_(std::make_shared<GuardedFormatManager>(executor, crypto::random_uuid())),
      repository_(format_manager_),
      file_manager_(make_file_manager()) {}

asio::awaitable<Result<VaultInfo>> StorageManager::open_vault(std::filesystem::path path, std::string_view password) {
  path = with_vault_extension(path);
  if (!is_locked_) co_return fail(ServiceError::VaultAlreadyOpen);
  if (auto checked = check_is_regular_file(path); !checked) co_return std::unexpected(checked.error());

  Result<VaultInfo> info;
  {
    auto guard = co_await format_manager_->mutex.lock();
    info = format_manager_->manager.open_vault(path, password);
    if (!info) co_return info;
    vault_path_ = path;
    vault_info_ = *info;
    is_locked_ = false;
    passphrase_.emplace(password);
    auto listed = format_manager_->manager.list_entries_unmasked();
    if (!listed) co_return std::unexpected(listed.error());
  }
  (void)co_await cleanup_expired_trash(trash_retention_days);  // maintenance never fails an open
  co_return info;
}

asio::awaitable<Result<std::uint32_t>> StorageManager::cleanup_expired_trash(std::uint32_t days) {
  if (is_locked_) co_return fail(ServiceError::VaultLocked);
  auto purged = co_await repository_.cleanup_expired_trash(days);
  if (!purged) co_return purged;
  if (vault_info_) {
    vault_info_->entry_count -= std::min<std::uint64_t>(vault_info_->entry_count, *purged);
    vault_info_->updated_at = DateTime::now();
  }
  co_return purged;
}

asio::awaitable<Result<std::vector<Entry>>> StorageManager::list_entries_unmasked() {
  if (is_locked_) co_return fail(ServiceError::VaultLocked);
  co_return co_await repository_.list_entries_unmasked();
}

asio::awaitable<Result<void>> StorageManager::lock_vault() {
  if (is_locked_) co_return fail(ServiceError::VaultLocked);
  clear_passphrase();
  {
    auto guard = co_await format_manager_->mutex.lock();
    format_manager_->manager.clear_cache();
  }
  is_locked_ = true;
  vault_info_.reset();
  co_return Result<void>{};
}

void StorageManager::clear_passphrase() { passphrase_.reset(); }

}  // namespace vantoro::storage
