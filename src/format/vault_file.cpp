#include "format/vault_file.hpp"

#include <string_view>

#include "format/posix_file.hpp"
#include "format/preamble.hpp"
#include "format/text_fill.hpp"
#include "format/vault_layout.hpp"

namespace vantoro::format {

namespace {

// The texts of one guarded reader, in the order of its checks. Placeholders:
// the file size (and the system's text) for the fixed fields; the position
// and the file size for the rest, after the wrapped-key size where one is
// named; the system's text last.
struct WalkTexts {
  std::string_view magic, version, salt, file_uuid, recovery_flag;
  std::string_view recovery_salt_truncated, recovery_salt;
  std::string_view wrapped_flag_truncated, wrapped_flag;
  std::string_view wrapped_size_truncated, wrapped_size;
  std::string_view wrapped_size_limit;  // limit
  std::string_view wrapped_key_truncated, wrapped_key_seek;
  std::string_view header_size;
};

constexpr WalkTexts secure_file_texts{
    "Error reading magic (file size: {}): {}",
    "Error reading version (file size: {}): {}",
    "Error reading salt (file size: {}): {}",
    "Error reading file_uuid (file size: {}): {}",
    "Error reading recovery_salt flag (file size: {}): {}",
    "read_secure_file: truncated file, cannot read recovery_salt (pos: {}, file size: {})",
    "Error reading recovery_salt (pos: {}, file size: {}): {}",
    "read_secure_file: truncated file, cannot read wrapped_key flag (pos: {}, file size: {})",
    "Error reading wrapped_key flag (pos: {}, file size: {}): {}",
    "read_secure_file: truncated file, cannot read wrapped_key size (pos: {}, file size: {})",
    "Error reading wrapped_key size (pos: {}, file size: {}): {}",
    "Invalid wrapped_key size: {} bytes (max 1MB)",
    "read_secure_file: cannot read wrapped_key bytes (size: {}, pos: {}, file size: {})",
    "seek past wrapped_key failed (size: {}, pos: {}, file size: {}): {}",
    "Error reading header size in read_secure_file (pos: {}, file size: {}): {}",
};

constexpr WalkTexts index_file_texts{
    "Error reading magic in read_index_from_file (file size: {}): {}",
    "Error reading version in read_index_from_file (file size: {}): {}",
    "Error reading salt in read_index_from_file (file size: {}): {}",
    "Error reading file_uuid in read_index_from_file (file size: {}): {}",
    "Error reading recovery_salt flag in read_index_from_file (file size: {}): {}",
    "read_index_from_file: truncated, cannot read recovery_salt (pos: {}, file size: {})",
    "Error reading recovery_salt in read_index_from_file (pos: {}, file size: {}): {}",
    "read_index_from_file: truncated, cannot read wrapped_key flag (pos: {}, file size: {})",
    "Error reading wrapped_key flag in read_index_from_file (pos: {}, file size: {}): {}",
    "read_index_from_file: truncated, cannot read wrapped_key size (pos: {}, file size: {})",
    "Error reading wrapped_key size in read_index_from_file (pos: {}, file size: {}): {}",
    "Invalid wrapped_key size in read_index_from_file: {} bytes (max 1MB)",
    "read_index_from_file: cannot read wrapped_key payload (size: {}, pos: {}, file size: {})",
    "seek past wrapped_key in read_index_from_file (size: {}, pos: {}, file size: {}): {}",
    "Error reading header size in read_index_from_file (pos: {}, file size: {}): {}",
};

// The region a guarded reader returns: its limit and texts.
struct RegionTexts {
  std::string_view too_large;  // limit: length, then the length field's offset and the file size
  std::string_view past_end;   // length, position, file size
  std::string_view read;       // length, position, file size, system's text
};

constexpr RegionTexts header_texts{
    "Invalid header size in read_secure_file: {} bytes (max 10MB, offset: {}, file size: {})",
    "read_secure_file: header size ({}) past end of file (pos: {}, file size: {})",
    "Error reading encrypted header in read_secure_file (expected: {}, pos: {}, file size: {}): {}",
};

constexpr RegionTexts index_texts{
    "Invalid index size: {} bytes (max 100MB)",
    "Index size ({}) past end of file (pos: {}, file size: {})",
    "Error reading index in read_index_from_file (expected: {}, pos: {}, file size: {}): {}",
};

bool fits(std::uint64_t position, std::uint64_t count, std::uint64_t size) {
  return position <= size && count <= size - position;
}

// A failed read as ReadError with `text` filled by `args`, then the system's
// text. Magic and version errors pass unchanged.
template <class T, class... Args>
Result<T> reworded(Result<T> result, std::string_view text, const Args&... args) {
  if (result || !result.error().is(StorageError::ReadError)) return result;
  return fail(StorageError::ReadError, fill_text(text, args..., result.error().text()));
}

// `read` of `count` bytes at the walk's position, refused with `truncated`
// unless they lie inside the file.
template <class Read>
auto guarded_read(PreambleWalk& walk, std::uint64_t count, std::uint64_t size, std::string_view truncated,
                  std::string_view text, Read read) -> decltype(read()) {
  const auto position = walk.position();
  if (!fits(position, count, size)) return fail(StorageError::ReadError, fill_text(truncated, position, size));
  return reworded(read(), text, position, size);
}

// Recovery salt, wrapped-key flag and wrapped key, after a recovery flag of 1.
Result<void> walk_recovery(PreambleWalk& walk, std::uint64_t size, const WalkTexts& t) {
  auto salt = guarded_read(walk, recovery_salt_size, size, t.recovery_salt_truncated, t.recovery_salt,
                           [&] { return walk.read_salt(); });
  if (!salt) return std::unexpected(std::move(salt.error()));
  auto flag = guarded_read(walk, 1, size, t.wrapped_flag_truncated, t.wrapped_flag, [&] { return walk.read_flag(); });
  if (!flag) return std::unexpected(std::move(flag.error()));
  if (*flag != flag_present) return {};
  auto key_size = guarded_read(walk, 4, size, t.wrapped_size_truncated, t.wrapped_size, [&] { return walk.read_u32(); });
  if (!key_size) return std::unexpected(std::move(key_size.error()));
  if (*key_size > max_wrapped_key_size) {
    return fail(FormatError::DeserializationError, fill_text(t.wrapped_size_limit, *key_size));
  }
  const auto position = walk.position();
  if (!fits(position, *key_size, size)) {
    return fail(StorageError::ReadError, fill_text(t.wrapped_key_truncated, *key_size, position, size));
  }
  return reworded(walk.skip(*key_size), t.wrapped_key_seek, *key_size, position, size);
}

// The whole preamble, each step checked against `size`, then the header length.
Result<std::uint64_t> walk_to_header_size(PreambleWalk& walk, std::uint64_t size, const WalkTexts& t) {
  if (auto magic = reworded(walk.read_magic(), t.magic, size); !magic) return std::unexpected(magic.error());
  if (auto version = reworded(walk.read_supported_version(), t.version, size); !version) {
    return std::unexpected(version.error());
  }
  if (auto salt = reworded(walk.read_salt(), t.salt, size); !salt) return std::unexpected(salt.error());
  if (auto uuid = reworded(walk.read_file_uuid(), t.file_uuid, size); !uuid) return std::unexpected(uuid.error());
  auto flag = reworded(walk.read_flag(), t.recovery_flag, size);
  if (!flag) return std::unexpected(std::move(flag.error()));
  if (*flag == flag_present) {
    if (auto recovery = walk_recovery(walk, size, t); !recovery) return std::unexpected(recovery.error());
  }
  const auto position = walk.position();
  return reworded(walk.read_u64(), t.header_size, position, size);
}

// The `length` bytes at the walk's position. The file is measured again
// first, so a file cut short since it was opened is refused before anything
// of that length is allocated.
Result<crypto::Bytes> read_region(PosixFile& file, const PreambleWalk& walk, std::uint64_t length,
                                  const RegionTexts& t) {
  auto size = file.size();
  if (!size) return std::unexpected(std::move(size.error()));
  const auto position = walk.position();
  if (!fits(position, length, *size)) {
    return fail(StorageError::ReadError, fill_text(t.past_end, length, position, *size));
  }
  crypto::Bytes region(length);
  if (auto read = reworded(file.read_exact(region), t.read, length, position, *size); !read) {
    return std::unexpected(read.error());
  }
  return region;
}

// Opens the file, measures it, walks the preamble with `texts` and reads the
// header length; `next` takes it from there with the file still open.
template <class Next>
Result<crypto::Bytes> after_header_size(const std::filesystem::path& path, const WalkTexts& texts, Next next) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(std::move(file.error()));
  auto size = file->size();
  if (!size) return std::unexpected(std::move(size.error()));
  PreambleWalk walk(*file);
  auto header_size = walk_to_header_size(walk, *size, texts);
  if (!header_size) return std::unexpected(std::move(header_size.error()));
  return next(*file, walk, *size, *header_size);
}

// Moves over the sealed header without reading or bounding it by the file.
Result<void> skip_header(PreambleWalk& walk, std::uint64_t size, std::uint64_t header_size) {
  if (header_size > max_seek_size) {
    return fail(StorageError::ReadError, fill_text("header blob too large for seek in read_index_from_file: {} bytes (max: {})",
                                                   header_size, max_seek_size));
  }
  const auto position = walk.position();
  return reworded(walk.skip(header_size), "seek past header in read_index_from_file (size: {}, pos: {}, file size: {}): {}",
                  header_size, position, size);
}

// Magic and version, both checked.
Result<void> walk_start(PreambleWalk& walk) {
  if (auto magic = walk.read_magic(); !magic) return magic;
  return walk.read_supported_version();
}

// Start, salt and file_uuid: the walk then stands at the recovery flag.
Result<void> walk_to_recovery_flag(PreambleWalk& walk) {
  if (auto start = walk_start(walk); !start) return start;
  if (auto salt = walk.read_salt(); !salt) return std::unexpected(salt.error());
  if (auto uuid = walk.read_file_uuid(); !uuid) return std::unexpected(uuid.error());
  return {};
}

// True when the flag byte was read and is 1.
bool flag_set(PreambleWalk& walk) {
  auto flag = walk.read_flag();
  return flag && *flag == flag_present;
}

}  // namespace

