#include "mvc/models/vault_sync_settings.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "crypto/keys.hpp"
#include "crypto/seal.hpp"
#include "record_encoding/codec.hpp"
#include "tables_support.hpp"

namespace vantoro::mvc {
namespace {

using encoding::Bytes;

VaultSyncSettingsBincodeLegacy legacy_settings() {
  return {.enabled = true, .server_url = "https://sync.example", .is_self_hosted = true,
          .user_email = "harbor@example.org", .registered_device_id = test::id(3), .access_token = "at-1",
          .refresh_token = std::nullopt};
}

VaultSyncSettings current_settings(bool auto_sync_on_open) { return {legacy_settings(), auto_sync_on_open}; }

Bytes with_suffix(Bytes bytes, std::uint8_t suffix) {
  bytes.push_back(suffix);
  return bytes;
}

TEST(VaultSyncSettings, CompatDecodingReadsBothForms) {
  const Bytes legacy = encoding::encode_record(legacy_settings());
  struct Case {
    std::string name;
    Bytes bytes;
    std::optional<VaultSyncSettings> expected;  // absent: fails
    std::string error;
  };
  const std::vector<Case> cases = {
      {"legacy form", legacy, current_settings(true), ""},
      {"current form, auto sync off", encoding::encode_record(current_settings(false)), current_settings(false), ""},
      {"current form, auto sync on", encoding::encode_record(current_settings(true)), current_settings(true), ""},
      // the last byte is no boolean, so only the legacy form reads
      {"legacy form and a stray byte", with_suffix(legacy, 2), current_settings(true), ""},
      {"neither form", Bytes{1, 0xFF}, std::nullopt, "io error: unexpected end of file"},
      {"bad first boolean", Bytes{9}, std::nullopt, "invalid u8 while decoding bool, expected 0 or 1, found 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto decoded = VaultSyncSettings::deserialize_bincode_compat(c.bytes);
    if (c.expected) {
      ASSERT_TRUE(decoded) << decoded.error().message;
      EXPECT_EQ(*decoded, *c.expected);
    } else {
      ASSERT_FALSE(decoded);
      EXPECT_EQ(decoded.error().message, c.error);
    }
  }
}

TEST(VaultSyncSettings, LegacyBlockOpensWithAutoSyncAndIsRewrittenInTheCurrentForm) {
  const Uuid file_uuid = test::id(0xF1);
  const Bytes legacy = encoding::encode_record(legacy_settings());
  auto block = crypto::seal_blob(crypto::derive_sync_settings_key(test::master_key(), file_uuid), legacy);
  ASSERT_TRUE(block);

  auto opened = decrypt_sync_settings_block(test::master_key(), file_uuid, *block);
  ASSERT_TRUE(opened) << opened.error().display();
  EXPECT_EQ(*opened, current_settings(true));

  auto resealed = encrypt_sync_settings_block(test::master_key(), file_uuid, *opened);
  ASSERT_TRUE(resealed);
  EXPECT_EQ(resealed->size(), block->size() + 1);
  auto plaintext = crypto::open_blob(crypto::derive_sync_settings_key(test::master_key(), file_uuid), *resealed);
  ASSERT_TRUE(plaintext);
  EXPECT_EQ(Bytes(plaintext->span().begin(), plaintext->span().end()), with_suffix(legacy, 1));
}

}  // namespace
}  // namespace vantoro::mvc
