#include "services/wal_service.hpp"

#include <string>
#include <system_error>

#include "format/posix_file.hpp"

namespace vantoro::services {
namespace {

namespace fs = std::filesystem;
using format::PosixFile;

// The whole file, or nothing when there is no file at `path`.
Result<std::optional<crypto::Bytes>> read_whole(const fs::path& path) {
  auto file = PosixFile::open_read(path);
  if (!file) {
    std::error_code status_error;
    if (fs::status(path, status_error).type() == fs::file_type::not_found) return std::nullopt;
    return std::unexpected(file.error());
  }
  auto size = file->size();
  if (!size) return std::unexpected(size.error());
  crypto::Bytes bytes(*size);
  if (auto read = file->read_exact(bytes); !read) return std::unexpected(read.error());
  return bytes;
}

// Creates or truncates `path` (owner-only: the log names the vault's entries).
Result<void> write_whole(const fs::path& path, std::span<const std::uint8_t> bytes) {
  auto file = PosixFile::create(path, 0600);
  if (!file) return std::unexpected(file.error());
  if (auto written = file->write_all(bytes); !written) return written;
  return file->close();
}

// Steps after the blob is built: temporary file, reopen, fsync, rename.
Result<void> replace_file(const fs::path& temp, const fs::path& target, std::span<const std::uint8_t> blob) {
  if (auto written = write_whole(temp, blob); !written) {
    return fail(FormatError::WalWriteError, "WAL temp file write error: " + written.error().text());
  }
  auto file = PosixFile::open_read(temp);
  if (!file) return fail(FormatError::WalWriteError, "WAL temp file open error: " + file.error().text());
  if (!file->sync()) return fail(StorageError::FsyncError);
  if (auto renamed = format::rename_file(temp, target); !renamed) {
    return fail(FormatError::WalWriteError, "WAL rename error: " + renamed.error().text());
  }
  return {};
}

}  // namespace

WalService::WalService(const std::filesystem::path& vault_path)
    : wal_path_(std::filesystem::path(vault_path).replace_extension("qolty.wal")),
      temp_path_(std::filesystem::path(wal_path_).replace_extension("tmp")) {}

bool WalService::wal_exists() const {
  std::error_code error;
  (void)fs::status(wal_path_, error);
  return !error;
}

Result<std::optional<format::DbWal>> WalService::read_wal_internal(const std::filesystem::path& path,
                                                                   const crypto::Key& master_key,
                                                                   const Uuid& file_uuid) {
  auto bytes = read_whole(path);
  if (!bytes) return fail(FormatError::WalReadError, "WAL read error: " + bytes.error().text());
  if (!*bytes) return std::nullopt;
  auto wal = format::open_wal(**bytes, master_key, file_uuid);
  if (!wal) return std::unexpected(wal.error());
  return std::move(*wal);
}

Result<void> WalService::write_operation(const format::WalOperation& operation, const crypto::Key& master_key,
                                         const Uuid& file_uuid) const {
  format::DbWal wal;
  if (wal_exists()) {
    auto current = read_wal_internal(wal_path_, master_key, file_uuid);
    if (!current) return std::unexpected(current.error());
    if (*current) wal = std::move(**current);
  }
  wal.operations.push_back(operation);
  auto blob = format::seal_wal(wal, master_key, file_uuid);
  if (!blob) return std::unexpected(blob.error());
  auto replaced = replace_file(temp_path_, wal_path_, *blob);
  // A failed append leaves no temporary file behind; the old log is intact.
  if (!replaced) {
    std::error_code ignored;
    fs::remove(temp_path_, ignored);
  }
  return replaced;
}

Result<void> WalService::clear_wal() const {
  if (!wal_exists()) return {};
  std::error_code error;
  if (!fs::remove(wal_path_, error) && error) {
    return fail(StorageError::DeleteError, "Failed to delete WAL file: " + error.message());
  }
  return {};
}

Result<std::size_t> recover_from_wal(const WalService* wal, const crypto::KeyManager& keys, const Uuid& file_uuid,
                                     format::BTreeIndex& index) {
  if (!wal) return 0;
  auto master_key = keys.master_key();
  if (!master_key) {
    return fail(FormatError::WalRecoveryError, "Could not get master key: " + *master_key.error().cause_display());
  }
  if (!wal->wal_exists()) return 0;
  auto log = WalService::read_wal_internal(wal->wal_path(), *master_key, file_uuid);
  if (!log) return std::unexpected(log.error());
  if (!*log) return 0;
  return format::replay_wal(**log, index);
}

}  // namespace vantoro::services
