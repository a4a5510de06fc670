#pragma once

#include "mvc/strategies/compression_strategy.hpp"

namespace vantoro::mvc {

// The LZ4 frame: uncompressed length D as u32 little-endian, then one block
// in the LZ4 block format (no frame header, checksum or end mark).
//
// decompress accepts any block made of sequences (token, literals, offset,
// match) whose last sequence ends after its literals, whose match offsets
// reach no further back than the bytes produced so far and whose output stays
// within D; the output may be shorter than D. The output buffer starts as
// zeros, so a match with offset 0 produces zeros. Everything else (input under
// 5 bytes, a block cut short or ending after a match, an offset too far back,
// output past D) fails with ServiceError::JournalError("LZ4 decompression failed").
class Lz4Strategy final : public CompressionStrategy {
 public:
  // Never fails. Inputs past liblz4's limit (about 2 GiB, far above any
  // payload) stop the process.
  [[nodiscard]] crypto::SecretBytes compress(std::span<const std::uint8_t> data) const override;
  [[nodiscard]] Result<crypto::SecretBytes> decompress(std::span<const std::uint8_t> data) const override;
  [[nodiscard]] std::string_view algorithm_name() const override { return "LZ4"; }
};

}  // namespace vantoro::mvc
