#pragma once

#include "mvc/strategies/compression_strategy.hpp"

namespace vantoro::mvc {

// The LZ4 frame: uncompressed length D as u32 little-endian, then one block
// in the LZ4 block format (no frame header, checksum or end mark).
//
// decompress accepts any block made of sequences (token, literals, offset,
// match) whose last sequence ends after its literals, whose match offsets
// point into the bytes produced so far and whose output stays within D; the
// output may be shorter than D. Everything else (input under 5 bytes, a block
// cut short or ending after a match, offset 0 or too far back, output past D)
// fails with ServiceError::JournalError("LZ4 decompression failed").
class Lz4Strategy final : public CompressionStrategy {
 public:
  // Never fails (inputs past 4 GiB - 1 do not fit the frame and are asserted).
  [[nodiscard]] crypto::SecretBytes compress(std::span<const std::uint8_t> data) const override;
  [[nodiscard]] Result<crypto::SecretBytes> decompress(std::span<const std::uint8_t> data) const override;
  [[nodiscard]] std::string_view algorithm_name() const override { return "LZ4"; }
};

}  // namespace vantoro::mvc
