#include "history/side_block.hpp"

namespace vantoro::history {

Result<crypto::SecretBytes> open_side_block_plaintext(const crypto::Key& key, std::span<const std::uint8_t> block,
                                                      std::string_view too_short_text) {
  if (auto checked = crypto::check_blob_length(block, too_short_text); !checked) {
    return std::unexpected(std::move(checked.error()));
  }
  return crypto::open_blob(key, block);
}

}  // namespace vantoro::history
