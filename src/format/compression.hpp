#pragma once

#include <cstdint>
#include <span>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"

namespace vantoro::format {

// The open vault's compression service: decompresses stored entry payloads
// through a fresh Lz4Strategy per call. Stateless and thread-safe.
class CompressionManager {
 public:
  // The decompressed payload. Errors from the strategy are mapped:
  //   Format family -> unchanged
  //   Service family -> FormatError::DecompressionError(the service error's own text),
  //                     e.g. "History journal error: LZ4 decompression failed"
  //   anything else  -> FormatError::DecompressionError(the error's full display text)
  [[nodiscard]] Result<crypto::SecretBytes> decompress(std::span<const std::uint8_t> data) const;
};

}  // namespace vantoro::format
