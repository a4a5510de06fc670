#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "crypto/secret.hpp"

namespace vantoro::stats {

// A keyed password hash (32 bytes).
using PasswordHash = std::array<std::uint8_t, 32>;

struct PasswordHashHash {
  std::size_t operator()(const PasswordHash& hash) const noexcept {
    std::size_t value = 0;  // keyed hashes are uniform: any 8 of their bytes will do
    std::memcpy(&value, hash.data(), sizeof value);
    return value;
  }
};

// In-memory counts of keyed password hashes, never stored, with the reuse key
// they are hashed under. Owned by the open vault of a format-4 file; keyed at
// open, cleared when the caches are cleared. Every held key is overwritten
// with zeros when it is replaced, dropped or released. No lock of its own;
// no operation fails.
class ReuseIndex {
 public:
  using Index = std::unordered_map<PasswordHash, std::uint32_t, PasswordHashHash>;

  [[nodiscard]] const Index& index() const { return index_; }
  [[nodiscard]] Index& index() { return index_; }
  [[nodiscard]] const std::optional<crypto::Key>& hmac_key() const { return hmac_key_; }

  // Holds `key` as the reuse key, wiping any key held before. The index is
  // not touched.
  void initialize(const crypto::Key& key);

  // Wipes every stored hash and empties the index; the key stays.
  void clear_index_only();

  // clear_index_only, then wipes and drops the key.
  void clear();

 private:
  Index index_;
  std::optional<crypto::Key> hmac_key_;  // a Key wipes itself when destroyed
};

}  // namespace vantoro::stats
