#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"

namespace vantoro::crypto {

// Argon2id cost parameters. Declared order is the stored order (secure
// header); never reorder.
struct KdfParams {
  std::uint32_t memory_cost = 65536;  // KiB
  std::uint32_t time_cost = 3;        // passes
  std::uint32_t parallelism = 4;      // lanes

  friend bool operator==(const KdfParams&, const KdfParams&) = default;
};

template <class V> void visit_fields(V& v, KdfParams& r) {
  v("memory_cost", r.memory_cost);
  v("time_cost", r.time_cost);
  v("parallelism", r.parallelism);
}

inline constexpr std::size_t salt_length = 32;

// Argon2id (version 0x13) of `passphrase` (bytes exactly as given) and the
// 32-byte `salt`, with m/t/p from `params`, no secret and no associated data;
// the 32-byte tag is the key. Checks, in order:
//   salt not 32 bytes  -> CryptoError::InvalidSaltLength(actual length)
//   params out of range (1 <= p <= 2^24-1, t >= 1, m >= 8, m >= 8p)
//                      -> CryptoError::InvalidKdfParams
//   Argon2 rejects the salt -> CryptoError::InvalidSalt
//   any other Argon2 failure -> CryptoError::KeyDerivationFailed
// Pure; runs the lanes on the calling thread.
[[nodiscard]] Result<Key> derive_key(std::span<const std::uint8_t> passphrase,
                                     std::span<const std::uint8_t> salt, const KdfParams& params);

}  // namespace vantoro::crypto
