#include "stats/reuse_index.hpp"

namespace vantoro::stats {

void ReuseIndex::initialize(const crypto::Key& key) {
  hmac_key_.reset();
  hmac_key_.emplace(key);
}

void ReuseIndex::clear_index_only() {
  // Map keys are const in place; an extracted node hands its key over for
  // wiping before the node is freed. Extracting keeps the bucket array.
  while (!index_.empty()) {
    auto node = index_.extract(index_.begin());
    crypto::wipe(node.key());
  }
}

void ReuseIndex::clear() {
  clear_index_only();
  hmac_key_.reset();
}

}  // namespace vantoro::stats
