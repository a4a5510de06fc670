#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "error/app_error.hpp"
#include "format/posix_file.hpp"
#include "format/save_steps.hpp"

namespace vantoro::format {

// The new content of a vault file, written beside it and put in its place
// only once complete and synced, so that a crash, a full disk or an I/O error
// at any point leaves either the old vault or the new one. The temporary file
// is the vault's file name plus ".save-tmp" in the same directory (distinct
// from the write-ahead log's "tmp"), made with the vault's mode (0600 for a
// new vault). A vault path that is a symbolic link is followed: its target is
// replaced and the link stays.
//
// Writes are buffered and reach the file one large run at a time. A
// replacement released before commit() has renamed it removes its
// temporary file. Every failure is StorageError::WriteError.
class VaultReplacement {
 public:
  [[nodiscard]] static Result<VaultReplacement> create(const std::filesystem::path& vault_path,
                                                       const SaveSteps& steps);

  VaultReplacement(VaultReplacement&& other) noexcept;
  VaultReplacement& operator=(VaultReplacement&&) = delete;
  VaultReplacement(const VaultReplacement&) = delete;
  ~VaultReplacement();

  [[nodiscard]] static std::filesystem::path temp_path_for(const std::filesystem::path& vault_path);

  // Where the next byte goes.
  [[nodiscard]] std::uint64_t position() const { return buffer_start_ + buffer_.size(); }
  [[nodiscard]] Result<void> write(std::span<const std::uint8_t> bytes);
  [[nodiscard]] Result<void> write_u64(std::uint64_t value);
  // Moves the position; bytes skipped over read as zeros.
  [[nodiscard]] Result<void> move_to(std::uint64_t offset);

  // Cuts the file at the position P ("Could not truncate file at position
  // {P}: {}"), syncs it ("Could not sync file (final position: {P}): {}"),
  // closes it, renames it over the vault and syncs the directory.
  [[nodiscard]] Result<void> commit();

 private:
  VaultReplacement(std::filesystem::path target, std::filesystem::path temp, PosixFile file, const SaveSteps& steps);

  [[nodiscard]] Result<void> flush();

  std::filesystem::path target_;
  std::filesystem::path temp_;  // empty once renamed or moved from
  std::optional<PosixFile> file_;
  const SaveSteps* steps_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t buffer_start_ = 0;  // file offset of buffer_[0]
};

}  // namespace vantoro::format
