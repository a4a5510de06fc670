#include "crypto/seal.hpp"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "crypto/random.hpp"

namespace vantoro::crypto {

namespace {

// NIST SP 800-38D: at most 2^39 - 256 bits of plaintext under one nonce.
constexpr std::uint64_t max_plaintext_length = (std::uint64_t{1} << 36) - 32;

constexpr std::string_view nonce_length_text = "Invalid AES-GCM nonce (12 bytes required)";

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

// A fresh AES-256-GCM context keyed for one call: the key schedule is never
// kept between calls. Empty when OpenSSL fails (out of memory).
CipherCtx gcm_context(bool encrypt, const Key& key, std::span<const std::uint8_t, nonce_length> nonce) {
  CipherCtx ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.bytes().data(), nonce.data(),
                                encrypt ? 1 : 0) != 1) {
    return nullptr;
  }
  return ctx;
}

// EVP_CipherUpdate over `in` into `out` (same length), in int-sized pieces.
bool cipher_update(EVP_CIPHER_CTX* ctx, std::span<const std::uint8_t> in, std::uint8_t* out) {
  while (!in.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(in.size(), INT_MAX / 2));
    int written = 0;
    if (EVP_CipherUpdate(ctx, out, &written, in.data(), chunk) != 1 || written != chunk) return false;
    in = in.subspan(static_cast<std::size_t>(chunk));
    out += chunk;
  }
  return true;
}

bool cipher_final(EVP_CIPHER_CTX* ctx) {
  std::uint8_t none[16];  // GCM is a stream mode: Final writes nothing
  int written = 0;
  return EVP_CipherFinal_ex(ctx, none, &written) == 1 && written == 0;
}

// Writes ciphertext || tag (plaintext length + 16 bytes) to `out`.
bool gcm_seal(std::span<const std::uint8_t> plaintext, const Key& key, const Nonce& nonce, std::uint8_t* out) {
  if (plaintext.size() > max_plaintext_length) return false;
  auto ctx = gcm_context(true, key, nonce);
  return ctx && cipher_update(ctx.get(), plaintext, out) && cipher_final(ctx.get()) &&
         EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, int{tag_length}, out + plaintext.size()) == 1;
}

std::unexpected<AppError> aead_failure(CryptoError kind) { return fail(kind, std::string(aead_failure_text)); }

}  // namespace

// Nonces are 96 random bits drawn fresh for every seal and never derived from
// a counter or from the data. Every seal uses its own draw, so with a
// per-thread DRBG seeded from the OS two seals under one key repeat a nonce
// only by chance (about 2^-96 per pair), far below any realistic number of
// records ever sealed under one subkey.
Nonce fresh_nonce() { return random_array<nonce_length>(); }

Result<Bytes> encrypt_aes256_gcm(std::span<const std::uint8_t> plaintext, const Key& key, const Nonce& nonce) {
  Bytes out(plaintext.size() + tag_length);
  if (!gcm_seal(plaintext, key, nonce, out.data())) return aead_failure(CryptoError::EncryptionError);
  return out;
}

Result<SecretBytes> decrypt_aes256_gcm(std::span<const std::uint8_t> ciphertext_and_tag, const Key& key,
                                       std::span<const std::uint8_t> nonce) {
  if (nonce.size() != nonce_length) return fail(CryptoError::DecryptionError, std::string(nonce_length_text));
  if (ciphertext_and_tag.size() < tag_length) return aead_failure(CryptoError::DecryptionError);

  const auto ciphertext = ciphertext_and_tag.first(ciphertext_and_tag.size() - tag_length);
  // OpenSSL takes the expected tag through a non-const pointer but only reads it.
  auto* tag = const_cast<std::uint8_t*>(ciphertext_and_tag.last(tag_length).data());
  SecretBytes plaintext(ciphertext.size());
  auto ctx = gcm_context(false, key, nonce.first<nonce_length>());
  // Final compares the tag in constant time; on a mismatch the decrypted
  // bytes are wiped with `plaintext` and never returned.
  const bool ok = ctx && cipher_update(ctx.get(), ciphertext, plaintext.data()) &&
                  EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, int{tag_length}, tag) == 1 &&
                  cipher_final(ctx.get());
  if (!ok) return aead_failure(CryptoError::DecryptionError);
  return plaintext;
}

Result<Bytes> seal_blob(const Key& key, std::span<const std::uint8_t> plaintext) {
  const Nonce nonce = fresh_nonce();
  Bytes blob(nonce_length + plaintext.size() + tag_length);
  std::copy(nonce.begin(), nonce.end(), blob.begin());
  if (!gcm_seal(plaintext, key, nonce, blob.data() + nonce_length)) return aead_failure(CryptoError::EncryptionError);
  return blob;
}

Result<void> check_blob_length(std::span<const std::uint8_t> blob, std::string_view too_short_text) {
  if (blob.size() < nonce_length) return fail(FormatError::DeserializationError, std::string(too_short_text));
  return {};
}

Result<SecretBytes> open_blob(const Key& key, std::span<const std::uint8_t> blob) {
  const auto nonce = blob.first(std::min(blob.size(), nonce_length));
  return decrypt_aes256_gcm(blob.subspan(nonce.size()), key, nonce);
}

}  // namespace vantoro::crypto
