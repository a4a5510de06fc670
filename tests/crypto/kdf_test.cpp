#include "crypto/kdf.hpp"

#include <gtest/gtest.h>

#include "hex.hpp"

namespace vantoro::crypto {
namespace {

using test::ascii;
using test::to_hex;

constexpr std::string_view salt_text = "0123456789abcdef0123456789abcdef";  // 32 bytes

// Outputs of the reference `argon2` command-line tool (libargon2 20171227),
// Argon2id, version 0x13, 32-byte tag:
//   echo -n PASSWORD | argon2 0123456789abcdef0123456789abcdef -id -t T -k M -p P -l 32 -r
TEST(DeriveKey, MatchesReferenceToolVectors) {
  const struct {
    std::string_view passphrase;
    KdfParams params;
    std::string_view key;
  } cases[] = {
      {"password", {32, 3, 4}, "b6cb41ce1b9d7092a7e2c69a4f290c312724050d5e65aa6dc344cdf2c7eefee0"},
      {"correct horse battery staple", {64, 2, 2}, "f04e7888e161ada37c44c86809463d8d16d5db6170203ea13206088bc743cb16"},
      {"p\xc3\xa4ssw\xc3\xb6rd", {8, 1, 1}, "0e422cac5b537196a86706f77cf182463d519e12da99800f163759bdafc4bd17"},
  };
  for (const auto& c : cases) {
    auto key = derive_key(ascii(c.passphrase), ascii(salt_text), c.params);
    ASSERT_TRUE(key) << key.error().display();
    EXPECT_EQ(to_hex(key->bytes()), c.key) << c.passphrase;
  }
}

// The salt length is checked first, then the parameters, before any Argon2 work.
TEST(DeriveKey, RefusesBadSaltAndParametersInOrder) {
  const std::vector<std::uint8_t> salt31(31), salt32(32), salt33(33);
  const KdfParams bad_params{32, 3, 0};
  const struct {
    std::span<const std::uint8_t> salt;
    KdfParams params;
    std::string_view display;
  } cases[] = {
      {salt31, bad_params, "Crypto error: Invalid salt length: 31 bytes"},
      {salt33, {}, "Crypto error: Invalid salt length: 33 bytes"},
      {{}, {}, "Crypto error: Invalid salt length: 0 bytes"},
      {salt32, {32, 3, 0}, "Crypto error: Invalid KDF parameters"},               // no lanes
      {salt32, {1u << 30, 3, 1u << 24}, "Crypto error: Invalid KDF parameters"},  // 2^24 lanes
      {salt32, {32, 0, 4}, "Crypto error: Invalid KDF parameters"},               // no passes
      {salt32, {7, 1, 1}, "Crypto error: Invalid KDF parameters"},                // under 8 KiB
      {salt32, {31, 3, 4}, "Crypto error: Invalid KDF parameters"},               // under 8 KiB per lane
  };
  for (const auto& c : cases) {
    auto key = derive_key(ascii("pw"), c.salt, c.params);
    ASSERT_FALSE(key) << c.display;
    EXPECT_EQ(key.error().display(), c.display);
  }
  EXPECT_TRUE(derive_key(ascii("pw"), salt32, {32, 3, 4}));  // exactly 8 KiB per lane
}

TEST(DeriveKey, IsDeterministicAndSensitiveToEveryInputBit) {
  const KdfParams cheap{8, 1, 1};
  std::vector<std::uint8_t> passphrase{'p', 'w'};
  std::vector<std::uint8_t> salt(ascii(salt_text).begin(), ascii(salt_text).end());
  const Key base = derive_key(passphrase, salt, cheap).value();
  EXPECT_EQ(derive_key(passphrase, salt, cheap).value(), base);

  passphrase[1] ^= 0x01;
  EXPECT_NE(derive_key(passphrase, salt, cheap).value(), base);
  passphrase[1] ^= 0x01;
  salt[31] ^= 0x80;
  EXPECT_NE(derive_key(passphrase, salt, cheap).value(), base);
}

TEST(DeriveKey, AcceptsAnEmptyPassphrase) {
  auto key = derive_key({}, ascii(salt_text), {8, 1, 1});
  ASSERT_TRUE(key);
  EXPECT_NE(*key, Key());
}

}  // namespace
}  // namespace vantoro::crypto
