// Loading the entry index of a large vault: decoding (BTreeIndex::deserialize,
// which validates) and validating alone, over 10,000 and 100,000 rows whose
// fields are all filled. items_per_second is rows per second; the per-row
// cost must stay flat as the index grows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "format/btree_index.hpp"

namespace {

using vantoro::DateTime;
using vantoro::Uuid;
using vantoro::format::BTreeIndex;
using vantoro::format::IndexEntry;

Uuid id_of(std::uint64_t n) {
  Uuid id;
  for (int i = 0; i < 8; ++i) id.bytes[i] = static_cast<std::uint8_t>(n * 0x9E3779B97F4A7C15u >> (8 * i));
  for (int i = 0; i < 8; ++i) id.bytes[8 + i] = static_cast<std::uint8_t>(n >> (8 * i));
  return id;
}

IndexEntry row_of(std::uint64_t n, std::uint64_t offset) {
  IndexEntry row;
  row.entry_id = id_of(n);
  row.entry_type = vantoro::EntryType::Password;
  row.title = "Entry number " + std::to_string(n);
  row.carried_4.fill(7);
  row.carried_5.emplace().fill(9);
  row.created_at = DateTime{1'700'000'000 + static_cast<std::int64_t>(n), 123'456'789};
  row.updated_at = DateTime{1'700'100'000, 120'000'000};
  row.last_accessed = DateTime{1'700'200'000, 0};
  row.offset = offset;
  row.length = 600;
  row.checksum.fill(static_cast<std::uint8_t>(n));
  row.compression_ratio = 0.5f;
  row.carried_14 = "https://site.example";
  row.carried_15 = "user";
  row.tags = {"work", "mail"};
  row.head_version_id = id_of(n + 1'000'000'000);
  row.version_count = 2;
  row.carried_25 = "#4b3a29";
  return row;
}

vantoro::encoding::Bytes encoded_index(std::int64_t rows) {
  BTreeIndex index;
  for (std::int64_t n = 0; n < rows; ++n) {
    if (!index.add_entry(row_of(static_cast<std::uint64_t>(n), 1000 + 600 * static_cast<std::uint64_t>(n)))) std::abort();
  }
  return index.serialize();
}

void BM_DeserializeIndex(benchmark::State& state) {
  const auto bytes = encoded_index(state.range(0));
  for (auto _ : state) {
    auto index = BTreeIndex::deserialize(bytes);
    if (!index) std::abort();
    benchmark::DoNotOptimize(index);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_ValidateIndex(benchmark::State& state) {
  const auto index = BTreeIndex::deserialize(encoded_index(state.range(0)));
  if (!index) std::abort();
  for (auto _ : state) benchmark::DoNotOptimize(index->validate());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_DeserializeIndex)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateIndex)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
