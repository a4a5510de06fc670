#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "error/app_error.hpp"

namespace vantoro::format {

// The text of an exact read that met the end of the file first.
inline constexpr std::string_view unexpected_eof_text = "unexpected end of file";

// The operating system's text for an errno value (strerror).
[[nodiscard]] std::string io_error_text(int errnum);

// One open file descriptor, closed when the object is released. Every failure
// is an AppError whose text is the operating system's message (or
// unexpected_eof_text): StorageError::ReadError for a file opened with
// open_read, StorageError::WriteError for one opened with create. Callers that
// add context build their own text around error.text().
//
// Sequential calls (read_exact, skip, write_all) move the file position;
// the *_at calls use pread/pwrite and leave it alone. Interrupted calls are
// retried. Move-only; not thread-safe.
class PosixFile {
 public:
  // Read-only.
  [[nodiscard]] static Result<PosixFile> open_read(const std::filesystem::path& path);
  // Write-only, created with `mode` when missing, truncated to length 0.
  [[nodiscard]] static Result<PosixFile> create(const std::filesystem::path& path, mode_t mode);

  PosixFile(PosixFile&& other) noexcept;
  PosixFile& operator=(PosixFile&& other) noexcept;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  ~PosixFile();

  // The size from the file's metadata (fstat), asked again on every call.
  [[nodiscard]] Result<std::uint64_t> size() const;
  // The current position.
  [[nodiscard]] Result<std::uint64_t> position() const;
  // Moves to `offset` (at most 2^63 - 1); a position past the end is allowed.
  [[nodiscard]] Result<std::uint64_t> seek(std::uint64_t offset);
  // Moves forward by `count` (at most 2^63 - 1) and returns the new position.
  [[nodiscard]] Result<std::uint64_t> skip(std::uint64_t count);

  // Fills `out` completely from the current position.
  [[nodiscard]] Result<void> read_exact(std::span<std::uint8_t> out);
  // Fills `out` completely from `offset`.
  [[nodiscard]] Result<void> read_exact_at(std::uint64_t offset, std::span<std::uint8_t> out) const;

  [[nodiscard]] Result<void> write_all(std::span<const std::uint8_t> bytes);
  [[nodiscard]] Result<void> write_all_at(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // Sets the file's length (ftruncate).
  [[nodiscard]] Result<void> truncate(std::uint64_t length);
  // Flushes data and metadata to stable storage (fsync).
  [[nodiscard]] Result<void> sync();
  // Closes now and reports what close reports; the destructor closes silently.
  [[nodiscard]] Result<void> close();

 private:
  PosixFile(int fd, StorageError kind) : fd_(fd), kind_(kind) {}
  friend Result<void> sync_directory(const std::filesystem::path& directory);
  [[nodiscard]] AppError error(int errnum) const;

  int fd_ = -1;
  StorageError kind_ = StorageError::ReadError;
};

// rename(2): replaces `to` atomically. Fails with StorageError::WriteError.
[[nodiscard]] Result<void> rename_file(const std::filesystem::path& from, const std::filesystem::path& to);
// Syncs a directory, so a rename inside it survives a crash. StorageError::WriteError.
[[nodiscard]] Result<void> sync_directory(const std::filesystem::path& directory);

}  // namespace vantoro::format
