#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <ranges>
#include <span>
#include <string>
#include <vector>

#include "error/app_error.hpp"
#include "models/date_time.hpp"
#include "models/entry_type.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::format {

using Digest = std::array<std::uint8_t, 32>;

// One row of the entry index: where an entry's sealed record lies in the
// vault file and the metadata kept beside it. Fields are in wire order. The
// carried_N fields (N = their position) are never interpreted: they are
// decoded, copied and encoded again unchanged.
struct IndexEntry {
  Uuid entry_id;
  EntryType entry_type = EntryType::Password;
  std::string title;
  Digest carried_4{};
  std::optional<Digest> carried_5;
  DateTime created_at;
  DateTime updated_at;
  std::optional<DateTime> last_accessed;
  std::uint64_t offset = 0;   // absolute offset of the sealed record
  std::uint32_t length = 0;   // sealed record length; 0 = no stored record
  Digest checksum{};          // SHA-256 of the sealed record bytes
  bool compressed = false;
  float compression_ratio = 0;
  std::optional<std::string> carried_14;
  std::optional<std::string> carried_15;
  std::optional<std::string> carried_16;
  std::optional<std::string> carried_17;
  std::vector<std::string> tags;
  std::optional<Uuid> head_version_id;
  std::uint32_t version_count = 0;
  bool is_deleted = false;
  std::optional<DateTime> deleted_at;
  bool carried_23 = false;
  std::optional<std::uint8_t> carried_24;
  std::optional<std::string> carried_25;
  bool carried_26 = false;
  std::optional<std::string> carried_27;
  std::optional<std::string> carried_28;
  bool carried_29 = false;
  bool carried_30 = false;
  std::optional<DateTime> carried_31;

  friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

template <class V>
void visit_fields(V& v, IndexEntry& r) {
  v("entry_id", r.entry_id); v("entry_type", r.entry_type); v("title", r.title);
  v("carried_4", r.carried_4); v("carried_5", r.carried_5); v("created_at", r.created_at);
  v("updated_at", r.updated_at); v("last_accessed", r.last_accessed); v("offset", r.offset);
  v("length", r.length); v("checksum", r.checksum); v("compressed", r.compressed);
  v("compression_ratio", r.compression_ratio); v("carried_14", r.carried_14);
  v("carried_15", r.carried_15); v("carried_16", r.carried_16); v("carried_17", r.carried_17);
  v("tags", r.tags); v("head_version_id", r.head_version_id); v("version_count", r.version_count);
  v("is_deleted", r.is_deleted); v("deleted_at", r.deleted_at); v("carried_23", r.carried_23);
  v("carried_24", r.carried_24); v("carried_25", r.carried_25); v("carried_26", r.carried_26);
  v("carried_27", r.carried_27); v("carried_28", r.carried_28); v("carried_29", r.carried_29);
  v("carried_30", r.carried_30); v("carried_31", r.carried_31);
}

// The table of contents of an open vault: one IndexEntry per entry id, a
// reverse map from file offset to id, a carried total_size and a SHA-256
// layout checksum over (id, type, offset, length, row checksum) of every row
// and total_size.
//
// The operations below keep every row in the offset map under its offset,
// no two rows on one offset (except rows decoded that way, which validate
// catches when their ranges overlap) and the checksum current. A change only
// marks the checksum stale; it is recomputed once when next read (checksum(),
// validate, encoding), so building or re-laying n rows costs O(n log n), not
// one full hash per row. Owned by the open vault; no lock of its own, and
// even const calls may refresh the checksum: callers hold the storage
// service's lock.
class BTreeIndex {
 public:
  // A new vault's index: no rows, checksum all zero (valid, since the
  // checksum of an empty index is never compared); `total_size` is carried.
  explicit BTreeIndex(std::uint64_t total_size = 0) : total_size_(total_size) {}

  // Inserts a new row. Fails, changing nothing, with
  //   FormatError::InvalidOffset(offset)  the offset is taken (tested first)
  //   FormatError::DuplicateEntry(id)     the id is present
  [[nodiscard]] Result<void> add_entry(IndexEntry entry);

  // Replaces or adds the row for `id` (callers pass a row whose entry_id is
  // `id`). The old row's offset is released first, so a row may keep its
  // offset. When the new offset belongs to another row it fails with
  // FormatError::InvalidOffset(offset) and the release is NOT undone: the
  // old row stays, its offset missing from the offset map, the checksum as
  // it was.
  [[nodiscard]] Result<void> update_entry(const Uuid& id, IndexEntry entry);

  // Removes the row for `id` with its offset (the checksum follows);
  // the removed row, or nothing when `id` has no row.
  std::optional<IndexEntry> remove_entry(const Uuid& id);

  // Replaces every row with `rows`, computing the checksum once. Offsets the
  // map holds for no row stay taken. All or nothing: it fails, changing
  // nothing, with the error add_entry would give for the first row whose
  // offset is taken (by an earlier row or such a stale offset) or whose id
  // repeats.
  [[nodiscard]] Result<void> replace_rows(std::vector<IndexEntry> rows);

  // Empties both maps and zeroes total_size and checksum (locking a vault).
  void clear();

  [[nodiscard]] const IndexEntry* find(const Uuid& id) const;
  [[nodiscard]] bool contains(const Uuid& id) const { return entries_.contains(id); }
  [[nodiscard]] std::size_t size() const { return entries_.size(); }
  [[nodiscard]] bool empty() const { return entries_.empty(); }

  // Read-only views of all rows, ascending id order.
  [[nodiscard]] auto all_entries() const { return std::views::values(entries_); }
  // Copies of all rows, ascending id order.
  [[nodiscard]] std::vector<IndexEntry> get_all_entries() const;

  [[nodiscard]] const std::map<Uuid, IndexEntry>& entries() const { return entries_; }
  [[nodiscard]] const std::map<std::uint64_t, Uuid>& offset_map() const { return offset_map_; }
  [[nodiscard]] std::uint64_t total_size() const { return total_size_; }
  [[nodiscard]] const Digest& checksum() const;

  // The layout checksum of the current content. Cannot fail.
  [[nodiscard]] Digest calculate_checksum() const;

  // Rejects stored byte ranges that overlap (FormatError::OverlappingEntries)
  // and a stored checksum that differs from calculate_checksum()
  // (FormatError::CorruptedIndex). An index without rows is always valid.
  [[nodiscard]] Result<void> validate() const;

  // The record encoding; deterministic, so equal indexes give equal bytes.
  [[nodiscard]] encoding::Bytes serialize() const;

  // Decodes (bytes after the index are ignored) and validates. A decoding
  // failure is FormatError::DeserializationError with the compatibility text
  // when the decoder's message is about an enum tag, "Index deserialization
  // failed: ..." otherwise; validation errors are returned as they are.
  [[nodiscard]] static Result<BTreeIndex> deserialize(std::span<const std::uint8_t> bytes);

  // Refreshes the checksum before the writer and the size counter read it
  // (a reader fills a fresh index, whose checksum is never stale).
  template <class V>
  friend void visit_fields(V& v, BTreeIndex& r) {
    (void)r.checksum();
    v("entries", r.entries_); v("offset_map", r.offset_map_); v("total_size", r.total_size_);
    v("checksum", r.checksum_);
  }

 private:
  std::map<Uuid, IndexEntry> entries_;
  std::map<std::uint64_t, Uuid> offset_map_;
  std::uint64_t total_size_ = 0;
  mutable Digest checksum_{};
  mutable bool checksum_stale_ = false;
};

}  // namespace vantoro::format
