#include "storage/secure_file_manager.hpp"

#include <system_error>
#include <utility>

namespace vantoro::storage {
namespace {

std::filesystem::path default_temp_dir() {
  std::error_code ec;
  auto base = std::filesystem::temp_directory_path(ec);
  if (ec) base = "/tmp";
  return base / "quorvel";
}

}  // namespace

Result<SecureFileManager> SecureFileManager::create() {
  auto dir = default_temp_dir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return fail(StorageError::CreateError, ec.message());
  return SecureFileManager(std::move(dir));
}

SecureFileManager SecureFileManager::without_directory() { return SecureFileManager(default_temp_dir()); }

SecureFileManager::SecureFileManager(SecureFileManager&& other) noexcept
    : temp_dir_(std::exchange(other.temp_dir_, {})) {}

SecureFileManager::~SecureFileManager() {
  if (!temp_dir_.empty()) (void)cleanup_temp_files();
}

Result<void> SecureFileManager::cleanup_temp_files() const {
  std::error_code ec;
  if (!std::filesystem::exists(temp_dir_, ec)) return {};
  std::filesystem::remove_all(temp_dir_, ec);
  if (ec) return fail(StorageError::DeleteError, ec.message());
  return {};
}

}  // namespace vantoro::storage
