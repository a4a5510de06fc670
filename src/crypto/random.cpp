#include "crypto/random.hpp"

#include <openssl/rand.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vantoro::crypto {

void random_bytes(std::span<std::uint8_t> out) {
  // OpenSSL's public DRBG is per thread and seeded and reseeded from the
  // operating system. It fails only when the OS has no randomness to give;
  // carrying on would produce predictable nonces, salts and ids.
  while (!out.empty()) {
    const std::size_t chunk = std::min<std::size_t>(out.size(), INT_MAX);
    if (RAND_bytes(out.data(), static_cast<int>(chunk)) != 1) std::abort();
    out = out.subspan(chunk);
  }
}

Uuid random_uuid() {
  Uuid id;
  random_bytes(id.bytes);
  id.bytes[6] = static_cast<std::uint8_t>((id.bytes[6] & 0x0F) | 0x40);  // version 4
  id.bytes[8] = static_cast<std::uint8_t>((id.bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return id;
}

}  // namespace vantoro::crypto