Result<Uuid> read_file_uuid_from_file(const std::filesystem::path& path) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(std::move(file.error()));
  PreambleWalk walk(*file);
  if (auto start = walk_start(walk); !start) return std::unexpected(start.error());
  if (auto salt = walk.skip(salt_size); !salt) return std::unexpected(salt.error());
  return walk.read_file_uuid();
}

Result<std::optional<Salt>> read_recovery_salt_from_file(const std::filesystem::path& path) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(std::move(file.error()));
  PreambleWalk walk(*file);
  if (auto start = walk_to_recovery_flag(walk); !start) return std::unexpected(start.error());
  if (!flag_set(walk)) return std::nullopt;
  auto salt = walk.read_salt();
  if (!salt) return std::unexpected(std::move(salt.error()));
  return *salt;
}

Result<std::optional<crypto::Bytes>> read_master_key_wrapped_from_file(const std::filesystem::path& path) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(std::move(file.error()));
  PreambleWalk walk(*file);
  if (auto start = walk_to_recovery_flag(walk); !start) return std::unexpected(start.error());
  if (!flag_set(walk)) return std::nullopt;
  if (auto salt = walk.skip(recovery_salt_size); !salt) return std::unexpected(salt.error());
  if (!flag_set(walk)) return std::nullopt;
  auto key_size = walk.read_u32();
  if (!key_size) return std::unexpected(std::move(key_size.error()));
  auto size = file->size();
  if (!size) return std::unexpected(std::move(size.error()));
  // The read would run out anyway: fail as it would, without the allocation.
  if (!fits(walk.position(), *key_size, *size)) return fail(StorageError::ReadError, std::string(unexpected_eof_text));
  crypto::Bytes key(*key_size);
  if (auto read = file->read_exact(key); !read) return std::unexpected(read.error());
  return key;
}

