// Opens arbitrary bytes as a sealed blob under a fixed key, the way every
// opening site does: the length check, then decryption. Under 12 bytes only
// the site's text may come back; otherwise DecryptionError, unless the input
// is a genuine blob (corpus seeds), whose plaintext must seal again under the
// same nonce to exactly the same bytes. The input is then sealed and must open
// to itself.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "crypto/seal.hpp"

namespace {

using namespace vantoro;

const crypto::Key& fuzz_key() {
  static const crypto::Key key(std::array<std::uint8_t, 32>{'f', 'u', 'z', 'z'});
  return key;
}

void check_open(std::span<const std::uint8_t> blob) {
  const auto checked = crypto::check_blob_length(blob, "Ciphertext too short");
  if (!checked) {
    if (blob.size() >= crypto::nonce_length || checked.error().text() != "Ciphertext too short") std::abort();
    return;
  }
  const auto opened = crypto::open_blob(fuzz_key(), blob);
  if (!opened) {
    if (!opened.error().is(CryptoError::DecryptionError)) std::abort();
    return;
  }
  crypto::Nonce nonce;
  std::copy_n(blob.begin(), nonce.size(), nonce.begin());
  const auto again = crypto::encrypt_aes256_gcm(opened->span(), fuzz_key(), nonce);
  if (!again || !std::ranges::equal(*again, blob.subspan(crypto::nonce_length))) std::abort();
}

void check_round_trip(std::span<const std::uint8_t> plaintext) {
  const auto sealed = crypto::seal_blob(fuzz_key(), plaintext);
  if (!sealed || sealed->size() != plaintext.size() + crypto::min_blob_length) std::abort();
  const auto opened = crypto::open_blob(fuzz_key(), *sealed);
  if (!opened || !std::ranges::equal(opened->span(), plaintext)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  check_open(input);
  check_round_trip(input);
  return 0;
}
