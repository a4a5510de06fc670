#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "crypto/secret.hpp"
#include "error/app_error.hpp"

namespace vantoro::crypto {

// A sealed blob: 12-byte nonce || AES-256-GCM ciphertext || 16-byte tag, no
// associated data, so a blob is always plaintext length + 28 bytes.
inline constexpr std::size_t nonce_length = 12;
inline constexpr std::size_t tag_length = 16;
inline constexpr std::size_t min_blob_length = nonce_length + tag_length;

using Nonce = std::array<std::uint8_t, nonce_length>;

// 12 fresh bytes from the secure random source; the only source of nonces.
[[nodiscard]] Nonce fresh_nonce();

// Ciphertext || tag (plaintext length + 16 bytes); the caller puts the nonce
// in front. Fails only beyond the GCM size limit: CryptoError::EncryptionError.
[[nodiscard]] Result<Bytes> encrypt_aes256_gcm(std::span<const std::uint8_t> plaintext, const Key& key,
                                               const Nonce& nonce);

// The plaintext of `ciphertext_and_tag` (a blob without its first 12 bytes).
//   nonce not 12 bytes -> CryptoError::DecryptionError("Invalid AES-GCM nonce (12 bytes required)")
//   shorter than a tag, or the tag does not verify (changed bytes, wrong key)
//                      -> CryptoError::DecryptionError(aead_failure_text); no plaintext is released
[[nodiscard]] Result<SecretBytes> decrypt_aes256_gcm(std::span<const std::uint8_t> ciphertext_and_tag,
                                                     const Key& key, std::span<const std::uint8_t> nonce);

// The detail text of a failed authenticated encryption or decryption.
inline constexpr std::string_view aead_failure_text = "authenticated encryption failed";

// fresh_nonce, encrypt_aes256_gcm, then nonce || result.
[[nodiscard]] Result<Bytes> seal_blob(const Key& key, std::span<const std::uint8_t> plaintext);

// Step 1 of every opening site, before any key is derived: a blob under 12
// bytes fails with FormatError::DeserializationError(too_short_text), e.g.
// "Journal block too short".
[[nodiscard]] Result<void> check_blob_length(std::span<const std::uint8_t> blob, std::string_view too_short_text);

// Step 3 of an opening site: decrypt_aes256_gcm(blob[12..], key, blob[0..12]).
// A blob under 12 bytes gives decrypt_aes256_gcm's nonce error, so callers
// run check_blob_length first.
[[nodiscard]] Result<SecretBytes> open_blob(const Key& key, std::span<const std::uint8_t> blob);

}  // namespace vantoro::crypto