Result<crypto::Bytes> read_secure_file(const std::filesystem::path& path) {
  return after_header_size(path, secure_file_texts, [](PosixFile& file, PreambleWalk& walk, std::uint64_t size,
                                                       std::uint64_t header_size) -> Result<crypto::Bytes> {
    if (header_size > max_header_size) {
      return fail(FormatError::DeserializationError,
                  fill_text(header_texts.too_large, header_size, walk.position() - 8, size));
    }
    return read_region(file, walk, header_size, header_texts);
  });
}

Result<crypto::Bytes> read_index_from_file(const std::filesystem::path& path) {
  return after_header_size(path, index_file_texts, [](PosixFile& file, PreambleWalk& walk, std::uint64_t size,
                                                      std::uint64_t header_size) -> Result<crypto::Bytes> {
    if (auto skip = skip_header(walk, size, header_size); !skip) return std::unexpected(skip.error());
    const auto position = walk.position();
    auto index_size = reworded(walk.read_u64(), "Error reading index size in read_index_from_file (pos: {}, file size: {}): {}",
                               position, size);
    if (!index_size) return std::unexpected(std::move(index_size.error()));
    if (*index_size > max_index_size) {
      return fail(FormatError::DeserializationError, fill_text(index_texts.too_large, *index_size));
    }
    return read_region(file, walk, *index_size, index_texts);
  });
}

}  // namespace vantoro::format
