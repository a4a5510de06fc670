#include "format/secure_header.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "format/preamble.hpp"
#include "format/vault_file.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::format {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

const Uuid device = *Uuid::parse("3461e8e1-3a93-4730-9073-bd4ae3ebcd60");

// One Argon2id derivation for the whole suite.
class SealedHeaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    keys_ = new crypto::KeyManager();
    ASSERT_TRUE(keys_->derive_master_key(bytes_of("pass"), Salt{}));
  }
  static void TearDownTestSuite() { delete keys_; }
  static crypto::KeyManager* keys_;
};
crypto::KeyManager* SealedHeaderTest::keys_ = nullptr;

// Every optional field filled, and the cipher this system never uses.
SecureHeader full_header() {
  auto header = SecureHeader::new_v4(device);
  header.encryption_algorithm = EncryptionAlgorithm::XChaCha20Poly1305;
  header.entry_count = 3;
  header.total_size = 1234;
  header.header_checksum.fill(0x5A);
  header.sync_meta->lamport = 7;
  header.sync_meta->last_sync_at = DateTime{1700000000, 120000000};
  header.sync_meta->folders_local_edit_at = DateTime{-5, 1};
  header.journal_size = 60;
  header.recovery_salt.emplace().fill(0x42);
  header.master_key_wrapped_with_recovery = Bytes{1, 2, 3, 4};
  header.recovery_enabled = true;
  header.sync_settings_size = 43;
  return header;
}

TEST(SecureHeader, NewV4) {
  const auto header = SecureHeader::new_v4(device);
  EXPECT_EQ(header.magic, 0x514F4C54u);
  EXPECT_EQ(header.format_version, 4);
  EXPECT_EQ(header.file_uuid.bytes[6] >> 4, 4);  // a random (version 4) UUID
  EXPECT_NE(header.salt, Salt{});
  EXPECT_EQ(header.kdf_params, (crypto::KdfParams{65536, 3, 4}));
  EXPECT_EQ(header.encryption_algorithm, EncryptionAlgorithm::Aes256Gcm);
  EXPECT_EQ(header.created_at, header.updated_at);
  EXPECT_EQ(header.header_checksum, (std::array<std::uint8_t, 32>{}));
  EXPECT_EQ(header.sync_meta, sync::new_sync_meta(header.file_uuid, device));
  EXPECT_FALSE(header.recovery_salt || header.master_key_wrapped_with_recovery || header.recovery_enabled);
  EXPECT_EQ(header.entry_count + header.total_size + header.journal_size + header.shares_size + header.stats_size +
                header.folders_size + header.backup_settings_size + header.sync_settings_size,
            0u);

  const auto other = SecureHeader::new_v4(device);
  EXPECT_NE(other.file_uuid, header.file_uuid);
  EXPECT_NE(other.salt, header.salt);
}

TEST(SecureHeader, EncodingHasTheDeclaredFieldWidths) {
  const auto header = SecureHeader::new_v4(device);
  const auto plaintext = encoding::encode_record(header);
  const auto times = header.created_at.to_rfc3339().size() + header.updated_at.to_rfc3339().size();
  // fixed part, two times, checksum, SyncMeta without times, four sizes,
  // absent recovery salt and key, recovery_enabled, two settings sizes
  EXPECT_EQ(plaintext.size(), 90 + 16 + times + 32 + (1 + 74) + 32 + 1 + 1 + 1 + 16);
  EXPECT_EQ(Bytes(plaintext.begin(), plaintext.begin() + 4), bytes_of("TLOQ"));  // magic stored little-endian
}

TEST_F(SealedHeaderTest, RoundTripsEveryField) {
  for (const auto& header : {SecureHeader::new_v4(device), full_header()}) {
    auto sealed = encrypt_header(header, *keys_);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->size(), encoding::encoded_size(header) + 28);
    EXPECT_NE(encrypt_header(header, *keys_), sealed);  // a fresh nonce each time
    EXPECT_EQ(decrypt_header(*sealed, header.file_uuid, *keys_), header);
  }
}

