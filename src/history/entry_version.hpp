#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "models/date_time.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::history {

// The kind of a committed change. Stored on disk as its index (u32) in every
// version record: never renumber or reorder.
enum class EntryOpKind : std::uint32_t {
  Create,
  Update,
  Delete,  // puts the entry in the journal's deleted_tombstones
  Restore,  // takes it out again
};

inline constexpr std::array<std::string_view, 4> entry_op_kind_names = {"Create", "Update", "Delete", "Restore"};
constexpr const std::array<std::string_view, 4>& enum_names(EntryOpKind) { return entry_op_kind_names; }

using ContentHash = std::array<std::uint8_t, 32>;

// What is known about one committed version of an entry. Fields in stored
// order (never reorder).
struct EntryVersionMeta {
  Uuid version_id;
  std::optional<Uuid> parent_version_id;  // the entry's head when committed; absent for its first version
  Uuid entry_id;
  EntryOpKind op = EntryOpKind::Create;
  Uuid device_id;  // the committing device
  std::uint64_t lamport = 0;
  DateTime timestamp;
  ContentHash content_hash{};  // SHA-256 of the snapshot entry's record encoding
  std::optional<std::string> note;
  std::array<std::uint8_t, 32> reserved{};  // written as zeros, carried as read
  bool operator==(const EntryVersionMeta&) const = default;
};

template <class V>
void visit_fields(V& v, EntryVersionMeta& r) {
  v("version_id", r.version_id); v("parent_version_id", r.parent_version_id); v("entry_id", r.entry_id);
  v("op", r.op); v("device_id", r.device_id); v("lamport", r.lamport); v("timestamp", r.timestamp);
  v("content_hash", r.content_hash); v("note", r.note); v("reserved", r.reserved);
}

// One stored version: its metadata and the entry as it stood, sealed under
// the version's own key.
struct EntryVersionRecord {
  EntryVersionMeta meta;
  encoding::Bytes encrypted_snapshot;
  bool operator==(const EntryVersionRecord&) const = default;
};

template <class V>
void visit_fields(V& v, EntryVersionRecord& r) {
  v("meta", r.meta); v("encrypted_snapshot", r.encrypted_snapshot);
}

}  // namespace vantoro::history
