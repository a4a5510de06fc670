// Costs of the cryptographic steps, for per-entry estimates: one master-key
// derivation (65536 KiB, 3 passes, 4 lanes), one subkey, and sealing and
// opening records of 64 B, 512 B and 64 KiB.
#include <benchmark/benchmark.h>

#include <vector>

#include "crypto/kdf.hpp"
#include "crypto/keys.hpp"
#include "crypto/random.hpp"
#include "crypto/seal.hpp"

namespace {

using namespace vantoro;

const crypto::Key& bench_key() {
  static const crypto::Key key(crypto::random_array<32>());
  return key;
}

void BM_DeriveMasterKey(benchmark::State& state) {
  const std::vector<std::uint8_t> passphrase{'p', 'a', 's', 's', 'w', 'o', 'r', 'd'};
  const auto salt = crypto::random_array<crypto::salt_length>();
  for (auto _ : state) {
    auto key = crypto::derive_key(passphrase, salt, crypto::KdfParams{});
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK(BM_DeriveMasterKey)->Unit(benchmark::kMillisecond);

void BM_DeriveSubkey(benchmark::State& state) {
  const Uuid entry_id = crypto::random_uuid();
  for (auto _ : state) {
    auto key = crypto::derive_entry_key(bench_key(), entry_id);
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK(BM_DeriveSubkey);

void BM_SealBlob(benchmark::State& state) {
  const std::vector<std::uint8_t> record(static_cast<std::size_t>(state.range(0)), 0x42);
  for (auto _ : state) {
    auto blob = crypto::seal_blob(bench_key(), record);
    benchmark::DoNotOptimize(blob);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SealBlob)->Arg(64)->Arg(512)->Arg(64 << 10);

void BM_OpenBlob(benchmark::State& state) {
  const std::vector<std::uint8_t> record(static_cast<std::size_t>(state.range(0)), 0x42);
  const auto blob = crypto::seal_blob(bench_key(), record).value();
  for (auto _ : state) {
    auto opened = crypto::open_blob(bench_key(), blob);
    benchmark::DoNotOptimize(opened);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OpenBlob)->Arg(64)->Arg(512)->Arg(64 << 10);

}  // namespace