TEST_F(SealedHeaderTest, OpeningFailures) {
  const auto header = SecureHeader::new_v4(device);
  auto sealed = *encrypt_header(header, *keys_);
  const crypto::KeyManager no_key;
  const Bytes eleven(11);
  Bytes damaged = sealed;
  damaged[20] ^= 1;

  EXPECT_EQ(decrypt_header(eleven, header.file_uuid, *keys_).error(),
            AppError(FormatError::DeserializationError, "Encrypted header too short"));
  EXPECT_EQ(decrypt_header(eleven, header.file_uuid, no_key).error(),
            AppError(FormatError::DeserializationError, "Encrypted header too short"));  // checked before any key
  EXPECT_EQ(decrypt_header(sealed, header.file_uuid, no_key).error(), AppError(CryptoError::NoMasterKey));
  EXPECT_EQ(encrypt_header(header, no_key).error(), AppError(CryptoError::NoMasterKey));
  for (const auto& [blob, uuid] : {std::pair{sealed, device}, std::pair{damaged, header.file_uuid}}) {
    auto opened = decrypt_header(blob, uuid, *keys_);
    ASSERT_FALSE(opened);
    EXPECT_TRUE(opened.error().is(CryptoError::DecryptionError));
  }
}

TEST(DecodeHeader, RecordFormFailures) {
  auto header = SecureHeader::new_v4(device);
  header.sync_meta.reset();
  const auto plaintext = encoding::encode_record(header);
  // With no SyncMeta and no recovery material, 51 bytes follow the SyncMeta tag.
  const std::size_t sync_meta_tag = plaintext.size() - 52;
  const std::size_t algorithm = 4 + 2 + 24 + 32 + 12;
  auto with = [&](std::size_t at, std::uint8_t value) {
    Bytes changed = plaintext;
    changed[at] = value;
    return changed;
  };
  ASSERT_EQ(plaintext[sync_meta_tag], 0);

  EXPECT_EQ(decode_header(with(sync_meta_tag, 2)).error(),
            AppError(FormatError::DeserializationError,
                     "Header format mismatch: tag for enum is not valid, found 2. The vault may come from an incompatible "
                     "app build (enum tag layout). Detail: tag for enum is not valid, found 2"));

  struct Case {
    Bytes plaintext;
    std::string prefix;
  };
  const std::vector<Case> cases = {
      {with(algorithm, 2),
       "Bincode and JSON deserialize failed: bincode=invalid value: integer `2`, expected variant index 0 <= i < 2, json="},
      {Bytes(plaintext.begin(), plaintext.end() - 1),
       "Bincode and JSON deserialize failed: bincode=io error: unexpected end of file, json="},
  };
  for (const auto& c : cases) {
    auto decoded = decode_header(c.plaintext);
    ASSERT_FALSE(decoded);
    EXPECT_TRUE(decoded.error().is(FormatError::DeserializationError));
    EXPECT_TRUE(decoded.error().text().starts_with(c.prefix)) << decoded.error().text();
    EXPECT_GT(decoded.error().text().size(), c.prefix.size());  // the JSON reader's text follows
  }

  Bytes trailing = plaintext;
  trailing.insert(trailing.end(), {1, 2, 3});
  EXPECT_EQ(decode_header(trailing), header);
}

TEST(DecodeHeader, JsonFormWithItsDefaults) {
  const std::string json = R"({
    "magic": 1364151380, "format_version": 4, "file_uuid": "326a6898-e9e5-44fc-92eb-4f50d42461e7",
    "kdf_params": {"memory_cost": 19456, "time_cost": 2, "parallelism": 1},
    "encryption_algorithm": "XChaCha20Poly1305", "entry_count": 2, "total_size": 9,
    "created_at": "2025-11-06T07:27:19.000999+01:00", "updated_at": "2026-12-09T06:20:18Z",
    "header_checksum": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32],
    "sync_meta": {"vault_uuid": "326a6898-e9e5-44fc-92eb-4f50d42461e7", "device_id": "3461e8e1-3a93-4730-9073-bd4ae3ebcd60",
                  "lamport": 2, "last_sync_at": null, "folders_lamport": 0, "folders_remote_cursor": 5},
    "journal_size": 1, "shares_size": 2, "stats_size": 3, "folders_size": 4, "recovery_salt": null,
    "backup_settings_size": 5, "sync_settings_size": 6, "written_by": "another build"
  })";
  auto header = decode_header(bytes_of(json));
  ASSERT_TRUE(header) << header.error().display();
  EXPECT_EQ(header->salt, Salt{});
  EXPECT_FALSE(header->recovery_enabled);
  EXPECT_FALSE(header->recovery_salt || header->master_key_wrapped_with_recovery);
  EXPECT_EQ(header->encryption_algorithm, EncryptionAlgorithm::XChaCha20Poly1305);
  EXPECT_EQ(header->created_at.to_rfc3339(), "2025-11-06T06:27:19.000999Z");
  EXPECT_EQ(header->header_checksum[31], 32);
  ASSERT_TRUE(header->sync_meta);
  EXPECT_EQ(header->sync_meta->folders_remote_cursor, 5u);
  EXPECT_FALSE(header->sync_meta->folders_local_edit_at);
  EXPECT_EQ(header->sync_settings_size, 6u);
}

