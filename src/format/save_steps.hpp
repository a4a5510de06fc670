#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "error/app_error.hpp"
#include "format/posix_file.hpp"

namespace vantoro::format {

// The file-system calls that put a newly written vault in place of the old
// one, in the order a save makes them: create the temporary file, write it
// (one call per buffered run of bytes), cut it to its length, sync it, rename
// it over the vault, sync the directory. Every failure is
// StorageError::WriteError with the system's text. The defaults make the real
// calls; tests override one to fail at a chosen point.
class SaveSteps {
 public:
  SaveSteps() = default;
  SaveSteps(const SaveSteps&) = delete;
  SaveSteps& operator=(const SaveSteps&) = delete;
  virtual ~SaveSteps() = default;

  // Creates `path` afresh for writing, with the mode and owner of `model`
  // when that file exists (the owner only where the system allows it), else
  // with mode 0600.
  [[nodiscard]] virtual Result<PosixFile> create(const std::filesystem::path& path,
                                                 const std::filesystem::path& model) const;
  [[nodiscard]] virtual Result<void> write(PosixFile& file, std::uint64_t offset,
                                           std::span<const std::uint8_t> bytes) const;
  [[nodiscard]] virtual Result<void> truncate(PosixFile& file, std::uint64_t length) const;
  // A full sync of data and metadata.
  [[nodiscard]] virtual Result<void> sync(PosixFile& file) const;
  [[nodiscard]] virtual Result<void> rename(const std::filesystem::path& from, const std::filesystem::path& to) const;
  [[nodiscard]] virtual Result<void> sync_directory(const std::filesystem::path& directory) const;
};

// The real calls, shared by every save that is not under test.
[[nodiscard]] const SaveSteps& system_save_steps();

}  // namespace vantoro::format
