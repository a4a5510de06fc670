#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "models/date_time.hpp"

namespace vantoro {

// The summary of an open vault, made by the format manager and only held in
// memory (never stored).
struct VaultInfo {
  std::string path;             // the vault file's path, non-UTF-8 bytes as U+FFFD
  std::string name;             // file name without extension; empty when the path has none
  std::uint64_t entry_count = 0;  // index entries not marked deleted
  DateTime created_at;          // from the vault header
  DateTime updated_at;          // from the vault header
  DateTime last_accessed;       // when the summary was made
  // Carried for callers of the summary; nothing in this core sets them, so
  // they stay absent and false.
  std::optional<DateTime> reserved_at;
  bool reserved_flag = false;
  bool operator==(const VaultInfo&) const = default;
};

}  // namespace vantoro
