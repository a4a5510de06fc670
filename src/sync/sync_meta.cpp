#include "sync/sync_meta.hpp"

namespace vantoro::sync {

SyncMeta new_sync_meta(const Uuid& vault_uuid, const Uuid& device_id) {
  SyncMeta meta;
  meta.vault_uuid = vault_uuid;
  meta.device_id = device_id;
  return meta;
}

}  // namespace vantoro::sync
