#pragma once

#include <array>
#include <cstdint>

#include "crypto/secret.hpp"
#include "models/uuid.hpp"

namespace vantoro::test {

// A UUID whose bytes are all `n`, so ids in tests read as small numbers.
inline Uuid id(std::uint8_t n) {
  Uuid value;
  value.bytes.fill(n);
  return value;
}

// A master key whose bytes are all `n`.
inline crypto::Key master_key(std::uint8_t n = 7) {
  std::array<std::uint8_t, crypto::Key::size_bytes> bytes{};
  bytes.fill(n);
  return crypto::Key(bytes);
}

}  // namespace vantoro::test
