#include "format/btree_index.hpp"

#include <algorithm>
#include <string_view>

#include "crypto/checksum.hpp"

namespace vantoro::format {
namespace {

// Bytes each row adds to the layout checksum: id, type, offset, length, checksum.
constexpr std::size_t checksum_row_size = 16 + 1 + 8 + 4 + 32;

// Messages about an option or enum tag mean the writer's enums may be laid
// out differently from ours, which deserves its own wording.
bool is_tag_message(std::string_view message) {
  return message.contains("tag for enum") || (message.contains("tag") && message.contains("not valid"));
}

AppError decode_failure(const std::string& message) {
  if (is_tag_message(message)) {
    return AppError(FormatError::DeserializationError,
                    "Index format compatibility error: " + message +
                        ". The vault was written by an incompatible build (e.g. mobile vs desktop). "
                        "EntryType/EntryData enum wire tags may differ if variant order changed. Detail: " +
                        message);
  }
  return AppError(FormatError::DeserializationError, "Index deserialization failed: " + message);
}

}  // namespace

Result<void> BTreeIndex::add_entry(IndexEntry entry) {
  if (offset_map_.contains(entry.offset)) return fail(FormatError::InvalidOffset, entry.offset);
  if (entries_.contains(entry.entry_id)) return fail(FormatError::DuplicateEntry, entry.entry_id);
  offset_map_.emplace(entry.offset, entry.entry_id);
  Uuid id = entry.entry_id;
  entries_.emplace(id, std::move(entry));
  checksum_stale_ = true;
  return {};
}

Result<void> BTreeIndex::update_entry(const Uuid& id, IndexEntry entry) {
  if (auto old = entries_.find(id); old != entries_.end()) offset_map_.erase(old->second.offset);
  if (offset_map_.contains(entry.offset)) return fail(FormatError::InvalidOffset, entry.offset);
  offset_map_.emplace(entry.offset, id);
  entries_.insert_or_assign(id, std::move(entry));
  checksum_stale_ = true;
  return {};
}

std::optional<IndexEntry> BTreeIndex::remove_entry(const Uuid& id) {
  auto node = entries_.extract(id);
  if (node.empty()) return std::nullopt;
  offset_map_.erase(node.mapped().offset);
  checksum_stale_ = true;
  return std::move(node.mapped());
}

Result<void> BTreeIndex::replace_rows(std::vector<IndexEntry> rows) {
  // Built aside and swapped in, so a rejected row changes nothing.
  BTreeIndex next(total_size_);
  next.offset_map_ = offset_map_;
  for (const auto& row : all_entries()) next.offset_map_.erase(row.offset);
  for (auto& row : rows) {
    if (auto added = next.add_entry(std::move(row)); !added) return added;
  }
  entries_ = std::move(next.entries_);
  offset_map_ = std::move(next.offset_map_);
  checksum_stale_ = true;
  return {};
}

void BTreeIndex::clear() { *this = BTreeIndex(); }

const Digest& BTreeIndex::checksum() const {
  if (checksum_stale_) {
    checksum_ = calculate_checksum();
    checksum_stale_ = false;
  }
  return checksum_;
}

const IndexEntry* BTreeIndex::find(const Uuid& id) const {
  auto it = entries_.find(id);
  return it == entries_.end() ? nullptr : &it->second;
}

std::vector<IndexEntry> BTreeIndex::get_all_entries() const {
  auto rows = all_entries();
  return {rows.begin(), rows.end()};
}

Digest BTreeIndex::calculate_checksum() const {
  encoding::Bytes stream;
  stream.reserve(entries_.size() * checksum_row_size + 8);
  encoding::ByteWriter out(stream);
  for (const auto& [id, row] : entries_) {
    encoding::write(out, id.bytes);
    encoding::write(out, static_cast<std::uint8_t>(row.entry_type));
    encoding::write(out, row.offset);
    encoding::write(out, row.length);
    encoding::write(out, row.checksum);
  }
  encoding::write(out, total_size_);
  return crypto::calculate_checksum(stream);
}

Result<void> BTreeIndex::validate() const {
  if (entries_.empty()) return {};
  std::vector<const IndexEntry*> by_offset;
  by_offset.reserve(entries_.size());
  for (const auto& row : all_entries()) by_offset.push_back(&row);
  std::ranges::stable_sort(by_offset, {}, &IndexEntry::offset);
  for (std::size_t i = 1; i < by_offset.size(); ++i) {
    // Wrapping u64 sum, as every reader of this format computes it.
    std::uint64_t previous_end = by_offset[i - 1]->offset + by_offset[i - 1]->length;
    if (by_offset[i]->offset < previous_end) return fail(FormatError::OverlappingEntries);
  }
  if (calculate_checksum() != checksum()) return fail(FormatError::CorruptedIndex);
  return {};
}

encoding::Bytes BTreeIndex::serialize() const { return encoding::encode_record(*this); }

Result<BTreeIndex> BTreeIndex::deserialize(std::span<const std::uint8_t> bytes) {
  auto decoded = encoding::decode_record<BTreeIndex>(bytes);
  if (!decoded) return std::unexpected(decode_failure(decoded.error().message));
  if (auto valid = decoded->validate(); !valid) return std::unexpected(valid.error());
  return std::move(*decoded);
}

}  // namespace vantoro::format
