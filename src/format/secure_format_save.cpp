// Saving a vault: tidy the side data, re-lay the entries, seal every region
// afresh, check everything that can fail, and only then write the new file
// beside the old one and put it in place.
#include <algorithm>
#include <array>
#include <unordered_set>

#include "format/preamble.hpp"
#include "format/secure_format.hpp"
#include "format/text_fill.hpp"
#include "format/vault_layout.hpp"
#include "format/vault_replacement.hpp"

namespace vantoro::format {
namespace {

using SealedBlocks = std::array<std::optional<crypto::Bytes>, side_block_count>;

// Everything a save writes, sealed and checked, in file order.
struct VaultImage {
  crypto::Bytes preamble;
  crypto::Bytes sealed_header;
  crypto::Bytes sealed_index;
  std::uint64_t index_end = 0;
  std::vector<const IndexEntry*> rows;  // offset order
  std::optional<SealedBlocks> blocks;   // format 4 and later
};

// Seals a present table with `encrypt` (one of the *_block functions).
template <class Table, class Encrypt>
Result<std::optional<crypto::Bytes>> seal_table(const std::optional<Table>& table, const crypto::Key& key,
                                                const Uuid& file_uuid, Encrypt encrypt) {
  if (!table) return std::optional<crypto::Bytes>();
  auto sealed = encrypt(key, file_uuid, *table);
  if (!sealed) return std::unexpected(sealed.error());
  return std::optional<crypto::Bytes>(std::move(*sealed));
}

// The six blocks in file order. Sets the header's block sizes, so that the
// header sealed afterwards records the lengths written now.
Result<SealedBlocks> seal_side_blocks(const SideTables& tables, SecureHeader& header, const crypto::Key& key) {
  const Uuid& id = header.file_uuid;
  Result<std::optional<crypto::Bytes>> sealed[side_block_count] = {
      seal_table(tables.journal, key, id, history::encrypt_journal_block),
      seal_table(tables.shares, key, id, share::encrypt_shares_block),
      seal_table(tables.stats, key, id, stats::encrypt_stats_block),
      seal_table(tables.folders, key, id, folders::encrypt_folders_block),
      seal_table(tables.backup_settings, key, id, mvc::encrypt_backup_settings_block),
      seal_table(tables.sync_settings, key, id, mvc::encrypt_sync_settings_block),
  };
  SealedBlocks blocks;
  for (std::size_t i = 0; i < side_block_count; ++i) {
    if (!sealed[i]) return std::unexpected(sealed[i].error());
    blocks[i] = std::move(*sealed[i]);
  }
  // An absent table keeps its recorded size, except the two settings blocks.
  auto size = [&](SideBlock block, std::uint64_t absent) {
    const auto& blob = blocks[static_cast<std::size_t>(block)];
    return blob ? blob->size() : absent;
  };
  header.journal_size = size(SideBlock::Journal, header.journal_size);
  header.shares_size = size(SideBlock::Shares, header.shares_size);
  header.stats_size = size(SideBlock::Stats, header.stats_size);
  header.folders_size = size(SideBlock::Folders, header.folders_size);
  header.backup_settings_size = size(SideBlock::BackupSettings, 0);
  header.sync_settings_size = size(SideBlock::SyncSettings, 0);
  return blocks;
}

// The index rows in offset order (ties in id order), checked against the
// index end and the cache.
Result<std::vector<const IndexEntry*>> rows_to_write(const BTreeIndex& index, const EntryCache& cache,
                                                     std::uint64_t end) {
  std::vector<const IndexEntry*> rows;
  rows.reserve(index.size());
  for (const auto& row : index.all_entries()) rows.push_back(&row);
  std::ranges::stable_sort(rows, {}, &IndexEntry::offset);
  for (const IndexEntry* row : rows) {
    if (row->offset < end) {
      return fail(FormatError::DeserializationError,
                  fill_text("Entry {} offset {} overlaps index (index ends at {})", row->entry_id.to_string(),
                            row->offset, end));
    }
  }
  for (const IndexEntry* row : rows) {
    if (!cache.contains(row->entry_id)) {
      return fail(StorageError::WriteError,
                  fill_text("Missing ciphertext for entry {} after truncate (cache not preloaded)",
                            row->entry_id.to_string()));
    }
  }
  return rows;
}

// The preamble as the header gives it, under the one version any reader of
// this format takes back: a header of another version would otherwise make
// the saved file unopenable.
Result<crypto::Bytes> preamble_for(SecureHeader header) {
  header.format_version = vault_format_version;
  return encode_preamble(header);
}

// A length-prefixed region: u64 length, then the bytes.
Result<void> write_region(VaultReplacement& file, std::span<const std::uint8_t> bytes) {
  if (auto length = file.write_u64(bytes.size()); !length) return length;
  return file.write(bytes);
}

Result<void> write_image(VaultReplacement& file, const VaultImage& image, const EntryCache& cache) {
  if (auto written = file.write(image.preamble); !written) return written;
  if (auto written = write_region(file, image.sealed_header); !written) return written;
  if (auto written = write_region(file, image.sealed_index); !written) return written;
  if (auto moved = file.move_to(image.index_end); !moved) return moved;
  for (const IndexEntry* row : image.rows) {
    if (auto moved = file.move_to(row->offset); !moved) return moved;
    if (auto written = file.write(cache.at(row->entry_id)); !written) return written;
  }
  if (!image.blocks) return {};
  for (const auto& block : *image.blocks) {
    // An absent table is a zero length and no bytes.
    if (auto written = write_region(file, block ? *block : crypto::Bytes{}); !written) return written;
  }
  return {};
}

// Seals every region but the payloads: the side blocks (format 4 and later),
// then the header that records their sizes, then the index.
Result<VaultImage> seal_regions(SecureVaultFormat& vault) {
  auto master = vault.keys().master_key();
  if (!master) return std::unexpected(master.error());
  SecureHeader& header = vault.header();
  VaultImage image;
  if (header.format_version >= vault_format_version) {
    auto blocks = seal_side_blocks(vault.tables(), header, master->get());
    if (!blocks) return std::unexpected(blocks.error());
    image.blocks = std::move(*blocks);
  }
  auto sealed_header = encrypt_header(header, vault.keys());
  if (!sealed_header) return std::unexpected(sealed_header.error());
  auto sealed_index = vault.encrypt_index(vault.index().serialize());
  if (!sealed_index) return std::unexpected(sealed_index.error());
  image.index_end = index_end(header, sealed_header->size(), sealed_index->size());
  image.sealed_header = std::move(*sealed_header);
  image.sealed_index = std::move(*sealed_index);
  return image;
}

// The last checks, once every payload that can be read is cached: the rows
// to write and the preamble.
Result<void> complete_image(VaultImage& image, const SecureVaultFormat& vault) {
  auto rows = rows_to_write(vault.index(), vault.entry_cache(), image.index_end);
  if (!rows) return std::unexpected(rows.error());
  image.rows = std::move(*rows);
  auto preamble = preamble_for(vault.header());
  if (!preamble) return std::unexpected(preamble.error());
  image.preamble = std::move(*preamble);
  return {};
}

}  // namespace

Result<void> SecureVaultFormat::save_vault_impl(bool reconcile_first, const SaveSteps& steps) {
  if (reconcile_first) {
    if (auto reconciled = reconcile_recovery_metadata_from_preamble(); !reconciled) return reconciled;
  }
  if (header_.format_version >= vault_format_version && tables_.journal) {
    std::unordered_set<Uuid> live_ids;
    for (const auto& row : index_.all_entries()) live_ids.insert(row.entry_id);
    tables_.journal->cleanup_deleted_entries(live_ids);
  }
  // The re-layout moves rows, not bytes: a payload still missing afterwards is
  // read where its row said it was stored, never at its new offset.
  std::vector<IndexEntry> stored_uncached;
  for (const auto& row : index_.all_entries()) {
    if (!entry_cache_.contains(row.entry_id)) stored_uncached.push_back(row);
  }
  if (auto laid_out = recalculate_offsets(); !laid_out) return laid_out;
  auto image = seal_regions(*this);
  if (!image) return std::unexpected(image.error());
  for (const IndexEntry& row : stored_uncached) {
    if (!index_.contains(row.entry_id) || entry_cache_.contains(row.entry_id)) continue;
    // A read error leaves the payload missing, which complete_image reports.
    if (auto bytes = read_entry_data(path_, row)) entry_cache_.emplace(row.entry_id, std::move(*bytes));
  }
  if (auto completed = complete_image(*image, *this); !completed) return completed;

  // Nothing above touched the file system; from here on the old vault stays
  // in place until the new one is complete and synced.
  auto file = VaultReplacement::create(path_, steps);
  if (!file) return std::unexpected(file.error());
  if (auto written = write_image(*file, *image, entry_cache_); !written) return written;
  if (auto committed = file->commit(); !committed) return committed;
  if (wal_service_) (void)wal_service_->clear_wal();  // a log left behind only replays what is saved
  return {};
}

}  // namespace vantoro::format
