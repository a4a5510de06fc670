#pragma once

#include <cstdint>
#include <optional>

#include "models/date_time.hpp"
#include "models/uuid.hpp"

namespace vantoro::sync {

// The vault's synchronisation identity and counters, held (optionally) by the
// secure header and stored with it. Fields are in wire order: never reorder.
// Version commits advance `lamport`; nothing in the core changes the rest.
struct SyncMeta {
  Uuid vault_uuid;
  Uuid device_id;
  std::uint64_t lamport = 0;                      // Lamport counter of entry versions
  std::optional<DateTime> last_sync_at;
  std::uint64_t folders_lamport = 0;              // Lamport counter of the folders table
  std::uint64_t folders_remote_cursor = 0;        // position of the folders in the remote store
  std::optional<DateTime> folders_local_edit_at;  // last local folder edit

  friend bool operator==(const SyncMeta&, const SyncMeta&) = default;
};

template <class V>
void visit_fields(V& v, SyncMeta& r) {
  v("vault_uuid", r.vault_uuid); v("device_id", r.device_id); v("lamport", r.lamport);
  v("last_sync_at", r.last_sync_at); v("folders_lamport", r.folders_lamport);
  v("folders_remote_cursor", r.folders_remote_cursor); v("folders_local_edit_at", r.folders_local_edit_at);
}

// The SyncMeta of a vault that has none yet: the given ids, counters at 0,
// both times absent.
[[nodiscard]] SyncMeta new_sync_meta(const Uuid& vault_uuid, const Uuid& device_id);

}  // namespace vantoro::sync
