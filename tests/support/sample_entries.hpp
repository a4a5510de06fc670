#pragma once

#include <cstdint>
#include <vector>

#include "models/entry.hpp"

namespace vantoro::testing {

// Which fields of a sample carry a value.
enum class Fill {
  Everything,    // every optional field present, Document content non-empty
  RequiredOnly,  // every optional field absent, Document content empty
};

// Kind-specific data of `kind` whose texts name their field and the seed
// ("password-7"), so samples made with different seeds differ everywhere.
[[nodiscard]] EntryData sample_data(EntryType kind, std::uint32_t seed = 0, Fill fill = Fill::Everything);

// An entry wrapped around `data`: id, title, tags and times derived from the
// seed, `entry_type` matching the variant. With Fill::RequiredOnly its own
// optional fields are absent and `tags` empty.
[[nodiscard]] Entry sample_entry(EntryData data, std::uint32_t seed = 0, Fill fill = Fill::Everything);
[[nodiscard]] Entry sample_entry(EntryType kind, std::uint32_t seed = 0, Fill fill = Fill::Everything);

// One entry of each of the twenty kinds, in kind order, seeds 0..19.
[[nodiscard]] std::vector<Entry> sample_entries_of_every_kind(Fill fill = Fill::Everything);

}  // namespace vantoro::testing
