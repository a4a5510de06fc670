#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"

namespace vantoro::mvc {

// A payload compression algorithm. Payloads are plaintext, so both
// directions hand back SecretBytes. Implementations keep no state.
class CompressionStrategy {
 public:
  virtual ~CompressionStrategy() = default;

  [[nodiscard]] virtual crypto::SecretBytes compress(std::span<const std::uint8_t> data) const = 0;
  [[nodiscard]] virtual Result<crypto::SecretBytes> decompress(std::span<const std::uint8_t> data) const = 0;
  [[nodiscard]] virtual std::string_view algorithm_name() const = 0;
};

}  // namespace vantoro::mvc
