#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace vantoro::crypto {

using Digest = std::array<std::uint8_t, 32>;

// SHA-256 (FIPS 180-4) of `bytes`: the entry checksum. Cannot fail.
[[nodiscard]] Digest calculate_checksum(std::span<const std::uint8_t> bytes);

// SHA-256 of the concatenation of `parts`, written straight into `out`, so a
// digest that is a key never sits in a plain buffer.
void sha256_into(std::initializer_list<std::span<const std::uint8_t>> parts, std::span<std::uint8_t, 32> out);

}  // namespace vantoro::crypto
