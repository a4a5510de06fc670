#include "models/entry.hpp"

#include <utility>

namespace vantoro {

Entry to_entry(EntryLegacy legacy) {
  return Entry{
      .id = legacy.id,
      .entry_type = legacy.entry_type,
      .title = std::move(legacy.title),
      .data = std::move(legacy.data),
      .category = std::move(legacy.category),
      .subtype = std::move(legacy.subtype),
      .tags = std::move(legacy.tags),
      .created_at = legacy.created_at,
      .updated_at = legacy.updated_at,
      .last_accessed = legacy.last_accessed,
      .is_favorite = false,
      .folder_id = std::nullopt,
  };
}

}  // namespace vantoro
