#pragma once

#include <optional>
#include <string>
#include <vector>

#include "models/date_time.hpp"
#include "models/entry_data.hpp"
#include "models/entry_type.hpp"
#include "models/uuid.hpp"

namespace vantoro {

// One item of a vault, stored sealed as one record. A value type: copies are
// deep. `entry_type` and the variant of `data` are both stored and never
// compared with each other.
struct Entry {
  Uuid id;
  EntryType entry_type = EntryType::Password;
  std::string title;
  EntryData data;
  OptionalText category;
  OptionalText subtype;
  std::vector<std::string> tags;
  DateTime created_at;
  DateTime updated_at;
  std::optional<DateTime> last_accessed;
  bool is_favorite = false;
  std::optional<Uuid> folder_id;
  bool operator==(const Entry&) const = default;
};

// The older entry record, still accepted on read: Entry without its last two
// fields.
struct EntryLegacy {
  Uuid id;
  EntryType entry_type = EntryType::Password;
  std::string title;
  EntryData data;
  OptionalText category;
  OptionalText subtype;
  std::vector<std::string> tags;
  DateTime created_at;
  DateTime updated_at;
  std::optional<DateTime> last_accessed;
  bool operator==(const EntryLegacy&) const = default;
};

// The ten fields both records share, in stored order (never reorder). In the
// JSON form a missing `tags` reads as an empty list.
template <class V, class R>
void visit_entry_common_fields(V& v, R& r) {
  v("id", r.id); v("entry_type", r.entry_type); v("title", r.title); v("data", r.data);
  v("category", r.category); v("subtype", r.subtype); v("tags", r.tags, std::vector<std::string>{});
  v("created_at", r.created_at); v("updated_at", r.updated_at); v("last_accessed", r.last_accessed);
}

template <class V> void visit_fields(V& v, EntryLegacy& r) { visit_entry_common_fields(v, r); }

template <class V> void visit_fields(V& v, Entry& r) {
  visit_entry_common_fields(v, r);
  v("is_favorite", r.is_favorite, false);
  v("folder_id", r.folder_id);
}

// An old record as a current one: not a favourite, in no folder.
[[nodiscard]] Entry to_entry(EntryLegacy legacy);

}  // namespace vantoro
