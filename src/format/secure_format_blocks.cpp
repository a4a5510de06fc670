// Loading the six side blocks. Tolerant by design: a block that cannot be
// read or opened leaves its table at the default, and only running out of
// file stops the later blocks from loading.
#include <algorithm>
#include <functional>

#include "format/posix_file.hpp"
#include "format/preamble.hpp"
#include "format/secure_format.hpp"
#include "format/vault_layout.hpp"

namespace vantoro::format {
namespace {

std::string max_seek_text() { return std::to_string(max_seek_size); }

// Walks the preamble, the header and the index, returning the index end.
Result<std::uint64_t> walk_to_index_end(PosixFile& file) {
  PreambleWalk walk(file);
  if (auto magic = walk.read_magic(); !magic) return std::unexpected(magic.error());
  if (auto version = walk.read_version(); !version) return std::unexpected(version.error());
  if (auto salt = walk.read_salt(); !salt) return std::unexpected(salt.error());
  if (auto uuid = walk.read_file_uuid(); !uuid) return std::unexpected(uuid.error());
  auto recovery = walk.read_recovery_fields();
  if (!recovery) return std::unexpected(recovery.error());
  if (recovery->wrapped_key_size) {
    const auto size = *recovery->wrapped_key_size;
    if (size > max_wrapped_key_size) {
      return fail(FormatError::DeserializationError,
                  "Invalid wrapped_key size in load_v4_blocks: " + std::to_string(size) + " bytes (max 1MB)");
    }
    if (auto skipped = walk.skip(size); !skipped) return std::unexpected(skipped.error());
  }
  for (std::string_view region : {"Header", "Index"}) {
    auto size = walk.read_u64();
    if (!size) return std::unexpected(size.error());
    if (*size > max_seek_size) {
      return fail(StorageError::ReadError, std::string(region) + " size too large for seek in load_v4_blocks: " +
                                               std::to_string(*size) + " bytes (max: " + max_seek_text() + ")");
    }
    if (auto skipped = walk.skip(*size); !skipped) return std::unexpected(skipped.error());
  }
  return walk.position();
}

}  // namespace

Result<void> SecureVaultFormat::load_v4_blocks(const std::filesystem::path& path, const Uuid& file_uuid) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(file.error());
  auto file_size = file->size();
  if (!file_size) return std::unexpected(file_size.error());
  auto start = walk_to_index_end(*file);
  if (!start) return std::unexpected(start.error());

  std::uint64_t position = *start;
  for (const auto& row : index_.all_entries()) position = std::max(position, row.offset + row.length);
  tables_ = SideTables::defaults();
  auto master = keys_.master_key();
  if (!master) return {};
  const crypto::Key& key = master->get();

  using Loader = std::function<void(std::span<const std::uint8_t>)>;
  const Loader loaders[side_block_count] = {
      [&](auto blob) { if (auto t = history::decrypt_journal_block(key, file_uuid, blob)) tables_.journal = std::move(*t); },
      [&](auto blob) { if (auto t = share::decrypt_shares_block(key, file_uuid, blob)) tables_.shares = std::move(*t); },
      [&](auto blob) { if (auto t = stats::decrypt_stats_block(key, file_uuid, blob)) tables_.stats = std::move(*t); },
      [&](auto blob) { if (auto t = folders::decrypt_folders_block(key, file_uuid, blob)) tables_.folders = std::move(*t); },
      [&](auto blob) {
        if (auto t = mvc::decrypt_backup_settings_block(key, file_uuid, blob)) tables_.backup_settings = std::move(*t);
      },
      [&](auto blob) {
        if (auto t = mvc::decrypt_sync_settings_block(key, file_uuid, blob)) tables_.sync_settings = std::move(*t);
      },
  };
  for (const auto& load : loaders) {
    // A length or a blob running past the end of the file leaves this table
    // and all later ones at their defaults; nothing of that size is allocated.
    if (position > *file_size || *file_size - position < 8) break;
    std::uint64_t length = 0;
    if (!file->read_exact_at(position, {reinterpret_cast<std::uint8_t*>(&length), 8})) break;
    position += 8;
    if (length == 0) continue;
    if (length > *file_size - position) break;
    encoding::Bytes blob(static_cast<std::size_t>(length));
    if (!file->read_exact_at(position, blob)) break;
    load(blob);
    position += length;
  }
  return {};
}

}  // namespace vantoro::format
