// Runs the five preamble readers over arbitrary bytes held as a file. None
// may crash or return more than the file holds; every failure must be one of
// the readers' error kinds; and the readers must agree with each other on
// the file they all walk.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "format/vault_file.hpp"
#include "format/vault_layout.hpp"

namespace {

using namespace vantoro;

// An in-memory file, reached by path through /proc so each reader opens it itself.
struct MemoryFile {
  explicit MemoryFile(std::span<const std::uint8_t> bytes) : fd(::memfd_create("fuzz", MFD_CLOEXEC)) {
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    path = "/proc/self/fd/" + std::to_string(fd);
  }
  ~MemoryFile() { ::close(fd); }
  int fd;
  std::string path;
};

template <class T>
void check_error(const Result<T>& result) {
  if (result) return;
  const auto& error = result.error();
  if (!error.is(StorageError::ReadError) && !error.is(FormatError::InvalidMagicNumber) &&
      !error.is(FormatError::UnsupportedVersion) && !error.is(FormatError::DeserializationError)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const MemoryFile file(bytes);
  const auto file_uuid = format::read_file_uuid_from_file(file.path);
  const auto recovery_salt = format::read_recovery_salt_from_file(file.path);
  const auto wrapped_key = format::read_master_key_wrapped_from_file(file.path);
  const auto header = format::read_secure_file(file.path);
  const auto index = format::read_index_from_file(file.path);
  check_error(file_uuid);
  check_error(recovery_salt);
  check_error(wrapped_key);
  check_error(header);
  check_error(index);

  if (file_uuid && !std::equal(file_uuid->bytes.begin(), file_uuid->bytes.end(), bytes.begin() + 38)) std::abort();
  if (header && (header->size() > format::max_header_size || header->size() > size)) std::abort();
  if (index && (index->size() > format::max_index_size || index->size() > size)) std::abort();
  if (wrapped_key && *wrapped_key && (*wrapped_key)->size() > size) std::abort();
  // Both guarded readers walk the whole preamble; the others stop earlier.
  if ((header || index) && (!file_uuid || !recovery_salt || !wrapped_key)) std::abort();
  if (recovery_salt && *recovery_salt && header &&
      !std::equal((*recovery_salt)->begin(), (*recovery_salt)->end(), bytes.begin() + 55)) {
    std::abort();
  }
  return 0;
}
