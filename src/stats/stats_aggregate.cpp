#include "stats/stats_aggregate.hpp"

#include "crypto/keys.hpp"
#include "history/side_block.hpp"

namespace vantoro::stats {

StatsAggregate StatsAggregate::make_new() {
  StatsAggregate stats;
  stats.updated_at = DateTime::now();
  return stats;
}

Result<crypto::Bytes> encrypt_stats_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                          const StatsAggregate& stats) {
  return history::seal_side_block(crypto::derive_stats_key(master_key, file_uuid), stats);
}

Result<StatsAggregate> decrypt_stats_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                           std::span<const std::uint8_t> block) {
  return history::open_side_block<StatsAggregate>(crypto::derive_stats_key(master_key, file_uuid), block,
                                                  "Stats block too short");
}

}  // namespace vantoro::stats
