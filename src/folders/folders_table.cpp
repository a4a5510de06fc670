#include "folders/folders_table.hpp"

#include "crypto/keys.hpp"
#include "history/side_block.hpp"

namespace vantoro::folders {

Result<crypto::Bytes> encrypt_folders_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                            const FoldersTable& folders) {
  return history::seal_side_block(crypto::derive_folders_key(master_key, file_uuid), folders);
}

Result<FoldersTable> decrypt_folders_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                           std::span<const std::uint8_t> block) {
  return history::open_side_block<FoldersTable>(crypto::derive_folders_key(master_key, file_uuid), block,
                                                "Folders block too short");
}

}  // namespace vantoro::folders
