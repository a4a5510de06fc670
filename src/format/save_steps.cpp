#include "format/save_steps.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantoro::format {
namespace {

constexpr mode_t new_vault_mode = 0600;

}  // namespace

Result<PosixFile> SaveSteps::create(const std::filesystem::path& path, const std::filesystem::path& model) const {
  struct stat info {};
  const bool has_model = ::stat(model.c_str(), &info) == 0;
  const mode_t mode = has_model ? (info.st_mode & 07777) : new_vault_mode;
  // A file left by an interrupted save is replaced, not reused with its own mode.
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return fail(StorageError::WriteError, io_error_text(errno));
  auto file = PosixFile::create(path, mode);
  if (!file) return file;
  // The umask may have narrowed the mode.
  if (::chmod(path.c_str(), mode) != 0) return fail(StorageError::WriteError, io_error_text(errno));
  if (has_model && (info.st_uid != ::geteuid() || info.st_gid != ::getegid())) {
    // Only a privileged process may hand the file back to the vault's owner.
    [[maybe_unused]] const int ignored = ::chown(path.c_str(), info.st_uid, info.st_gid);
  }
  return file;
}

Result<void> SaveSteps::write(PosixFile& file, std::uint64_t offset, std::span<const std::uint8_t> bytes) const {
  return file.write_all_at(offset, bytes);
}

Result<void> SaveSteps::truncate(PosixFile& file, std::uint64_t length) const { return file.truncate(length); }

Result<void> SaveSteps::sync(PosixFile& file) const { return file.sync(); }

Result<void> SaveSteps::rename(const std::filesystem::path& from, const std::filesystem::path& to) const {
  return rename_file(from, to);
}

Result<void> SaveSteps::sync_directory(const std::filesystem::path& directory) const {
  return format::sync_directory(directory);
}

const SaveSteps& system_save_steps() {
  static const SaveSteps steps;
  return steps;
}

}  // namespace vantoro::format
