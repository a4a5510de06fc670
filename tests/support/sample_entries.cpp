#include "support/sample_entries.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace vantoro::testing {
namespace {

// Sets every field of a kind's record through its field list.
struct DataFiller {
  std::uint32_t seed;
  Fill fill;

  std::string text(std::string_view name) const { return std::string(name) + "-" + std::to_string(seed); }

  void operator()(std::string_view name, std::string& field) const { field = text(name); }
  void operator()(std::string_view name, OptionalText& field) const {
    if (fill == Fill::Everything) field = text(name);
  }
  void operator()(std::string_view, std::optional<std::uint8_t>& field) const {
    if (fill == Fill::Everything) field = static_cast<std::uint8_t>(6 + seed % 3);
  }
  void operator()(std::string_view, std::optional<std::uint64_t>& field) const {
    if (fill == Fill::Everything) field = 30 + seed;
  }
  void operator()(std::string_view, std::vector<std::uint8_t>& field) const {
    if (fill == Fill::RequiredOnly) return;
    field.resize(300);
    for (std::size_t i = 0; i < field.size(); ++i) field[i] = static_cast<std::uint8_t>(i + seed);
  }
};

template <std::size_t... I>
EntryData empty_data(EntryType kind, std::index_sequence<I...>) {
  EntryData data;
  ((static_cast<std::size_t>(kind) == I ? (data.emplace<I>(), 0) : 0), ...);
  return data;
}

DateTime sample_time(std::uint32_t seed, std::int64_t offset) {
  // 2024-03-05T14:07:09Z plus whole hours, with a millisecond fraction.
  return DateTime{.seconds = 1709647629 + 3600 * (seed + offset), .nanos = 120'000'000};
}

}  // namespace

EntryData sample_data(EntryType kind, std::uint32_t seed, Fill fill) {
  EntryData data = empty_data(kind, std::make_index_sequence<std::variant_size_v<EntryData>>{});
  DataFiller filler{seed, fill};
  std::visit([&](auto& record) { visit_fields(filler, record); }, data);
  return data;
}

Entry sample_entry(EntryData data, std::uint32_t seed, Fill fill) {
  const bool everything = fill == Fill::Everything;
  Entry entry;
  entry.id.bytes[0] = 0xe0;
  entry.id.bytes[12] = static_cast<std::uint8_t>(seed >> 24);
  entry.id.bytes[13] = static_cast<std::uint8_t>(seed >> 16);
  entry.id.bytes[14] = static_cast<std::uint8_t>(seed >> 8);
  entry.id.bytes[15] = static_cast<std::uint8_t>(seed);
  entry.entry_type = entry_type_of(data);
  entry.title = "title-" + std::to_string(seed);
  entry.data = std::move(data);
  if (everything) {
    entry.category = "category-" + std::to_string(seed);
    entry.subtype = "subtype-" + std::to_string(seed);
    entry.tags = {"tag-a", "tag-" + std::to_string(seed)};
    entry.last_accessed = sample_time(seed, 2);
    entry.is_favorite = seed % 2 == 0;
    entry.folder_id = Uuid{.bytes = {0xf0, 0x1d, 0xe4, static_cast<std::uint8_t>(seed)}};
  }
  entry.created_at = sample_time(seed, 0);
  entry.updated_at = sample_time(seed, 1);
  return entry;
}

Entry sample_entry(EntryType kind, std::uint32_t seed, Fill fill) {
  return sample_entry(sample_data(kind, seed, fill), seed, fill);
}

std::vector<Entry> sample_entries_of_every_kind(Fill fill) {
  std::vector<Entry> entries;
  for (std::uint32_t i = 0; i < entry_type_names.size(); ++i) entries.push_back(sample_entry(static_cast<EntryType>(i), i, fill));
  return entries;
}

}  // namespace vantoro::testing
