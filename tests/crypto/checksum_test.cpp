#include "crypto/checksum.hpp"

#include <gtest/gtest.h>

#include <string>

#include "hex.hpp"

namespace vantoro::crypto {
namespace {

using test::ascii;
using test::to_hex;

// FIPS 180-2, Appendix B (SHA-256 examples), plus the empty message.
TEST(Checksum, MatchesFipsVectors) {
  const std::string million_a(1'000'000, 'a');
  const struct {
    std::string_view message;
    std::string_view digest;
  } cases[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million_a, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_hex(calculate_checksum(ascii(c.message))), c.digest) << c.message.substr(0, 16);
  }
}

TEST(Checksum, PartsHashLikeTheirConcatenation) {
  Digest joined;
  sha256_into({ascii("ab"), ascii(""), ascii("c")}, joined);
  EXPECT_EQ(joined, calculate_checksum(ascii("abc")));
}

}  // namespace
}  // namespace vantoro::crypto
