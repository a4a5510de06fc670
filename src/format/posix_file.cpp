#include "format/posix_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

namespace vantoro::format {

namespace {

constexpr std::uint64_t max_offset = std::numeric_limits<off_t>::max();

// Runs `call` until it is not interrupted; returns its result, errno kept.
template <class Call>
auto retry(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

Result<int> open_fd(const std::filesystem::path& path, int flags, mode_t mode, StorageError kind) {
  int fd = retry([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
  if (fd < 0) return fail(kind, io_error_text(errno));
  return fd;
}

}  // namespace

std::string io_error_text(int errnum) { return std::strerror(errnum); }

Result<PosixFile> PosixFile::open_read(const std::filesystem::path& path) {
  auto fd = open_fd(path, O_RDONLY, 0, StorageError::ReadError);
  if (!fd) return std::unexpected(std::move(fd.error()));
  return PosixFile(*fd, StorageError::ReadError);
}

Result<PosixFile> PosixFile::create(const std::filesystem::path& path, mode_t mode) {
  auto fd = open_fd(path, O_WRONLY | O_CREAT | O_TRUNC, mode, StorageError::WriteError);
  if (!fd) return std::unexpected(std::move(fd.error()));
  return PosixFile(*fd, StorageError::WriteError);
}

PosixFile::PosixFile(PosixFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), kind_(other.kind_) {}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    kind_ = other.kind_;
  }
  return *this;
}

PosixFile::~PosixFile() {
  if (fd_ >= 0) ::close(fd_);
}

AppError PosixFile::error(int errnum) const { return AppError(kind_, io_error_text(errnum)); }

Result<std::uint64_t> PosixFile::size() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return std::unexpected(error(errno));
  return static_cast<std::uint64_t>(info.st_size);
}

Result<std::uint64_t> PosixFile::position() const {
  off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) return std::unexpected(error(errno));
  return static_cast<std::uint64_t>(at);
}

Result<std::uint64_t> PosixFile::seek(std::uint64_t offset) {
  if (offset > max_offset) return std::unexpected(error(EINVAL));
  off_t at = ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  if (at < 0) return std::unexpected(error(errno));
  return static_cast<std::uint64_t>(at);
}

Result<std::uint64_t> PosixFile::skip(std::uint64_t count) {
  if (count > max_offset) return std::unexpected(error(EINVAL));
  off_t at = ::lseek(fd_, static_cast<off_t>(count), SEEK_CUR);
  if (at < 0) return std::unexpected(error(errno));
  return static_cast<std::uint64_t>(at);
}

Result<void> PosixFile::read_exact(std::span<std::uint8_t> out) {
  while (!out.empty()) {
    ssize_t got = retry([&] { return ::read(fd_, out.data(), out.size()); });
    if (got < 0) return std::unexpected(error(errno));
    if (got == 0) return std::unexpected(AppError(kind_, std::string(unexpected_eof_text)));
    out = out.subspan(static_cast<std::size_t>(got));
  }
  return {};
}

Result<void> PosixFile::read_exact_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > max_offset || out.size() > max_offset - offset) return std::unexpected(error(EINVAL));
  while (!out.empty()) {
    ssize_t got = retry([&] { return ::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset)); });
    if (got < 0) return std::unexpected(error(errno));
    if (got == 0) return std::unexpected(AppError(kind_, std::string(unexpected_eof_text)));
    out = out.subspan(static_cast<std::size_t>(got));
    offset += static_cast<std::uint64_t>(got);
  }
  return {};
}

Result<void> PosixFile::write_all(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t put = retry([&] { return ::write(fd_, bytes.data(), bytes.size()); });
    if (put < 0) return std::unexpected(error(errno));
    bytes = bytes.subspan(static_cast<std::size_t>(put));
  }
  return {};
}

Result<void> PosixFile::write_all_at(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (offset > max_offset || bytes.size() > max_offset - offset) return std::unexpected(error(EINVAL));
  while (!bytes.empty()) {
    ssize_t put = retry([&] { return ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)); });
    if (put < 0) return std::unexpected(error(errno));
    bytes = bytes.subspan(static_cast<std::size_t>(put));
    offset += static_cast<std::uint64_t>(put);
  }
  return {};
}

Result<void> PosixFile::truncate(std::uint64_t length) {
  if (length > max_offset) return std::unexpected(error(EINVAL));
  if (retry([&] { return ::ftruncate(fd_, static_cast<off_t>(length)); }) != 0) return std::unexpected(error(errno));
  return {};
}

Result<void> PosixFile::sync() {
  if (retry([&] { return ::fsync(fd_); }) != 0) return std::unexpected(error(errno));
  return {};
}

Result<void> PosixFile::close() {
  // Not retried on EINTR: on Linux the descriptor is released either way.
  int result = ::close(std::exchange(fd_, -1));
  if (result != 0) return std::unexpected(error(errno));
  return {};
}

Result<void> rename_file(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return fail(StorageError::WriteError, io_error_text(errno));
  return {};
}

Result<void> sync_directory(const std::filesystem::path& directory) {
  auto fd = open_fd(directory, O_RDONLY | O_DIRECTORY, 0, StorageError::WriteError);
  if (!fd) return std::unexpected(std::move(fd.error()));
  return PosixFile(*fd, StorageError::WriteError).sync();
}

}  // namespace vantoro::format
