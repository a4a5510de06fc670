#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <unordered_map>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "models/date_time.hpp"
#include "models/entry_type.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::stats {

// A summary of a vault's entries, stored as the stats block. Nothing here
// computes it: it is carried from open to save unchanged. Fields in stored
// order (never reorder).
struct StatsAggregate {
  DateTime updated_at;
  std::uint32_t total_entries = 0;
  std::unordered_map<EntryType, std::uint32_t> by_type;
  std::uint32_t weak_count = 0;
  std::uint32_t reused_count = 0;
  float avg_pw_age_days = 0;
  std::array<std::uint32_t, 8> age_histogram{};
  std::uint32_t two_factor_count = 0;
  std::uint32_t password_entries_count = 0;

  // New statistics: updated now, every count zero.
  [[nodiscard]] static StatsAggregate make_new();

  bool operator==(const StatsAggregate&) const = default;
};

template <class V>
void visit_fields(V& v, StatsAggregate& r) {
  v("updated_at", r.updated_at); v("total_entries", r.total_entries); v("by_type", r.by_type);
  v("weak_count", r.weak_count); v("reused_count", r.reused_count); v("avg_pw_age_days", r.avg_pw_age_days);
  v("age_histogram", r.age_histogram); v("two_factor_count", r.two_factor_count);
  v("password_entries_count", r.password_entries_count);
}

// The stats block, sealed under the stats key of `master_key` and the
// vault's file UUID. The caller checks the format version and that a master
// key is held. Fails only as sealing does.
[[nodiscard]] Result<crypto::Bytes> encrypt_stats_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                        const StatsAggregate& stats);

// Opens a stats block:
//   under 12 bytes -> FormatError::DeserializationError("Stats block too short")
//   AEAD failure   -> CryptoError::DecryptionError, unchanged
//   undecodable    -> FormatError::DeserializationError(decoder's message)
[[nodiscard]] Result<StatsAggregate> decrypt_stats_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                         std::span<const std::uint8_t> block);

}  // namespace vantoro::stats
