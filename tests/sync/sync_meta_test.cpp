#include "sync/sync_meta.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "record_encoding/codec.hpp"
#include "record_encoding/json_form.hpp"

namespace vantoro::sync {
namespace {

const Uuid vault = *Uuid::parse("326a6898-e9e5-44fc-92eb-4f50d42461e7");
const Uuid device = *Uuid::parse("3461e8e1-3a93-4730-9073-bd4ae3ebcd60");

std::vector<std::uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }

TEST(SyncMeta, NewHasTheIdsAndNothingElse) {
  const auto meta = new_sync_meta(vault, device);
  EXPECT_EQ(meta.vault_uuid, vault);
  EXPECT_EQ(meta.device_id, device);
  EXPECT_EQ(meta.lamport + meta.folders_lamport + meta.folders_remote_cursor, 0u);
  EXPECT_FALSE(meta.last_sync_at || meta.folders_local_edit_at);
}

TEST(SyncMeta, RecordEncoding) {
  auto meta = new_sync_meta(vault, device);
  const auto plain = encoding::encode_record(meta);
  EXPECT_EQ(plain.size(), 74u);  // 24 + 24 + 8 + 1 + 8 + 8 + 1
  EXPECT_EQ(plain[0], 16);     // the vault UUID as a 16-byte string
  EXPECT_EQ(plain[8], 0x32);

  meta.lamport = 9;
  meta.last_sync_at = DateTime{1700000000, 0};            // 2023-11-14T22:13:20Z, 20 characters
  meta.folders_local_edit_at = DateTime{1700000000, 5000};  // with a 6-digit fraction: 27 characters
  const auto full = encoding::encode_record(meta);
  EXPECT_EQ(full.size(), 74u + (8 + 20) + (8 + 27));
  EXPECT_EQ(encoding::decode_record<SyncMeta>(full), meta);
}

TEST(SyncMeta, JsonForm) {
  auto meta = encoding::decode_json_record<SyncMeta>(bytes_of(R"({
    "vault_uuid": "326a6898-e9e5-44fc-92eb-4f50d42461e7", "device_id": "3461E8E13A9347309073BD4AE3EBCD60",
    "lamport": 2, "last_sync_at": "2026-01-01T01:00:00+01:00", "folders_lamport": 3,
    "folders_remote_cursor": 4, "folders_local_edit_at": null, "server": "ignored"})"));
  ASSERT_TRUE(meta) << meta.error();
  EXPECT_EQ(meta->device_id, device);
  EXPECT_EQ(meta->last_sync_at->to_rfc3339(), "2026-01-01T00:00:00Z");
  EXPECT_EQ(meta->folders_remote_cursor, 4u);
  EXPECT_FALSE(meta->folders_local_edit_at);

  auto missing = encoding::decode_json_record<SyncMeta>(
      bytes_of(R"({"vault_uuid": "326a6898-e9e5-44fc-92eb-4f50d42461e7", "device_id": "3461e8e1-3a93-4730-9073-bd4ae3ebcd60"})"));
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.error().starts_with("missing field `lamport`")) << missing.error();
}

}  // namespace
}  // namespace vantoro::sync
