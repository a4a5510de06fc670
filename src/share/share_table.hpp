#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "models/date_time.hpp"
#include "models/uuid.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::share {

// Who entries are shared with, and per shared entry version the entry key
// wrapped for the recipient. Carried from open to save unchanged and never
// interpreted: duplicate ids and any permission byte are kept as read.
// Records' fields are in stored order (never reorder).

struct ShareRecipient {
  Uuid user_id;
  std::array<std::uint8_t, 32> recipient_pubkey{};
  bool operator==(const ShareRecipient&) const = default;
};

template <class V>
void visit_fields(V& v, ShareRecipient& r) {
  v("user_id", r.user_id); v("recipient_pubkey", r.recipient_pubkey);
}

// One stored byte whose meaning belongs to the application.
struct SharePerm {
  std::uint8_t value = 0;
  bool operator==(const SharePerm&) const = default;
};

template <class V>
void visit_fields(V& v, SharePerm& r) {
  v("value", r.value);
}

struct EntryShareEnvelope {
  Uuid entry_id;
  Uuid version_id;
  encoding::Bytes wrapped_entry_key;
  Uuid owner_device_id;
  DateTime created_at;
  SharePerm permissions;
  bool operator==(const EntryShareEnvelope&) const = default;
};

template <class V>
void visit_fields(V& v, EntryShareEnvelope& r) {
  v("entry_id", r.entry_id); v("version_id", r.version_id); v("wrapped_entry_key", r.wrapped_entry_key);
  v("owner_device_id", r.owner_device_id); v("created_at", r.created_at); v("permissions", r.permissions);
}

// Default-constructed, both lists are empty.
struct ShareTable {
  std::vector<ShareRecipient> recipients;
  std::vector<EntryShareEnvelope> envelopes;
  bool operator==(const ShareTable&) const = default;
};

template <class V>
void visit_fields(V& v, ShareTable& r) {
  v("recipients", r.recipients); v("envelopes", r.envelopes);
}

// The shares block, sealed under the shares key of `master_key` and the
// vault's file UUID. The caller checks the format version and that a master
// key is held. Fails only as sealing does.
[[nodiscard]] Result<crypto::Bytes> encrypt_shares_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                         const ShareTable& shares);

// Opens a shares block:
//   under 12 bytes -> FormatError::DeserializationError("Shares block too short")
//   AEAD failure   -> CryptoError::DecryptionError, unchanged
//   undecodable    -> FormatError::DeserializationError(decoder's message)
[[nodiscard]] Result<ShareTable> decrypt_shares_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                                      std::span<const std::uint8_t> block);

}  // namespace vantoro::share
