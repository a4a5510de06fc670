#include "services/wal_service.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vantoro::services {
namespace {

std::string os_text() { return std::strerror(errno); }

// Plain POSIX, one handle per step, closed on every path.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// The whole file, nothing when it does not exist, or the OS text.
std::expected<std::optional<crypto::Bytes>, std::string> read_whole(const std::filesystem::path& path) {
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.ok()) {
    if (errno == ENOENT) return std::nullopt;
    return std::unexpected(os_text());
  }
  crypto::Bytes bytes;
  std::uint8_t chunk[8192];
  for (;;) {
    ssize_t n = ::read(file.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::unexpected(os_text());
    if (n == 0) return bytes;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

// Creates or truncates `path` (owner-only: the log names the vault's entries).
std::expected<void, std::string> write_whole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  Fd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!file.ok()) return std::unexpected(os_text());
  while (!bytes.empty()) {
    ssize_t n = ::write(file.get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::unexpected(os_text());
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return {};
}

// Steps after the blob is built: temporary file, reopen, fsync, rename.
Result<void> replace_file(const std::filesystem::path& temp, const std::filesystem::path& target,
                          std::span<const std::uint8_t> blob) {
  if (auto written = write_whole(temp, blob); !written) {
    return fail(FormatError::WalWriteError, "WAL temp file write error: " + written.error());
  }
  Fd file(::open(temp.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.ok()) return fail(FormatError::WalWriteError, "WAL temp file open error: " + os_text());
  if (::fsync(file.get()) != 0) return fail(StorageError::FsyncError);
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    return fail(FormatError::WalWriteError, "WAL rename error: " + os_text());
  }
  return {};
}

}  // namespace

WalService::WalService(const std::filesystem::path& vault_path)
    : wal_path_(std::filesystem::path(vault_path).replace_extension("qolty.wal")),
      temp_path_(std::filesystem::path(wal_path_).replace_extension("tmp")) {}

bool WalService::wal_exists() const {
  struct stat status {};
  return ::stat(wal_path_.c_str(), &status) == 0;
}

Result<std::optional<format::DbWal>> WalService::read_wal_internal(const std::filesystem::path& path,
                                                                   const crypto::Key& master_key,
                                                                   const Uuid& file_uuid) {
  auto bytes = read_whole(path);
  if (!bytes) return fail(FormatError::WalReadError, "WAL read error: " + bytes.error());
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
  if (!replaced) ::unlink(temp_path_.c_str());
  return replaced;
}

Result<void> WalService::clear_wal() const {
  if (!wal_exists()) return {};
  if (::unlink(wal_path_.c_str()) != 0) {
    return fail(StorageError::DeleteError, "Failed to delete WAL file: " + os_text());
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
