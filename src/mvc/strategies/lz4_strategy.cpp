#include "mvc/strategies/lz4_strategy.hpp"

#include <lz4.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "record_encoding/byte_reader.hpp"

namespace vantoro::mvc {

namespace {

constexpr std::size_t length_prefix = 4;

// One block byte can produce at most 255 output bytes (a match-length byte of
// 255), so no block of n bytes decodes to more than 255 * n. Reserving the
// smaller of D and this bound gives the same results as reserving D, without
// a 4 GiB allocation for a tiny frame that claims D = 2^32 - 1.
constexpr std::size_t max_expansion = 255;

AppError lz4_failure() { return AppError(ServiceError::JournalError, "LZ4 decompression failed"); }

// A token nibble of 15 continues with bytes that are added while they are 255.
std::size_t read_length(encoding::ByteReader& in, std::size_t nibble) {
  std::size_t length = nibble;
  if (nibble != 15) return length;
  for (;;) {
    const auto extra = in.take_fixed(1);
    if (extra.empty()) return 0;  // the reader remembers the failure
    length += extra[0];
    if (extra[0] != 255) return length;
  }
}

// Decodes `block` into `out` and returns the number of bytes produced, or
// nothing when the block is malformed or would produce more than out.size().
//
// We decode blocks ourselves: liblz4's decoder also enforces the format's
// end-of-block conditions (last five bytes literals, last match at least 12
// bytes before the end), and stored payloads that break only those must open.
std::optional<std::size_t> decode_block(std::span<const std::uint8_t> block, std::span<std::uint8_t> out) {
  encoding::ByteReader in(block);
  std::size_t produced = 0;
  for (;;) {
    const auto token = in.take_fixed(1);
    if (token.empty()) return std::nullopt;  // empty block, or the block ended after a match

    const std::size_t literal_length = read_length(in, token[0] >> 4);
    const auto literals = in.take_fixed(literal_length);
    if (!in.ok() || literal_length > out.size() - produced) return std::nullopt;
    std::copy(literals.begin(), literals.end(), out.begin() + static_cast<std::ptrdiff_t>(produced));
    produced += literal_length;
    if (in.remaining() == 0) return produced;  // the last sequence ends after its literals

    const auto offset_bytes = in.take_fixed(2);
    const std::size_t match_length = read_length(in, token[0] & 0x0F) + 4;
    if (!in.ok()) return std::nullopt;
    const std::size_t offset = offset_bytes[0] | (std::size_t{offset_bytes[1]} << 8);
    if (offset > produced || match_length > out.size() - produced) return std::nullopt;
    // Byte by byte: a match may overlap the bytes it is producing. Offset 0
    // copies each byte onto itself and so leaves the buffer's zeros.
    for (std::size_t i = 0; i < match_length; ++i, ++produced) out[produced] = out[produced - offset];
  }
}

}  // namespace

crypto::SecretBytes Lz4Strategy::compress(std::span<const std::uint8_t> data) const {
  // Payloads are entry records, far below liblz4's 2 GiB input limit.
  if (data.size() > LZ4_MAX_INPUT_SIZE) std::abort();
  const int size = static_cast<int>(data.size());
  crypto::SecretBytes frame(length_prefix + static_cast<std::size_t>(LZ4_compressBound(size)));
  for (std::size_t i = 0; i < length_prefix; ++i) frame.data()[i] = static_cast<std::uint8_t>(data.size() >> (8 * i));
  const int written = LZ4_compress_default(reinterpret_cast<const char*>(data.data()),
                                           reinterpret_cast<char*>(frame.data() + length_prefix), size,
                                           LZ4_compressBound(size));
  if (written <= 0) std::abort();  // cannot happen with a worst-case-sized buffer
  frame.shrink(length_prefix + static_cast<std::size_t>(written));
  return frame;
}

Result<crypto::SecretBytes> Lz4Strategy::decompress(std::span<const std::uint8_t> data) const {
  if (data.size() < length_prefix) return std::unexpected(lz4_failure());
  std::size_t declared = 0;  // D, u32 little-endian
  for (std::size_t i = 0; i < length_prefix; ++i) declared |= std::size_t{data[i]} << (8 * i);
  const auto block = data.subspan(length_prefix);

  crypto::SecretBytes out(std::min(declared, max_expansion * block.size()));
  const auto produced = decode_block(block, out.span());
  if (!produced) return std::unexpected(lz4_failure());
  out.shrink(*produced);
  return out;
}

}  // namespace vantoro::mvc
