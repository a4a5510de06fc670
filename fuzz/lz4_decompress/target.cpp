// Decompresses arbitrary bytes as an LZ4 payload frame. Failures must be the
// one LZ4 error; a success never exceeds the declared length D. Whatever
// liblz4's own decoder accepts must decode to the same bytes here (ours is
// more lenient only at the block's end). Any input compresses to a frame that
// decompresses to itself.
#include <lz4.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "mvc/strategies/lz4_strategy.hpp"

namespace {

using namespace vantoro;

constexpr std::size_t reference_cap = 1 << 16;  // keeps each run cheap

std::size_t declared_length(std::span<const std::uint8_t> frame) {
  return frame[0] | std::size_t{frame[1]} << 8 | std::size_t{frame[2]} << 16 | std::size_t{frame[3]} << 24;
}

// liblz4's result for the frame's block, or nothing when it refuses it.
std::optional<std::vector<std::uint8_t>> reference_decode(std::span<const std::uint8_t> frame) {
  if (frame.size() < 4) return std::nullopt;
  const auto block = frame.subspan(4);
  std::vector<std::uint8_t> out(std::min(declared_length(frame), reference_cap));
  const int produced = LZ4_decompress_safe(reinterpret_cast<const char*>(block.data()),
                                           reinterpret_cast<char*>(out.data()), static_cast<int>(block.size()),
                                           static_cast<int>(out.size()));
  if (produced < 0) return std::nullopt;
  out.resize(static_cast<std::size_t>(produced));
  return out;
}

void check_decompress(std::span<const std::uint8_t> frame) {
  const auto output = mvc::Lz4Strategy().decompress(frame);
  if (!output) {
    if (!output.error().is(ServiceError::JournalError) || output.error().text() != "LZ4 decompression failed") {
      std::abort();
    }
  } else if (output->size() > declared_length(frame)) {
    std::abort();
  }
  if (const auto expected = reference_decode(frame)) {
    if (!output || !std::ranges::equal(output->span(), *expected)) std::abort();
  }
}

void check_round_trip(std::span<const std::uint8_t> data) {
  const auto output = mvc::Lz4Strategy().decompress(mvc::Lz4Strategy().compress(data));
  if (!output || !std::ranges::equal(output->span(), data)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  if (input.size() > 1 << 16) return 0;  // the round trip's cost, not new coverage
  check_decompress(input);
  check_round_trip(input);
  return 0;
}
