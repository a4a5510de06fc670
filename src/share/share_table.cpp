#include "share/share_table.hpp"

#include "crypto/keys.hpp"
#include "history/side_block.hpp"

namespace vantoro::share {

Result<crypto::Bytes> encrypt_shares_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                           const ShareTable& shares) {
  return history::seal_side_block(crypto::derive_shares_key(master_key, file_uuid), shares);
}

Result<ShareTable> decrypt_shares_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                        std::span<const std::uint8_t> block) {
  return history::open_side_block<ShareTable>(crypto::derive_shares_key(master_key, file_uuid), block,
                                              "Shares block too short");
}

}  // namespace vantoro::share
