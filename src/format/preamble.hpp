#pragma once

#include <cstdint>
#include <optional>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "format/posix_file.hpp"
#include "format/secure_header.hpp"
#include "format/vault_layout.hpp"
#include "models/uuid.hpp"

namespace vantoro::format {

// What follows the file_uuid: absent recovery material, a recovery salt, or a
// recovery salt and the length of the wrapped key after it.
struct RecoveryFields {
  std::optional<Salt> recovery_salt;
  std::optional<std::uint32_t> wrapped_key_size;
};

// Reads the clear preamble of a vault file front to back, one field per call,
// from the file's current position (its start when the walk is made), and
// keeps count of the position. Callers choose the order of their checks and
// which fields they read or skip; each call reads exactly its field's bytes.
//
// A failed read or seek is StorageError::ReadError with the system's text
// (unexpected_eof_text when the file ends first); the position then stays
// where it was. The walk borrows the file and must not outlive it.
class PreambleWalk {
 public:
  explicit PreambleWalk(PosixFile& file) : file_(file) {}

  [[nodiscard]] std::uint64_t position() const { return position_; }

  // Four bytes that must be "QOLT", else FormatError::InvalidMagicNumber.
  [[nodiscard]] Result<void> read_magic();
  // The u16 version as stored, unchecked.
  [[nodiscard]] Result<std::uint16_t> read_version();
  // The u16 version, which must be 4, else FormatError::UnsupportedVersion(version).
  [[nodiscard]] Result<void> read_supported_version();
  // 32 bytes: the salt or the recovery salt.
  [[nodiscard]] Result<Salt> read_salt();
  [[nodiscard]] Result<Uuid> read_file_uuid();
  // One flag byte as stored; only 1 means present.
  [[nodiscard]] Result<std::uint8_t> read_flag();
  [[nodiscard]] Result<std::uint32_t> read_u32();
  [[nodiscard]] Result<std::uint64_t> read_u64();
  // Moves forward without reading or bounding against the file size; at most
  // 2^63 - 1 bytes from the start of the file.
  [[nodiscard]] Result<void> skip(std::uint64_t count);

  // The recovery flag and, when it is 1, the recovery salt, the wrapped-key
  // flag and, when that is 1, the u32 wrapped-key length, unbounded. Stops
  // before the wrapped key's bytes.
  [[nodiscard]] Result<RecoveryFields> read_recovery_fields();

 private:
  template <std::size_t N>
  [[nodiscard]] Result<std::array<std::uint8_t, N>> read_array();
  template <class T>
  [[nodiscard]] Result<T> read_integer();  // little-endian

  PosixFile& file_;
  std::uint64_t position_ = 0;
};

// ---- writing ----------------------------------------------------------------

// The preamble the header stands for: magic, its format_version, salt and
// file_uuid, a recovery flag of 1 when it has a recovery salt, then that salt,
// a wrapped-key flag and, when it has a wrapped key, the u32 length and the
// key. A wrapped key without a recovery salt is not written.
// A wrapped key over 1 MiB, which no reader would accept back, fails with
// FormatError::SerializationError("Invalid wrapped_key size: {} bytes (max 1MB)").
[[nodiscard]] Result<crypto::Bytes> encode_preamble(const SecureHeader& header);

// The length encode_preamble gives: 55, 88 or 92 + the wrapped key's length.
[[nodiscard]] std::uint64_t preamble_size(const SecureHeader& header);

// The first byte after the sealed index for a sealed header of `header_size`
// and a sealed index of `index_size` bytes.
[[nodiscard]] std::uint64_t index_end(const SecureHeader& header, std::uint64_t header_size,
                                      std::uint64_t index_size);

}  // namespace vantoro::format
