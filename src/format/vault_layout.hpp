#pragma once

// The byte layout of a vault file, shared by its readers and its writer.
//
//   preamble   "QOLT" | version u16 | salt 32 | file_uuid 16 | recovery flag u8
//              [recovery salt 32 | wrapped-key flag u8 [length u32 | wrapped key]]
//   header     length H u64 | sealed header
//   index      length I u64 | sealed index          <- the index end follows
//   entries    sealed payloads at the offsets of the index rows
//   side blocks six times: length L u64 | sealed block (L = 0: absent)
//
// Integers are unsigned little-endian; nothing is padded or aligned. A flag
// is present only when its byte is exactly 1.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace vantoro::format {

inline constexpr std::array<std::uint8_t, 4> vault_magic = {'Q', 'O', 'L', 'T'};
// The same four bytes read as a big-endian number: the header's `magic` field.
inline constexpr std::uint32_t header_magic = 0x514F4C54;
// The only format version read or written.
inline constexpr std::uint16_t vault_format_version = 4;

inline constexpr std::size_t magic_size = 4;
inline constexpr std::size_t version_size = 2;
inline constexpr std::size_t salt_size = 32;
inline constexpr std::size_t file_uuid_size = 16;
inline constexpr std::size_t recovery_salt_size = 32;
inline constexpr std::uint8_t flag_present = 1;

// Magic, version, salt and file_uuid: the part every preamble has.
inline constexpr std::uint64_t fixed_preamble_size = magic_size + version_size + salt_size + file_uuid_size;
// The recovery section after the fixed part: the flag alone, the flag and the
// recovery salt with a wrapped-key flag of 0, or all of it plus the key.
inline constexpr std::uint64_t recovery_section_size_none = 1;
inline constexpr std::uint64_t recovery_section_size_salt = 1 + recovery_salt_size + 1;
inline constexpr std::uint64_t recovery_section_size_key_base = recovery_section_size_salt + 4;

// Limits on the declared lengths.
inline constexpr std::uint64_t max_wrapped_key_size = std::uint64_t{1} << 20;       // 1 MiB
inline constexpr std::uint64_t max_header_size = std::uint64_t{10} << 20;           // 10 MiB
inline constexpr std::uint64_t max_index_size = std::uint64_t{100} << 20;           // 100 MiB
inline constexpr std::uint64_t max_seek_size = std::numeric_limits<std::int64_t>::max();  // 2^63 - 1

// The smallest file the integrity check lets through.
inline constexpr std::uint64_t min_vault_file_size = 100;

// The side blocks in file order. Stored on disk (their order is the layout):
// never renumber or reorder.
enum class SideBlock : std::uint8_t { Journal, Shares, Stats, Folders, BackupSettings, SyncSettings };
inline constexpr std::size_t side_block_count = 6;

}  // namespace vantoro::format
