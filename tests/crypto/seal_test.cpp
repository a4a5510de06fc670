#include "crypto/seal.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "hex.hpp"

namespace vantoro::crypto {
namespace {

using test::ascii;
using test::from_hex;
using test::to_hex;

Key key_from_hex(std::string_view hex) {
  const auto bytes = from_hex(hex);
  return Key(std::span<const std::uint8_t, 32>(bytes.data(), 32));
}

const Key test_key = key_from_hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

std::vector<std::uint8_t> to_vector(const SecretBytes& secret) { return {secret.span().begin(), secret.span().end()}; }

void expect_aead_failure(const Result<SecretBytes>& opened) {
  ASSERT_FALSE(opened);
  EXPECT_TRUE(opened.error().is(CryptoError::DecryptionError));
  EXPECT_EQ(opened.error().text(), aead_failure_text);
}

// AES-256 test cases 13-15 of the published GCM test vectors (96-bit IV, no AAD).
TEST(Aes256Gcm, MatchesGcmTestVectors) {
  const struct {
    std::string_view key, nonce, plaintext, sealed;  // sealed = ciphertext || tag
  } cases[] = {
      {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "",
       "530f8afbc74536b9a963b4f1c4cb738b"},
      {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000",
       "00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18d0d1c8a799996bf0265b98b5d48ab919"},
      {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
       "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657"
       "ba637b391aafd255",
       "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abc"
       "c9f662898015adb094dac5d93471bdec1a502270e3cc6c"},
  };
  for (const auto& c : cases) {
    const Key key = key_from_hex(c.key);
    Nonce nonce;
    const auto nonce_bytes = from_hex(c.nonce);
    std::copy(nonce_bytes.begin(), nonce_bytes.end(), nonce.begin());
    const auto sealed = encrypt_aes256_gcm(from_hex(c.plaintext), key, nonce);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(to_hex(*sealed), c.sealed);
    const auto opened = decrypt_aes256_gcm(from_hex(c.sealed), key, nonce);
    ASSERT_TRUE(opened);
    EXPECT_EQ(to_hex(opened->span()), c.plaintext);
  }
}

TEST(SealedBlob, RoundTripsWithAFreshNonceEachTime) {
  for (std::size_t size : {0u, 1u, 64u, 1000u}) {
    const std::vector<std::uint8_t> plaintext(size, 0x5A);
    const auto first = seal_blob(test_key, plaintext);
    const auto second = seal_blob(test_key, plaintext);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), size + min_blob_length);
    EXPECT_NE(*first, *second);
    for (const auto& blob : {*first, *second}) {
      const auto opened = open_blob(test_key, blob);
      ASSERT_TRUE(opened);
      EXPECT_EQ(to_vector(*opened), plaintext);
    }
  }
}

TEST(SealedBlob, EverySingleFlippedBitFailsAuthentication) {
  auto blob = seal_blob(test_key, ascii("secret")).value();
  for (std::size_t bit = 0; bit < blob.size() * 8; ++bit) {
    blob[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    expect_aead_failure(open_blob(test_key, blob));
    blob[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  EXPECT_TRUE(open_blob(test_key, blob));
}

TEST(SealedBlob, WrongKeyFailsAuthentication) {
  const auto blob = seal_blob(test_key, ascii("secret")).value();
  expect_aead_failure(open_blob(Key(), blob));
}

// Blobs under 12 bytes stop at the site's length check, before any key is
// needed; 12 to 27 bytes pass it and fail authentication.
TEST(SealedBlob, ShortBlobsFailAtTheRightStep) {
  for (std::size_t size : {0u, 11u}) {
    const std::vector<std::uint8_t> blob(size);
    const auto checked = check_blob_length(blob, "Journal block too short");
    ASSERT_FALSE(checked);
    EXPECT_EQ(checked.error().debug(), R"(Format(DeserializationError("Journal block too short")))");
  }
  for (std::size_t size : {12u, 27u}) {
    const std::vector<std::uint8_t> blob(size);
    EXPECT_TRUE(check_blob_length(blob, "Journal block too short"));
    expect_aead_failure(open_blob(test_key, blob));
  }
  EXPECT_TRUE(check_blob_length(std::vector<std::uint8_t>(min_blob_length), "x"));
}

TEST(Aes256Gcm, RefusesANonceThatIsNot12Bytes) {
  const auto sealed = encrypt_aes256_gcm(ascii("secret"), test_key, Nonce{}).value();
  const std::vector<std::uint8_t> nonce8(8);
  const auto opened = decrypt_aes256_gcm(sealed, test_key, nonce8);
  ASSERT_FALSE(opened);
  EXPECT_EQ(opened.error().display(), "Crypto error: Decryption error: Invalid AES-GCM nonce (12 bytes required)");
}

}  // namespace
}  // namespace vantoro::crypto
