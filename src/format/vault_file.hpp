#pragma once

#include <filesystem>
#include <optional>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "format/secure_header.hpp"
#include "models/uuid.hpp"

namespace vantoro::format {

// The readers of a vault file's clear parts. Each opens the file read-only,
// reads from the start and closes it before returning; none decrypts
// anything or changes the file, and none allocates a declared length before
// checking it against the file's size.
//
// Failures to open, read, seek or stat are StorageError::ReadError: with the
// system's text in the three small readers, with each step's own text in
// read_secure_file and read_index_from_file. Bad magic is
// FormatError::InvalidMagicNumber, a version other than 4
// FormatError::UnsupportedVersion(version), and the size limits
// FormatError::DeserializationError.

// The preamble's file_uuid.
[[nodiscard]] Result<Uuid> read_file_uuid_from_file(const std::filesystem::path& path);

// The preamble's recovery salt; absent when the recovery flag is not 1 or
// cannot be read.
[[nodiscard]] Result<std::optional<Salt>> read_recovery_salt_from_file(const std::filesystem::path& path);

// The preamble's wrapped key; absent when either flag is not 1 or cannot be
// read. The length is not bounded at 1 MiB (read_secure_file does that), but
// a length past the end of the file fails as a short read would, before the
// key is allocated.
[[nodiscard]] Result<std::optional<crypto::Bytes>> read_master_key_wrapped_from_file(
    const std::filesystem::path& path);

// The sealed header's bytes: at most 10 MiB, and within the file.
[[nodiscard]] Result<crypto::Bytes> read_secure_file(const std::filesystem::path& path);

// The sealed index's bytes: at most 100 MiB, and within the file. The sealed
// header in front of it is skipped, not read or bounded, up to 2^63 - 1.
[[nodiscard]] Result<crypto::Bytes> read_index_from_file(const std::filesystem::path& path);

}  // namespace vantoro::format
