// Where entries live and whether they exist: the re-layout of the entry data
// region before a save, and the permanent deletion of one entry. Both change
// memory only; the next save writes the result.
#include <algorithm>

#include "crypto/checksum.hpp"
#include "crypto/seal.hpp"
#include "format/preamble.hpp"
#include "format/secure_format.hpp"

namespace vantoro::format {
namespace {

// Passes 0-3 estimate the sealed index; the last one seals it for real.
constexpr int relayout_passes = 5;

// (created_at, id) order; ids compare as unsigned bytes.
bool created_before(const IndexEntry& a, const IndexEntry& b) {
  if (a.created_at != b.created_at) return a.created_at < b.created_at;
  return a.entry_id < b.entry_id;
}

// The sealed index's length: estimated as the encoding plus the blob overhead,
// or measured by sealing it.
Result<std::uint64_t> sealed_index_size(const SecureVaultFormat& vault, bool seal) {
  if (!seal) return encoding::size_of(vault.index()) + crypto::min_blob_length;
  auto sealed = vault.encrypt_index(vault.index().serialize());
  if (!sealed) return std::unexpected(sealed.error());
  return sealed->size();
}

// The rows in (created_at, id) order, as pointers into the index.
std::vector<const IndexEntry*> creation_order(const BTreeIndex& index) {
  std::vector<const IndexEntry*> order;
  order.reserve(index.size());
  for (const IndexEntry& row : index.all_entries()) order.push_back(&row);
  std::ranges::stable_sort(order, created_before, [](const IndexEntry* row) -> const IndexEntry& { return *row; });
  return order;
}

// Reads every payload the cache lacks, Documents included. An unreadable
// one stays out: its row keeps its length, and the save reports it.
void cache_missing_payloads(EntryCache& cache, const std::filesystem::path& path,
                            const std::vector<const IndexEntry*>& rows) {
  for (const IndexEntry* row : rows) {
    if (cache.contains(row->entry_id)) continue;
    if (auto bytes = read_entry_data(path, *row)) cache.emplace(row->entry_id, std::move(*bytes));
  }
}

// Copies of `order` packed back to back from `start`, each with the length
// and checksum of its cached payload; Document rows and uncached ones keep
// their own.
std::vector<IndexEntry> packed_rows(const std::vector<const IndexEntry*>& order, const EntryCache& cache,
                                    std::uint64_t start) {
  std::vector<IndexEntry> rows;
  rows.reserve(order.size());
  for (const IndexEntry* stored : order) {
    IndexEntry& row = rows.emplace_back(*stored);
    row.offset = start;
    auto cached = cache.find(row.entry_id);
    if (row.entry_type != EntryType::Document && cached != cache.end()) {
      row.length = static_cast<std::uint32_t>(cached->second.size());
      row.checksum = crypto::calculate_checksum(cached->second);
    }
    start += row.length;
  }
  return rows;
}

}  // namespace

Result<void> SecureVaultFormat::recalculate_offsets() {
  for (int pass = 0; pass < relayout_passes; ++pass) {
    const bool last_pass = pass == relayout_passes - 1;
    auto reference = sealed_index_size(*this, last_pass);
    if (!reference) return std::unexpected(reference.error());
    auto sealed_header = encrypt_header(header_, keys_);
    if (!sealed_header) return std::unexpected(sealed_header.error());
    const std::uint64_t start = index_end(header_, sealed_header->size(), *reference);

    const auto order = creation_order(index_);
    cache_missing_payloads(entry_cache_, path_, order);
    if (auto replaced = index_.replace_rows(packed_rows(order, entry_cache_, start)); !replaced) return replaced;

    auto measured = sealed_index_size(*this, last_pass);
    if (!measured) return std::unexpected(measured.error());
    if (*measured == *reference) return {};
  }
  return {};
}

Result<void> SecureVaultFormat::permanently_delete_entry(const Uuid& entry_id) {
  const IndexEntry* row = index_.find(entry_id);
  if (row != nullptr && wal_service_) {
    auto master = keys_.master_key();
    if (!master) {
      return fail(FormatError::WalWriteError,
                  "Could not get master key for WAL: " + master.error().cause_display().value_or(""));
    }
    const WalOperation operation{.operation_type = WalOperationType::Delete,
                                 .entry_id = entry_id,
                                 .old_ref = row->offset,
                                 .new_ref = std::nullopt,
                                 .timestamp = DateTime::now(),
                                 .committed = false};
    if (auto logged = wal_service_->write_operation(operation, master->get(), header_.file_uuid); !logged) {
      return fail(FormatError::WalWriteError, "Critical error writing WAL: " + logged.error().display());
    }
  }
  index_.remove_entry(entry_id);
  entry_cache_.erase(entry_id);
  if (header_.entry_count > 0) --header_.entry_count;
  header_.updated_at = DateTime::now();
  return {};
}

}  // namespace vantoro::format