// ---- vaults written by an independent implementation -------------------------

struct Fixture {
  fs::path vault;
  std::string password;
};

Fixture fixture(const std::string& scenario, const std::string& vault) {
  const char* root = std::getenv("VANTORO_FIXTURES");
  const fs::path dir = fs::path(root ? root : "") / "public" / scenario;
  std::ifstream in(dir / "password");
  std::string password((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return {dir / vault, password};
}

// Reads the sealed header of a fixture (read-only) and opens it with its
// password and the preamble's salt and file_uuid.
Result<SecureHeader> open_fixture_header(const Fixture& f, crypto::KeyManager& keys) {
  auto file = PosixFile::open_read(f.vault);
  PreambleWalk walk(*file);
  EXPECT_TRUE(walk.read_magic() && walk.read_supported_version());
  const auto salt = walk.read_salt();
  EXPECT_TRUE(keys.derive_master_key(bytes_of(f.password), *salt));
  const auto file_uuid = read_file_uuid_from_file(f.vault);
  auto sealed = read_secure_file(f.vault);
  if (!sealed) return std::unexpected(sealed.error());
  auto header = decrypt_header(*sealed, *file_uuid, keys);
  if (header) {
    EXPECT_EQ(header->salt, *salt);
    EXPECT_EQ(header->file_uuid, *file_uuid);
  }
  return header;
}

TEST(HeaderFixtures, RecordFormWithXChaChaIsCarriedUnchanged) {
  crypto::KeyManager keys;
  auto header = open_fixture_header(fixture("xchacha", "Old phone.qolty"), keys);
  ASSERT_TRUE(header) << header.error().display();
  EXPECT_EQ(header->encryption_algorithm, EncryptionAlgorithm::XChaCha20Poly1305);
  EXPECT_EQ(header->kdf_params, (crypto::KdfParams{19456, 2, 1}));
  EXPECT_EQ(header->created_at.to_rfc3339(), "2025-11-06T06:08:25.120Z");
  EXPECT_EQ(header->header_checksum[0], 0x43);
  EXPECT_EQ(decrypt_header(*encrypt_header(*header, keys), header->file_uuid, keys), *header);
}

TEST(HeaderFixtures, JsonForm) {
  crypto::KeyManager keys;
  auto header = open_fixture_header(fixture("header-json", "Travel.qolty"), keys);
  ASSERT_TRUE(header) << header.error().display();
  EXPECT_EQ(header->file_uuid, Uuid::parse("326a6898-e9e5-44fc-92eb-4f50d42461e7"));
  EXPECT_EQ(header->created_at.to_rfc3339(), "2025-11-06T06:27:19.000999Z");
  EXPECT_EQ(header->header_checksum[0], 0x3e);
  EXPECT_EQ(header->sync_meta->device_id, device);
}

TEST(HeaderFixtures, DecodingFailures) {
  crypto::KeyManager keys;
  EXPECT_EQ(open_fixture_header(fixture("header-tag2", "Archive.qolty"), keys).error(),
            AppError(FormatError::DeserializationError,
                     "Header format mismatch: tag for enum is not valid, found 2. The vault may come from an incompatible "
                     "app build (enum tag layout). Detail: tag for enum is not valid, found 2"));
  auto enum2 = open_fixture_header(fixture("header-enum2", "Old phone.qolty"), keys);
  ASSERT_FALSE(enum2);
  EXPECT_TRUE(enum2.error().text().starts_with(
      "Bincode and JSON deserialize failed: bincode=invalid value: integer `2`, expected variant index 0 <= i < 2, json="));

  const auto short_vault = fixture("header-short", "Shared.qolty").vault;
  EXPECT_EQ(decrypt_header(*read_secure_file(short_vault), *read_file_uuid_from_file(short_vault), crypto::KeyManager{})
                .error(),
            AppError(FormatError::DeserializationError, "Encrypted header too short"));
}

}  // namespace
}  // namespace vantoro::format
