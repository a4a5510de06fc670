#include "crypto/keys.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>

#include "hex.hpp"

namespace vantoro::crypto {
namespace {

using test::ascii;
using test::from_hex;
using test::to_hex;

Key test_master_key() {
  std::array<std::uint8_t, 32> bytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  return Key(bytes);
}

Uuid uuid_from_hex(std::string_view hex) {
  Uuid id;
  const auto bytes = from_hex(hex);
  std::copy(bytes.begin(), bytes.end(), id.bytes.begin());
  return id;
}

const Uuid file_uuid = uuid_from_hex("00112233445566778899aabbccddeeff");
const Uuid version_id = uuid_from_hex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");

// Expected subkeys computed independently with Python's hashlib:
//   sha256(bytes(range(32)) + LABEL + file_uuid [+ version_id]).
// The sync-settings (65-byte) and backup-settings (67-byte) messages span
// two SHA-256 blocks.
TEST(Subkeys, MatchTheLabelTable) {
  const Key m = test_master_key();
  const struct {
    std::string_view label;
    Key key;
    std::string_view digest;
  } cases[] = {
      {"header_key", derive_header_key(m, file_uuid), "9c2843b97bdc516050de4b44273ae7fa1bc7d2b6f3f25e6d1460f40d71a1e384"},
      {"index_key", derive_index_key(m, file_uuid), "bb5a96148459db3eb5f362fe2cd24015c1e82ad08c0e5262307f1ca2209bc0d0"},
      {"entry_key", derive_entry_key(m, file_uuid), "0cb6331769610657b183117d9a9ec0037c7f0c2713de50b7b1dbdaa0d91ba165"},
      {"journal_key", derive_journal_key(m, file_uuid), "2851c1ba7c4dfc8cc2680a9035c869b76b68a326f060b18033be2bc1b915081f"},
      {"shares_key", derive_shares_key(m, file_uuid), "94672ab697f35f128c7d40f7acb1e8c139272a663c634109dbdc79911166cb97"},
      {"stats_key", derive_stats_key(m, file_uuid), "8211bcd3439daa559aa9c11f1a2648b85c172f2f491ee3851f57b0490e19efd5"},
      {"folders_key", derive_folders_key(m, file_uuid), "af7a9593387a2541f0ae431e66d4c6ba48d5421710fa8c1627e5f775f218f6ec"},
      {"backup_settings_key (67 bytes)", derive_backup_settings_key(m, file_uuid),
       "94937a02978db3836601a48816f84563adfada562ad310bf83dc62a1a4f9bbb1"},
      {"sync_settings_key (65 bytes)", derive_sync_settings_key(m, file_uuid),
       "e5b91522e4d3b896a4710c7e6b5b61bdd850a5258dbacebc1dad7cd8adef66c3"},
      {"reuse_hmac_key", derive_reuse_hmac_key(m, file_uuid), "1b6b2bb4cc87d124bdc2a1c520dc258401c01cac0f4a0394fc814a77c9018375"},
      {"wal_key", derive_wal_key(m, file_uuid), "8d056bd228bd0f33cc89329be6da6ebe63c06af3ccecf30d3515df5c1b535f85"},
      {"entry_version_key (81 bytes)", derive_entry_version_key(m, file_uuid, version_id),
       "ad47845cdce8775a27d65e3106c6d0f4bb16a54346c052cad738623a07c509c8"},
  };
  for (const auto& c : cases) EXPECT_EQ(to_hex(c.key.bytes()), c.digest) << c.label;
}

TEST(Subkeys, DifferByIdAndIdOrder) {
  const Key m = test_master_key();
  EXPECT_NE(derive_entry_key(m, file_uuid), derive_entry_key(m, version_id));
  EXPECT_NE(derive_entry_version_key(m, file_uuid, version_id), derive_entry_version_key(m, version_id, file_uuid));
}

TEST(KeyManager, RefusesSubkeysWithoutMasterKey) {
  const KeyManager keys;
  EXPECT_FALSE(keys.has_master_key());
  const Result<Key> attempts[] = {keys.derive_header_key(file_uuid), keys.derive_index_key(file_uuid),
                                  keys.derive_entry_key(file_uuid)};
  for (const auto& attempt : attempts) {
    ASSERT_FALSE(attempt);
    EXPECT_EQ(attempt.error().display(), "Crypto error: No master key available");
  }
  ASSERT_FALSE(keys.master_key());
  EXPECT_TRUE(keys.master_key().error().is(CryptoError::NoMasterKey));
}

// The one run of the production parameters (65536 KiB, 3 passes, 4 lanes):
//   echo -n password | argon2 0123456789abcdef0123456789abcdef -id -t 3 -m 16 -p 4 -l 32 -r
// The manager lives in a buffer of ours, so the bytes that held the master key
// can still be read after its destructor ran.
TEST(KeyManager, DerivesWithProductionParametersAndWipesOnRelease) {
  alignas(KeyManager) std::array<std::uint8_t, sizeof(KeyManager)> storage{};
  auto* keys = new (storage.data()) KeyManager();
  EXPECT_EQ(keys->kdf_params(), (KdfParams{65536, 3, 4}));
  ASSERT_TRUE(keys->derive_master_key(ascii("password"), ascii("0123456789abcdef0123456789abcdef")));
  const Key master = keys->master_key().value();
  EXPECT_EQ(to_hex(master.bytes()), "51c372cd10800faf1217ff21926f8a66884bff6fbec45028495f7fab9ab0f5d2");
  EXPECT_EQ(keys->derive_header_key(file_uuid).value(), derive_header_key(master, file_uuid));

  // A failed derivation keeps the key it had.
  auto failed = keys->derive_master_key(ascii("password"), std::vector<std::uint8_t>(31));
  ASSERT_FALSE(failed);
  EXPECT_TRUE(failed.error().is(CryptoError::InvalidSaltLength));
  EXPECT_EQ(keys->master_key().value().get(), master);

  const auto slot = std::search(storage.begin(), storage.end(), master.bytes().begin(), master.bytes().end());
  ASSERT_NE(slot, storage.end());
  const auto offset = static_cast<std::size_t>(slot - storage.begin());
  keys->~KeyManager();
  const volatile std::uint8_t* released = storage.data() + offset;
  for (std::size_t i = 0; i < Key::size_bytes; ++i) EXPECT_EQ(released[i], 0) << "byte " << i;
}

}  // namespace
}  // namespace vantoro::crypto
