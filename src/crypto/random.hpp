#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "models/uuid.hpp"

namespace vantoro::crypto {

// Fills `out` from the process's secure generator: a per-thread DRBG seeded
// and periodically reseeded from the operating system. Drawing never fails;
// if the operating system cannot supply randomness the process stops.
// Thread-safe.
void random_bytes(std::span<std::uint8_t> out);

template <std::size_t N>
[[nodiscard]] std::array<std::uint8_t, N> random_array() {
  std::array<std::uint8_t, N> out;
  random_bytes(out);
  return out;
}

// A new random (version 4, RFC 4122 variant) UUID.
[[nodiscard]] Uuid random_uuid();

}  // namespace vantoro::crypto
