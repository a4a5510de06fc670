#pragma once

#include <cstdint>
#include <string>

#include "format/btree_index.hpp"

namespace vantoro::test {

// An id whose bytes are all `seed`, so ids sort by seed.
inline Uuid id_of(std::uint8_t seed) {
  Uuid id;
  id.bytes.fill(seed);
  return id;
}

// A row with every field set, the carried ones included, so encoding tests
// see each field; ids, times and texts derive from `seed`.
inline format::IndexEntry sample_row(std::uint8_t seed, std::uint64_t offset, std::uint32_t length) {
  format::IndexEntry row;
  const std::string tag = std::to_string(seed);
  row.entry_id = id_of(seed);
  row.entry_type = EntryType::NationalID;
  row.title = "Row " + tag;
  row.carried_4.fill(static_cast<std::uint8_t>(seed + 1));
  row.carried_5 = format::Digest{};
  row.carried_5->fill(static_cast<std::uint8_t>(seed + 2));
  row.created_at = DateTime{1'700'000'000 + seed, 120'000'000};
  row.updated_at = DateTime{1'700'000'100 + seed, 1};
  row.last_accessed = DateTime{1'700'000'200, 0};
  row.offset = offset;
  row.length = length;
  row.checksum.fill(static_cast<std::uint8_t>(seed + 3));
  row.compressed = true;
  row.compression_ratio = 0.25f;
  row.carried_14 = "https://" + tag + ".example";
  row.carried_15 = "user-" + tag;
  row.carried_16 = "icon-" + tag;
  row.carried_17 = "";
  row.tags = {"orbit", "é-" + tag};
  row.head_version_id = id_of(static_cast<std::uint8_t>(seed + 100));
  row.version_count = 3;
  row.deleted_at = DateTime{-62'135'596'800, 5'000};  // year 1, microseconds
  row.carried_23 = true;
  row.carried_24 = 29;
  row.carried_25 = "#9aeb3a";
  row.carried_26 = true;
  row.carried_27 = "VELVET";
  row.carried_28 = "v3.18";
  row.carried_29 = true;
  row.carried_31 = DateTime{253'402'300'800, 0};  // year 10000
  return row;
}

}  // namespace vantoro::test
